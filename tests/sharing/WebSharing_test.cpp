// Web sharing against a real HTTP service on the loopback address: the protocol's answers, the
// gallery list, uploads and a service that fails in every way.
#include "SharingProtocol.h"
#include "TGetGalListProcess.h"
#include "TJPEGImage.h"
#include "WebUpload.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <httplib.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

namespace {

using namespace vantorel;

TEST(SharingProtocol, AnswersAndIds) {
    EXPECT_EQ(ParseSharingID("AbCdEfGh"), "abcdefgh");
    EXPECT_EQ(ParseSharingID("https://share.example/1/abcdefgh_ctr.htm"), "abcdefgh");
    EXPECT_EQ(ParseSharingID("abcdefghi"), "");
    EXPECT_EQ(ParseSharingID("abcdefg"), "");
    EXPECT_EQ(ParseSharingID("xabcdefgh_ctr.htm"), "");
    EXPECT_EQ(ErrorTextFromResponse("ERR=7\r\n"),
              "Invalid Photo Sharing user ID. Enter a new ID or clear the entered value from Options > Preferences > "
              "Online Services.");
    const QString code0 = "Time-out or unknown error. Please check your Internet connection.";
    for (const char* answer : {"err=12\r", "err=-1\r", "err=7", "", "ok!", "err=99999999999999\r", "err=\r"})
        EXPECT_EQ(ErrorTextFromResponse(answer), code0) << answer;
    EXPECT_EQ(ErrorTextFromResponse("err=3\r"), "Not supported file format.");
    EXPECT_EQ(GalleryFromResponse("OK!\r\nURL=x\r\nPID=AbCd1234\r\n"), "abcd1234");
    EXPECT_EQ(GalleryFromResponse("OK!\r\n"), "");
    EXPECT_EQ(DecodeNumericEntities("Caf&#233;"), QString::fromUtf8("Caf\xC3\xA9"));
    EXPECT_EQ(DecodeNumericEntities("&#65 and more"), "&#65 and more");
    EXPECT_EQ(DecodeNumericEntities("a&#0;b&#x;c&#99999999999;d&#55296;e"), "abcde");
    ServiceAddresses a{"http://s", "http://h"};
    EXPECT_EQ(a.ControlPageAddress("abcdefgh"), "http://s/1/abcdefgh_ctr.htm");
}

// The two scripts of the services, with failures on request.
class Service {
public:
    enum class FailureKind { kNone, kStatus500, kHuge, kCloseMidAnswer, kStall, kRedirect };

    Service() {
        server.Get("/cgi-bin/share.exe", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex);
            query = req.get_param_value("cmd") + "/" + req.get_param_value("uid");
            accept = req.get_header_value("Accept");
            res.set_content(galleryAnswer, "text/html");
        });
        const auto upload = [this](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                received = req.get_file_value("upfile").content;
                contentType = req.get_file_value("upfile").content_type;
                uid = req.get_file_value("UID").content;
                pid = req.get_file_value("PID").content;
                hasUpld = req.has_file("UPLD");
                accept = req.get_header_value("Accept");
            }
            switch (failure) {
            case FailureKind::kNone:
                res.set_content(uploadAnswer, "text/html");
                break;
            case FailureKind::kStatus500:
                res.status = 500;
                res.set_content("OK!\r\nURL=http://x/a.jpg\r\n", "text/html");
                break;
            case FailureKind::kHuge:
                res.set_content("OK!\r\n" + std::string(200 * 1024, 'x'), "text/html");
                break;
            case FailureKind::kCloseMidAnswer:
                res.set_content_provider(1000, "text/html", [](size_t offset, size_t, httplib::DataSink& sink) {
                    if (offset > 0)
                        return false; // the connection ends after the first part
                    sink.write("OK!\r\nURL=http://", 16);
                    return true;
                });
                break;
            case FailureKind::kRedirect:
                res.set_redirect("file:///etc/passwd");
                break;
            case FailureKind::kStall:
                std::this_thread::sleep_for(std::chrono::seconds(4));
                res.set_content(uploadAnswer, "text/html");
                break;
            }
        };
        server.Post("/cgi-bin/upload.exe", upload);
        server.Post("/cgi-bin/share.exe", upload);
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Service() {
        server.stop();
        thread.join();
    }
    ServiceAddresses Addresses() const {
        const QString base = "http://127.0.0.1:" + QString::number(port);
        return {base, base};
    }

    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::mutex mutex;
    std::string galleryAnswer, uploadAnswer, received, contentType, uid, pid, query, accept;
    bool hasUpld = false;
    std::atomic<FailureKind> failure{FailureKind::kNone};
};

