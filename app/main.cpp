// vantorel: the program's start-up. The first argument chooses the run: "/cmdlineproc" runs the
// command-line batch without any window; otherwise every argument is a picture to open, handed to
// an already running instance when there is one.
#include "CmdLineProc.h"
#include "HeadlessApplication.h"
#include "InfoCBox.h"
#include "InstanceHandOver.h"
#include "SettingsStore.h"
#include "SplashWindow.h"
#include "TMainForm.h"

#include <QApplication>
#include <QMdiArea>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLower() : QString();
    if (mode == "/cmdlineproc") {
        // The profile file is the third argument; a text watermark in it needs fonts.
        const bool fonts = argc > 3 && vantorel::ProfileFileHasTextOverlay(QString::fromLocal8Bit(argv[3]));
        const auto app = vantorel::StartHeadlessApplication(argc, argv, fonts);
        return vantorel::RunCommandLineBatch(QCoreApplication::arguments());
    }
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == ".") {
        std::fprintf(stderr, "vantorel: the batch window is not part of this build; use \"vantorel /cmdlineproc "
                             "REPORT PROFILE SOURCE/MASK DESTINATION [switches]\" or vantorel-cli\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vantorel");
    QStringList files = QApplication::arguments();
    files.removeFirst();
    vantorel::InstanceHandOver channel;
    if (!files.isEmpty() && channel.HandOver(files))
        return 0;

    vantorel::SettingsStore store;
    vantorel::SplashWindow* splash = nullptr;
    if (store.ReadBool("DisplaySplash", true)) {
        splash = new vantorel::SplashWindow;
        splash->ShowFaded();
    }
    vantorel::TMainForm window(store, std::make_unique<vantorel::UserDialogs>(), files);
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && screen->depth() < 15)
        vantorel::ShowInfoCBox(&window,
                               "Current graphics mode cannot display a great number of colors to view images "
                               "properly.   We recommend you to change the 16 bit (Hi-Color) or 24(32) bit (True "
                               "Color) graphics mode.",
                               store, 0, 0, 0, 0, "ClrMes");
    window.SetSplash(splash);
    window.show();
    // A later start with files gives them to this window, which comes to the front.
    channel.Listen([&window](const QStringList& lines) {
        window.QueueIncomingFiles(lines);
        if (window.isMinimized())
            window.showNormal();
        window.raise();
        window.activateWindow();
    });
    return QApplication::exec();
}
