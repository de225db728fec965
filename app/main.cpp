// vantorel: the program's start-up. The first argument chooses the run: "/cmdlineproc" runs the
// command-line batch without any window.
#include "CmdLineProc.h"
#include "HeadlessApplication.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLower() : QString();
    if (mode == "/cmdlineproc") {
        // The profile file is the third argument; a text watermark in it needs fonts.
        const bool fonts = argc > 3 && vantorel::ProfileFileHasTextOverlay(QString::fromLocal8Bit(argv[3]));
        const auto app = vantorel::StartHeadlessApplication(argc, argv, fonts);
        return vantorel::RunCommandLineBatch(QCoreApplication::arguments());
    }
    std::fprintf(stderr, "vantorel: this build has no desktop windows yet; use \"vantorel /cmdlineproc REPORT "
                         "PROFILE SOURCE/MASK DESTINATION [switches]\" or vantorel-cli\n");
    return 2;
}
