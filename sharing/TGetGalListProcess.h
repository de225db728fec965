// The gallery list of a sharing ID, fetched on a thread of its own.
#pragma once

#include "HttpClient.h"
#include "SharingProtocol.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace vantorel {

// Started when created; calls the end handler once when it ends, on the main thread when a Qt
// application runs (queued to it), else on its own thread. A caller that goes away first calls
// Detach, so that the ending thread calls nothing. State 1 running, 2 loaded, 3 failed.
class TGetGalListProcess {
public:
    using EndHandler = std::function<void(TGetGalListProcess&)>;

    TGetGalListProcess(const QString& sharingId, const ServiceAddresses& addresses, EndHandler onEnd);
    ~TGetGalListProcess();

    int State() const { return m_state.load(); }
    // The gallery lines (CR LF ended), or the error message.
    QString ResultText() const;
    void Detach();
    void Wait();

private:
    void Run();

    QString m_sharingId;
    ServiceAddresses m_addresses;
    std::unique_ptr<HttpClient> m_client;
    std::atomic<int> m_state{1};
    mutable std::mutex m_mutex;
    QString m_result;
    EndHandler m_onEnd;
    std::thread m_thread;
};

} // namespace vantorel