TEST(WebSharing, GalleryListLoadsOrFails) {
    Service service;
    service.galleryAnswer = "OK!\r\nabcd1234 Holidays\r\nefgh5678 Caf&#233;\r\n";
    std::atomic<bool> ended{false};
    TGetGalListProcess list("abcdefgh", service.Addresses(), [&](TGetGalListProcess&) { ended = true; });
    list.Wait();
    EXPECT_TRUE(ended);
    EXPECT_EQ(list.State(), 2);
    EXPECT_EQ(list.ResultText(), "abcd1234 Holidays\r\nefgh5678 Caf&#233;\r\n");
    EXPECT_EQ(service.query, "gl/abcdefgh");
    EXPECT_EQ(service.accept, "text/html, */*");

    service.galleryAnswer = "err=7\r\n";
    TGetGalListProcess failed("abcdefgh", service.Addresses(), nullptr);
    failed.Wait();
    EXPECT_EQ(failed.State(), 3);
    EXPECT_TRUE(failed.ResultText().startsWith("Invalid Photo Sharing user ID"));
}

TEST(WebSharing, UploadsTheEnginesStreamAndReadsTheAnswer) {
    Service service;
    TJPEGImage engine;
    engine.SetSource(testsupport::MakePicture(64, 48, testsupport::PictureKind::kPhotoLike));
    engine.Compress();
    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    engine.SaveToStream(saved);

    service.uploadAnswer = "OK!\r\nURL=http://photos.example/p/abc123.jpg trailing\r\n";
    QString result, gallery, sharingId;
    int lowest = 100, highest = -1;
    const bool ok = UploadToWeb(&engine, {}, nullptr, result, gallery, sharingId, false, service.Addresses(),
                                [&](int percent) {
                                    lowest = std::min(lowest, percent);
                                    highest = std::max(highest, percent);
                                });
    ASSERT_TRUE(ok) << result.toStdString();
    EXPECT_EQ(result, "http://photos.example/p/abc123.jpg");
    EXPECT_EQ(gallery, "");
    EXPECT_EQ(service.received, saved.data().toStdString()); // the bytes SaveToStream writes
    EXPECT_EQ(service.contentType, "IMAGE/JPEG");
    EXPECT_TRUE(service.hasUpld);
    EXPECT_EQ(service.accept, "text/html, */*");
    EXPECT_GE(lowest, 0);
    EXPECT_LE(highest, 95);

    // The sharing service: the IDs travel and come back.
    service.uploadAnswer = "OK!\r\nURL=http://share.example/1/abcdefgh_ctr.htm\r\npid=gal12345\r\n";
    gallery = "";
    sharingId = "abcdefgh";
    ASSERT_TRUE(UploadToWeb(&engine, {}, nullptr, result, gallery, sharingId, true, service.Addresses()));
    EXPECT_EQ(service.uid, "abcdefgh");
    EXPECT_EQ(service.pid, "");
    EXPECT_EQ(result, "http://share.example/1/abcdefgh_ctr.htm");
    EXPECT_EQ(sharingId, "abcdefgh");
    EXPECT_EQ(gallery, "gal12345");

    // A given file is uploaded and then deleted.
    QTemporaryDir dir;
    const std::string given = testsupport::WriteTempFile(dir.path().toStdString(), "given.jpg", engine.Data()->Stream);
    ASSERT_TRUE(UploadToWeb(nullptr, QString::fromStdString(given), nullptr, result, gallery, sharingId, false,
                            service.Addresses()));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(given)));

    // Answers the Part leaves odd: a link without an extension gives an empty link, NULs are safe.
    service.uploadAnswer = std::string("OK!\r\nURL=javascript:alert(1)\0\r\n", 31);
    EXPECT_TRUE(UploadToWeb(&engine, {}, nullptr, result, gallery, sharingId, false, service.Addresses()));
    EXPECT_EQ(result, "");

    service.uploadAnswer = "err=2\r\n";
    EXPECT_FALSE(UploadToWeb(&engine, {}, nullptr, result, gallery, sharingId, false, service.Addresses()));
    EXPECT_EQ(result, "Error uploading photo. File size exceeds the allowed maximum. To learn more, read Terms of "
                      "Service.");
}

