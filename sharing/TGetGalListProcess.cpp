// The gallery-list worker.
#include "TGetGalListProcess.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace vantorel {

TGetGalListProcess::TGetGalListProcess(const QString& sharingId, const ServiceAddresses& addresses, EndHandler onEnd)
    : m_sharingId(sharingId), m_addresses(addresses), m_client(std::make_unique<HttpClient>()),
      m_onEnd(std::move(onEnd)) {
    m_thread = std::thread([this] { Run(); });
}

TGetGalListProcess::~TGetGalListProcess() {
    Detach();
    Wait();
}

QString TGetGalListProcess::ResultText() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_result;
}

void TGetGalListProcess::Detach() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_onEnd = nullptr;
}

void TGetGalListProcess::Wait() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void TGetGalListProcess::Run() {
    QByteArray bytes;
    QString error;
    const bool ok = m_client->Get(m_addresses.SharingScript() + "?cmd=gl&upld=1&uid=" + m_sharingId, bytes, error);
    const QString answer = ok ? QString::fromLatin1(bytes) : QString();
    QString result;
    const int state = ParseGalleryList(answer, result);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result = result;
        m_state = state;
    }
    EndHandler handler;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        handler = m_onEnd;
    }
    if (!handler)
        return;
    if (QCoreApplication* app = QCoreApplication::instance(); app && app->thread() != QThread::currentThread())
        QMetaObject::invokeMethod(
            app,
            [this] {
                EndHandler h;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    h = m_onEnd;
                }
                if (h)
                    h(*this);
            },
            Qt::QueuedConnection);
    else
        handler(*this);
}

} // namespace vantorel
