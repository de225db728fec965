// Result names of a batch and the collection of its files.
#include "BatchNaming.h"
#include "FileCollection.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using vantorel::BatchResultName;
using vantorel::TBatchProcOptions;

TBatchProcOptions Options() {
    TBatchProcOptions o;
    o.BatchFNContOrig = true;
    o.BatchFNLeadZeroesN = 4;
    return o;
}

TEST(BatchNaming, ResultNames) {
    struct Case {
        const char* name;
        const char* source;
        void (*set)(TBatchProcOptions&);
        const char* result;
    };
    const Case cases[] = {
        {"no extension", "/p/readme", [](TBatchProcOptions&) {}, "/p/readme.jpg"},
        {"dotted name", "/p/photo.final.jpg", [](TBatchProcOptions&) {}, "/p/photo.final.jpg"},
        {"the Part's example", "/p/filename.jpg",
         [](TBatchProcOptions& o) {
             o.BatchFNPrefType = 2;
             o.BatchFNPrefInitN = 7;
             o.BatchFNLeadZeroes = true;
             o.BatchFNLeadZeroesN = 3;
             o.BatchFNSufType = 1;
             o.BatchFNSuffix = "_web";
         },
         "/p/007filename_web.jpg"},
        {"12 at width 2", "/p/a.jpg",
         [](TBatchProcOptions& o) {
             o.BatchFNPrefType = 2;
             o.BatchFNPrefInitN = 12;
             o.BatchFNLeadZeroes = true;
             o.BatchFNLeadZeroesN = 2;
         },
         "/p/12a.jpg"},
        {"12 at width 4", "/p/a.jpg",
         [](TBatchProcOptions& o) {
             o.BatchFNPrefType = 2;
             o.BatchFNPrefInitN = 12;
             o.BatchFNLeadZeroes = true;
         },
         "/p/0012a.jpg"},
        {"12345 at width 4", "/p/a.jpg",
         [](TBatchProcOptions& o) {
             o.BatchFNSufType = 2;
             o.BatchFNSufInitN = 12345;
             o.BatchFNLeadZeroes = true;
         },
         "/p/a12345.jpg"},
        {"numbers without leading zeroes", "/p/a.jpg",
         [](TBatchProcOptions& o) {
             o.BatchFNSufType = 2;
             o.BatchFNSufInitN = 3;
         },
         "/p/a3.jpg"},
        {"-5 padded", "/p/a.jpg",
         [](TBatchProcOptions& o) {
             o.BatchFNPrefType = 2;
             o.BatchFNPrefInitN = -5;
             o.BatchFNLeadZeroes = true;
             o.BatchFNContOrig = false;
         },
         "/p/00-5.jpg"},
        {"sub-folders mirrored", "/photos/2009/a.jpg",
         [](TBatchProcOptions& o) {
             o.BatchSrcFolder = "/photos";
             o.BatchDestFolder = "/out/";
         },
         "/out/2009/a.jpg"},
        {"the root as base folder", "/2009/a.jpg",
         [](TBatchProcOptions& o) {
             o.BatchSrcFolder = "/";
             o.BatchDestFolder = "/out/";
         },
         "/out/2009/a.jpg"},
        {"directly in the base folder", "/photos/a.png",
         [](TBatchProcOptions& o) {
             o.BatchSrcFolder = "/photos/";
             o.BatchDestFolder = "/out";
         },
         "/out/a.png"},
        {"forced .jpg", "/p/scan.tiff", [](TBatchProcOptions& o) { o.BatchForceJpgExt = true; }, "/p/scan.jpg"},
        {"forced .jpg of nothing", "/p/scan.tiff",
         [](TBatchProcOptions& o) {
             o.BatchForceJpgExt = true;
             o.BatchFNContOrig = false;
         },
         "/p/TEMP.jpg"},
    };
    for (const Case& c : cases) {
        TBatchProcOptions o = Options();
        c.set(o);
        EXPECT_EQ(BatchResultName(c.source, o).toStdString(), c.result) << c.name;
    }
    EXPECT_EQ(vantorel::PathWithoutExt("/a.b/c"), "/a.b/c");
    EXPECT_EQ(vantorel::PathWithoutExt("/a/c.tar.gz"), "/a/c.tar");
    EXPECT_EQ(vantorel::NameWithoutExt("/a.b/c.d"), "c");
}

TEST(FileCollection, MasksRecursionAndOrder) {
    QTemporaryDir dir;
    QDir root(dir.path());
    root.mkpath("sub/deeper");
    root.mkpath(".hidden");
    root.mkdir("folder.jpg"); // a folder named like a picture is not a file
    for (const char* name : {"a.JPG", "b.jpg", "c.png", ".d.jpg", "sub/e.jpg", "sub/deeper/f.Jpg", ".hidden/g.jpg", "h"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFile::link(dir.path(), dir.filePath("sub/loop")); // a link back up never loops the walk

    const auto relative = [&](const QStringList& list) {
        QStringList names;
        for (const QString& p : list)
            names << p.mid(dir.path().size() + 1);
        names.sort();
        return names;
    };
    QStringList flat;
    vantorel::CollectFiles(flat, dir.path(), "*.jpg", false);
    EXPECT_EQ(relative(flat), (QStringList{".d.jpg", "a.JPG", "b.jpg"}));
    QStringList deep;
    vantorel::CollectFiles(deep, dir.path() + "/", "*.jpg", true);
    EXPECT_EQ(relative(deep), (QStringList{".d.jpg", "a.JPG", "b.jpg", "sub/deeper/f.Jpg", "sub/e.jpg"}));
    // A folder's files come before those of its sub-folders.
    EXPECT_TRUE(deep.indexOf(dir.path() + "/sub/e.jpg") < deep.indexOf(dir.path() + "/sub/deeper/f.Jpg"));
    EXPECT_LT(deep.indexOf(dir.path() + "/b.jpg"), deep.indexOf(dir.path() + "/sub/e.jpg"));
    QStringList everything;
    vantorel::CollectFiles(everything, dir.path(), "*.*", false);
    EXPECT_TRUE(everything.contains(dir.path() + "/h"));

    QStringList filtered;
    vantorel::CollectFilesByFilter(filtered, dir.path(), "All|*.jpg;*.png;*.JPG|PNG|*.png", false, 1);
    EXPECT_EQ(filtered.size(), 3 + 1 + 3); // a.JPG and b.jpg match two masks each
    QStringList second;
    vantorel::CollectFilesByFilter(second, dir.path(), "All|*.jpg;*.png|PNG|*.png", false, 2);
    EXPECT_EQ(relative(second), QStringList{"c.png"});
}

} // namespace