TEST(WebSharing, AFailingServiceEndsWithTheCodeZeroMessageWithinItsBounds) {
    Service service;
    service.uploadAnswer = "OK!\r\nURL=http://x/a.jpg\r\n";
    TJPEGImage engine;
    engine.SetSource(testsupport::MakePicture(16, 16, testsupport::PictureKind::kGradient));
    const QString expected = "Error uploading photo. Time-out or unknown error. Please check your Internet connection.";
    struct Case {
        const char* name;
        Service::FailureKind failure;
        bool refused;
    };
    for (const Case& c : {Case{"HTTP 500", Service::FailureKind::kStatus500, false},
                          Case{"huge answer", Service::FailureKind::kHuge, false},
                          Case{"closed mid-answer", Service::FailureKind::kCloseMidAnswer, false},
                          Case{"stalled", Service::FailureKind::kStall, false},
                          Case{"redirected", Service::FailureKind::kRedirect, false},
                          Case{"refused", Service::FailureKind::kNone, true}}) {
        SCOPED_TRACE(c.name);
        service.failure = c.failure;
        HttpClient client;
        client.StallSeconds = 1; // the test's stand-in for the 60 s bound
        ServiceAddresses addresses = service.Addresses();
        if (c.refused)
            addresses.HostingBase = "http://127.0.0.1:1";
        QString result, gallery, sharingId;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(UploadToWeb(&engine, {}, &client, result, gallery, sharingId, false, addresses));
        EXPECT_EQ(result, expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    }
    service.failure = Service::FailureKind::kNone;
}

} // namespace

namespace {

TEST(WebSharing, TheCommandLineUploadsAndListsGalleries) {
    Service service;
    service.uploadAnswer = "OK!\r\nURL=http://share.example/1/abcdefgh_ctr.htm\r\npid=gal00001\r\n";
    service.galleryAnswer = "OK!\r\ngal00001 Caf&#233; trip\r\n";
    QTemporaryDir dir;
    const QString photo = dir.filePath("photo.png");
    ASSERT_TRUE(testsupport::MakePicture(40, 30, testsupport::PictureKind::kPhotoLike).save(photo));
    const std::string url = "http://127.0.0.1:" + std::to_string(service.port);
    const std::string settings = "VANTOREL_SETTINGS='" + dir.filePath("s.ini").toStdString() + "' ";
    std::string out;
    ASSERT_EQ(testsupport::RunCommand(settings + VANTOREL_CLI " --upload sharing --sharing-id ABCDEFGH --service-url " +
                                          url + " '" + photo.toStdString() + "'",
                                      &out),
              0)
        << out;
    EXPECT_NE(out.find("uploaded: http://share.example/1/abcdefgh_ctr.htm"), std::string::npos) << out;
    EXPECT_EQ(service.uid, "abcdefgh");
    EXPECT_EQ(testsupport::InspectJpeg(std::vector<std::uint8_t>(service.received.begin(), service.received.end())).Width, 40);
    EXPECT_FALSE(QFile::exists(dir.filePath("photo.jpg"))); // without -o nothing is left behind

    ASSERT_EQ(testsupport::RunCommand(settings + VANTOREL_CLI " --list-galleries --sharing-id abcdefgh --service-url " + url, &out), 0)
        << out;
    EXPECT_NE(out.find("gal00001 Caf\xC3\xA9 trip"), std::string::npos) << out;

    service.uploadAnswer = "err=8\r\n";
    EXPECT_EQ(testsupport::RunCommand(settings + VANTOREL_CLI " --upload hosting --service-url " + url + " '" +
                                          photo.toStdString() + "'",
                                      &out),
              1);
    EXPECT_NE(out.find("Error uploading photo. Invalid gallery ID."), std::string::npos) << out;
}

} // namespace
