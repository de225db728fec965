// The HTTP client over libcurl.
#include "HttpClient.h"

#include <curl/curl.h>

#include <chrono>
#include <mutex>

namespace vantorel {

struct HttpClient::State {
    CURL* curl = nullptr;
    QByteArray answer;
    bool tooLarge = false;
    bool stalled = false;
    HttpClient* owner = nullptr;
    // The moment any byte last moved, for the stall bound (libcurl's own low-speed check averages
    // over several seconds, so a quick upload followed by a silent server would outlast it).
    curl_off_t lastUp = -1, lastDown = -1;
    std::chrono::steady_clock::time_point lastMove;
};

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t WriteAnswer(char* data, size_t size, size_t count, void* user) {
    auto* st = static_cast<HttpClient::State*>(user);
    const size_t bytes = size * count;
    if (st->answer.size() + static_cast<qint64>(bytes) > HttpClient::kMaxAnswer) {
        st->tooLarge = true;
        return 0; // ends the transfer
    }
    st->answer.append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

int Progress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t uploadTotal, curl_off_t uploaded) {
    auto* st = static_cast<HttpClient::State*>(user);
    const auto now = std::chrono::steady_clock::now();
    if (uploaded != st->lastUp || downloaded != st->lastDown) {
        st->lastUp = uploaded;
        st->lastDown = downloaded;
        st->lastMove = now;
    } else if (now - st->lastMove > std::chrono::seconds(st->owner->StallSeconds)) {
        st->stalled = true;
        return 1; // aborts the transfer
    }
    if (st->owner->OnUploadProgress && uploadTotal > 0)
        st->owner->OnUploadProgress(uploaded, uploadTotal);
    return 0;
}

} // namespace

HttpClient::HttpClient() : m_state(std::make_unique<State>()) {
    GlobalInit();
    m_state->curl = curl_easy_init();
    m_state->owner = this;
}

HttpClient::~HttpClient() {
    if (m_state->curl)
        curl_easy_cleanup(m_state->curl);
}

bool HttpClient::Perform(QByteArray& answer, QString& error) {
    State& st = *m_state;
    CURL* c = st.curl;
    st.answer.clear();
    st.tooLarge = false;
    st.stalled = false;
    st.lastUp = st.lastDown = -1;
    st.lastMove = std::chrono::steady_clock::now();
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteAnswer);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &st);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &st);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, ConnectTimeoutSeconds);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, StallSeconds);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PROXY, ""); // plain connections, no proxy
    curl_slist* headers = curl_slist_append(nullptr, "Accept: text/html, */*");
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    const CURLcode rc = curl_easy_perform(c);
    curl_slist_free_all(headers);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (st.stalled) {
        error = "the transfer stalled for " + QString::number(StallSeconds) + " s";
        return false;
    }
    if (st.tooLarge) {
        error = "the answer is larger than 64 KiB";
        return false;
    }
    if (rc != CURLE_OK) {
        error = QString::fromUtf8(curl_easy_strerror(rc));
        return false;
    }
    if (status >= 300) {
        error = "the service answered with HTTP status " + QString::number(status);
        return false;
    }
    answer = st.answer;
    return true;
}

namespace {

// Resets the handle for a new request to the address; null (with the reason) without a handle.
CURL* Prepare(HttpClient::State& st, const QString& url, QString& error) {
    CURL* c = st.curl;
    if (!c) {
        error = "no HTTP client";
        return nullptr;
    }
    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_URL, url.toUtf8().constData()); // libcurl copies the address
    return c;
}

} // namespace

bool HttpClient::Get(const QString& url, QByteArray& answer, QString& error) {
    CURL* c = Prepare(*m_state, url, error);
    if (!c)
        return false;
    curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    return Perform(answer, error);
}

bool HttpClient::PostForm(const QString& url, const std::vector<FormField>& fields, QByteArray& answer, QString& error) {
    CURL* c = Prepare(*m_state, url, error);
    if (!c)
        return false;
    curl_mime* mime = curl_mime_init(c);
    for (const FormField& f : fields) {
        curl_mimepart* part = curl_mime_addpart(mime);
        curl_mime_name(part, f.Name.toUtf8().constData());
        curl_mime_data(part, f.Value.constData(), static_cast<size_t>(f.Value.size()));
        if (!f.FileName.isEmpty())
            curl_mime_filename(part, f.FileName.toUtf8().constData());
        if (!f.ContentType.isEmpty())
            curl_mime_type(part, f.ContentType.toUtf8().constData());
    }
    curl_easy_setopt(c, CURLOPT_MIMEPOST, mime);
    const bool ok = Perform(answer, error);
    curl_mime_free(mime);
    return ok;
}

} // namespace vantorel
