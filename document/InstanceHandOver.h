// The single-instance hand-over: a second start with arguments gives them to the running
// instance and exits.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLocalServer;

namespace vantorel {

// Used on the main thread. The channel is a local socket whose name is per user (and may be
// given, for tests).
class InstanceHandOver {
public:
    explicit InstanceHandOver(QString channel = DefaultChannel());
    ~InstanceHandOver();

    // The running instance's channel name of this user.
    static QString DefaultChannel();

    // A starting instance: sends the arguments, each followed by CR LF (at most 64,000
    // characters in all), to a running instance. True when one took them (the caller then exits);
    // false without arguments or without a running instance.
    bool HandOver(const QStringList& arguments, int timeoutMs = 2000) const;

    // The running instance: listens on the channel and calls `onLines` (on the main thread, from
    // the event loop) with the lines of every hand-over. False when the channel cannot be opened.
    bool Listen(std::function<void(const QStringList& lines)> onLines);

private:
    QString m_channel;
    std::unique_ptr<QLocalServer> m_server;
    std::function<void(const QStringList&)> m_onLines;
};

} // namespace vantorel
