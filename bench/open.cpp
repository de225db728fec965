// Opening a photograph in the desktop program: the time from the open call to the first painted
// source view, against the decode alone (the engine reading the same file from disk), in the same
// process on the offscreen platform. It also reports the longest time the main thread did not
// handle events while the window opened and compressed its first result.
// Usage: bench_open [photo.jpg]
#include "BenchSupport.h"

#include "SettingsStore.h"
#include "TJPEGImage.h"
#include "TMainForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 15;
constexpr const char* kDefaultPhoto = "large/Painting-Colors_by__herobrine7gamer.jpg";

// The engine's decode of the file, with the file read, as the document's loader does it.
void DecodeAlone(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.readAll();
    TJPEGImage engine;
    engine.Settings().DoAutoRotate = true;
    engine.LoadFromBytes(std::vector<std::uint8_t>(data.begin(), data.end()));
    (void)engine.GetBitmap();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const std::string path = bench::PhotoPath(argc, argv, kDefaultPhoto);
    if (path.empty())
        return 0;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("VANTOREL_SETTINGS", dir.filePath("settings.ini").toLocal8Bit());

    vantorel::SettingsStore store(dir.filePath("settings.ini"));
    vantorel::TMainForm form(store, std::make_unique<vantorel::UserDialogs>());
    form.resize(1400, 1000);
    form.show();
    QCoreApplication::processEvents();

    // Decodes and opens alternate, so that both see the same state of the machine.
    std::vector<double> decodes;
    std::vector<double> opens;
    double longestStall = 0;
    int width = 0;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer decodeClock;
        decodeClock.start();
        DecodeAlone(path);
        decodes.push_back(decodeClock.nsecsElapsed() / 1e9);
        bool painted = false;
        QElapsedTimer clock;
        // A 2 ms timer measures how long the main thread goes without handling events.
        QElapsedTimer beat;
        beat.start();
        double stall = 0;
        QTimer heartbeat;
        heartbeat.setInterval(2);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            stall = std::max(stall, beat.nsecsElapsed() / 1e9);
            beat.restart();
        });
        heartbeat.start();
        clock.start();
        vantorel::TImageForm* window = form.CreateImageWindowFromFile(QString::fromStdString(path), false);
        window->SourceView().OnPainted = [&] {
            if (!painted)
                opens.push_back(clock.nsecsElapsed() / 1e9);
            painted = true;
        };
        while (!painted && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // The first result follows on the workers while the window stays responsive.
        while ((window->Document().Busy() || window->Document().ResultSize() == 0) && clock.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        heartbeat.stop();
        longestStall = std::max(longestStall, stall);
        width = window->Document().SourceBitmap().width();
        window->Document().Saved = true;
        window->SourceView().OnPainted = nullptr;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
            sub->close();
        // The closed window goes now, so that every run starts from the same memory.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    if (opens.size() != static_cast<std::size_t>(kRuns) || width == 0) {
        std::fprintf(stderr, "bench_open: the source of %s was not shown\n", path.c_str());
        return 1;
    }
    const double open = Median(opens);
    const double decode = Median(decodes);
    std::printf("bench_open: %s, %d px wide\n", path.c_str(), width);
    std::printf("decode alone (engine, file read included): %.1f ms\n", decode * 1000);
    std::printf("open to first painted source: %.1f ms (medians of %d alternating runs)\n", open * 1000, kRuns);
    std::printf("longest main-thread stall while opening and compressing: %.1f ms\n", longestStall * 1000);
    std::printf("ratio open/decode: %.2f\n", open / decode);
    return 0;
}
