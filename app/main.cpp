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
#include <QScreen>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace {

int g_quitPipe[2] = {-1, -1};

// The end of a session (SIGTERM, SIGHUP): leave the event loop at once, without the close
// questions, so that the main window still saves the settings on its way out.
void RequestQuit(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_quitPipe[1], &byte, 1);
}

void QuitOnSessionEnd() {
    if (::pipe(g_quitPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_quitPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] { QCoreApplication::quit(); });
    struct sigaction action {};
    action.sa_handler = RequestQuit;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

} // namespace

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

    QuitOnSessionEnd();
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
