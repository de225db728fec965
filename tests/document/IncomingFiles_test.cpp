// Names from the command line, drag and drop and the hand-over between instances.
#include "IncomingFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(IncomingFiles, FileNamesAreDecoded) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case c : {Case{"file:///home/ann/My%20Photo.jpg", "/home/ann/My Photo.jpg"},
                         Case{"file:/tmp/a+b%%c.jpg", "/tmp/a b%c.jpg"},
                         Case{"file:///tmp/%C3%A9t%C3%A9.jpg", "/tmp/\xC3\xA9t\xC3\xA9.jpg"},
                         Case{"file:///tmp/100%zz.jpg", "/tmp/100%zz.jpg"}, // not hexadecimal: kept
                         Case{"FILE:relative.jpg", "relative.jpg"}, Case{"/plain/name.jpg", "/plain/name.jpg"}})
        EXPECT_EQ(vantorel::DecodeIncomingName(c.in), QString::fromUtf8(c.out)) << c.in;
}

TEST(IncomingFiles, OnlyExistingFilesAreQueued) {
    QTemporaryDir dir;
    const QString a = dir.filePath("a b.jpg");
    QFile file(a);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    int notCached = 0;
    const QStringList queued = vantorel::FilterIncomingFiles(
        {"file://" + QString(a).replace(" ", "%20"), dir.filePath("missing.jpg"), dir.path(), "http://x/y.jpg"},
        &notCached);
    EXPECT_EQ(queued, QStringList{a});
    EXPECT_EQ(notCached, 1);
}

} // namespace
