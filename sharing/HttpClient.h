// The HTTP client of web sharing, over libcurl: a GET with a query and a multipart form POST.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace vantorel {

struct FormField {
    QString Name;
    QByteArray Value;      // the text, or the file's bytes
    QString FileName;      // set for a file field
    QString ContentType;   // of a file field
};

// One client per thread. Bounds: connect within 30 s, a transfer that moves less than 1 byte a
// second for 60 s is aborted, answers over 64 KiB are refused, redirects are never followed;
// https addresses are checked against the system's certificates.
class HttpClient {
public:
    // Bytes sent so far and the body's size; may be called often.
    using UploadProgress = std::function<void(qint64 sent, qint64 total)>;

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Returns the answer's body, or false with the reason in `error`.
    bool Get(const QString& url, QByteArray& answer, QString& error);
    bool PostForm(const QString& url, const std::vector<FormField>& fields, QByteArray& answer, QString& error);

    UploadProgress OnUploadProgress;
    long ConnectTimeoutSeconds = 30;
    long StallSeconds = 60;
    static constexpr qint64 kMaxAnswer = 64 * 1024;

    struct State;

private:
    bool Perform(QByteArray& answer, QString& error);
    std::unique_ptr<State> m_state;
};

} // namespace vantorel
