// The Qt application object of the runs without windows.
#include "HeadlessApplication.h"

#include "ProfileText.h"
#include "TJPEGImage.h"

#include <QFile>
#include <QGuiApplication>

#include <csignal>

namespace vantorel {

bool ProfileHasTextOverlay(const std::string& profileText) {
    try {
        const TJPEGImage defaults;
        const TJPEGProfile p = ReadProfileText(profileText, defaults.GetProfile(), "");
        const int count = std::clamp(p.NumOverlays, 0, kProfileOverlayCapacity);
        for (int i = 0; i < count; ++i)
            if (p.Overlays[static_cast<std::size_t>(i)].OverlayType == 0)
                return true;
    } catch (const std::exception&) {
    }
    return false;
}

bool ProfileFileHasTextOverlay(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.read(kMaxProfileFileSize + 1);
    if (bytes.size() > kMaxProfileFileSize)
        return false;
    return ProfileHasTextOverlay(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

std::unique_ptr<QCoreApplication> StartHeadlessApplication(int& argc, char** argv, bool needsFonts) {
    // A file size limit then fails the write with an error that is reported, instead of killing the
    // run in the middle of a batch.
    std::signal(SIGXFSZ, SIG_IGN);
    if (!needsFonts)
        return std::make_unique<QCoreApplication>(argc, argv);
    // Fonts without a display: the offscreen platform reads the system's fonts through fontconfig.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace vantorel
