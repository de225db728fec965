// The Qt application object of the runs without windows.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <memory>
#include <string>

namespace vantorel {

// True when the profile text holds a text watermark (drawing text needs fonts, which need a
// graphical application object). Unreadable text gives false: the run reports it later.
bool ProfileHasTextOverlay(const std::string& profileText);
// The same for a profile file (at most 1 MiB is read; a missing file gives false).
bool ProfileFileHasTextOverlay(const QString& fileName);

// A QGuiApplication on the "offscreen" platform when fonts are needed, else a QCoreApplication.
// Call once, on the main thread, before any other Qt object exists. Writes beyond a file size limit
// fail with an error from then on (SIGXFSZ is ignored).
std::unique_ptr<QCoreApplication> StartHeadlessApplication(int& argc, char** argv, bool needsFonts);

} // namespace vantorel
