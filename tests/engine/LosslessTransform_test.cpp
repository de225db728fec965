// The Lossless mode, lossless rotation against jpegtran, EXIF orientations and EXIF rewriting.
#include "ExifGlue.h"
#include "TJPEGImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using testsupport::PictureKind;

namespace {

class Lossless : public ::testing::Test {
protected:
    std::string Dir() const { return m_dir.path().toStdString(); }
    std::vector<std::uint8_t> Jpeg(const QImage& picture, const std::string& options) {
        return testsupport::CjpegCompress(picture, options, Dir());
    }
    // The file after a shell tool ran over it in place.
    std::vector<std::uint8_t> Run(const std::vector<std::uint8_t>& bytes, const std::string& command) {
        const std::string in = testsupport::WriteTempFile(Dir(), "tool-in.jpg", bytes), out = Dir() + "/tool-out.jpg";
        std::string output;
        const std::string line = command + " '" + in + "' > '" + out + "'";
        EXPECT_EQ(testsupport::RunCommand(line, &output), 0) << line << "\n" << output;
        return testsupport::ReadFileBytes(out);
    }
    QTemporaryDir m_dir;
};

TEST_F(Lossless, TheLosslessModeCopiesTheSourcesCoefficients) {
    for (const char* options : {"-quality 80 -sample 2x2", "-quality 60 -progressive -sample 1x1", "-grayscale"}) {
        SCOPED_TRACE(options);
        const std::vector<std::uint8_t> bytes = Jpeg(testsupport::MakePicture(77, 50, PictureKind::kPhotoLike), options);
        TJPEGImage source;
        source.LoadFromBytes(bytes);
        TJPEGImage result;
        result.AttachSource(&source);
        result.CopySourceData(source, true);
        result.SetSource(source.GetBitmap());
        result.Settings().CompressionMode = 2;
        result.Settings().LumCompressionLevel = 5; // levels do not matter
        result.Settings().ProgressiveEncoding = true;
        // Neither prefilters nor watermarks touch a lossless result.
        result.Settings().BaseFilter.ActiveFilter = 2;
        result.Overlays().push_back(std::make_unique<TOverlay>(77, 50));
        result.Overlays().back()->Entry.OverlayType = 1;
        result.Compress();
        ASSERT_EQ(result.LastError(), "");
        EXPECT_EQ(testsupport::ReadCoefficients(result.Data()->Stream), testsupport::ReadCoefficients(bytes));
        const testsupport::JpegInfo info = testsupport::InspectJpeg(result.Data()->Stream);
        EXPECT_FALSE(info.Progressive); // always sequential
        EXPECT_TRUE(info.HasJfif);
    }
}

TEST_F(Lossless, RotationEqualsJpegtran) {
    struct Rotation {
        int code;
        const char* jpegtran;
    };
    for (const char* options : {"-sample 2x2", "-sample 1x1", "-sample 2x1", "-progressive -sample 2x2"}) {
        for (const QSize size : {QSize(64, 48), QSize(67, 45)}) { // on and off the MCU grid
            const std::vector<std::uint8_t> bytes = testsupport::InsertSegments(
                Jpeg(testsupport::MakePicture(size.width(), size.height(), PictureKind::kPhotoLike), options),
                {{0xE2, "profile"}, {0xFE, "comment"}});
            for (const Rotation r : {Rotation{1, "-rotate 90"}, Rotation{2, "-rotate 270"}, Rotation{3, "-rotate 180"}}) {
                SCOPED_TRACE(std::string(options) + " " + r.jpegtran + " " + std::to_string(size.width()));
                TJPEGImage engine;
                engine.LoadFromBytes(bytes);
                vantorel::ModificationEntry entry;
                entry.ModifyType = 7;
                entry.Value1_ = r.code;
                engine.LosslessRotate(entry, false);
                EXPECT_EQ(engine.Data()->Stream, Run(bytes, std::string("jpegtran -copy all ") + r.jpegtran));
                EXPECT_EQ(engine.Data()->Width, r.code == 3 ? size.width() : size.height());
            }
        }
    }
    // Anything but a rotation copies the stream; a broken stream replaces nothing.
    TJPEGImage engine;
    const std::vector<std::uint8_t> bytes = Jpeg(testsupport::MakePicture(16, 16, PictureKind::kGradient), "");
    engine.LoadFromBytes(bytes);
    engine.LosslessRotate(vantorel::ModificationEntry{1, 0, 0, 0, 3, 0}, false);
    EXPECT_EQ(engine.Data()->Stream, bytes);
    EXPECT_THROW(engine.LoadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 100)), EJPEG);
    const TJPEGDataPtr before = engine.Data();
    EXPECT_THROW(engine.LosslessRotate(vantorel::ModificationEntry{1, 0, 0, 0, 7, 0}, false), EJPEG);
    EXPECT_EQ(engine.Data(), before);
}


TEST_F(Lossless, ApplyingARotationInTheLosslessModeTransformsTheSourceData) {
    const std::vector<std::uint8_t> bytes = Jpeg(testsupport::MakePicture(64, 40, PictureKind::kPhotoLike), "-sample 2x2");
    TJPEGImage source;
    source.LoadFromBytes(bytes);
    TJPEGImage result;
    result.AttachSource(&source);
    result.CopySourceData(source, true);
    result.SetSource(source.GetBitmap());
    source.KeepBitmap = true;
    result.Settings().CompressionMode = 2;
    result.Modifications().AddModification(7, 1, 0, 0, false, false);
    result.Modifications().AddModification(3, -100, 0, 0, false, false); // only marked applied
    result.Modifications().ApplyModification(2);
    result.Modifications().ApplyModification(1);
    EXPECT_FALSE(result.Modifications().HasUnapplied());
    EXPECT_EQ(source.Data()->Stream, Run(bytes, "jpegtran -copy all -rotate 90"));
    EXPECT_FALSE(source.KeepBitmap);
    ASSERT_EQ(result.DecodedBitmap().size(), QSize(40, 64));
    EXPECT_EQ(result.DecodedBitmap(), source.DecodedBitmap()); // a copy of the source decoded again
    EXPECT_NE(result.DecodedBitmap().constBits(), source.DecodedBitmap().constBits());
}

TEST(Orientation, ComposesToTheRotationTable) {
    // Written orientation by rotation applied (rows) and source orientation class (columns).
    const int table[4][4] = {{1, 3, 6, 8}, {8, 6, 1, 3}, {6, 8, 3, 1}, {3, 1, 8, 6}};
    const int classOrientation[4] = {1, 3, 6, 8};
    for (int rotation = 0; rotation < 4; ++rotation)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(vantorel::ComposeOrientations(vantorel::InverseOrientation(vantorel::OrientationOfRotation(rotation)),
                                                    classOrientation[c]),
                      table[rotation][c])
                << "rotation " << rotation << " class " << c;
    for (int o = 1; o <= 8; ++o)
        EXPECT_EQ(vantorel::ComposeOrientations(o, vantorel::InverseOrientation(o)), 1) << o;
}

// For each orientation: the stored picture that the orientation turns upright, made by jpegtran.
const char* const kStoredFromUpright[9] = {nullptr, "", "-flip horizontal", "-rotate 180", "-flip vertical",
                                           "-transpose", "-rotate 270", "-transverse", "-rotate 90"};

TEST_F(Lossless, EveryOrientationEndsUpright) {
    const QImage upright = testsupport::MakePicture(64, 48, PictureKind::kPhotoLike);
    const std::vector<std::uint8_t> uprightJpeg = Jpeg(upright, "-quality 95 -sample 1x1");
    TJPEGImage reference;
    reference.LoadFromBytes(uprightJpeg);
    const QImage expected = reference.GetBitmap();
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE("orientation " + std::to_string(o));
        std::vector<std::uint8_t> stored =
            o == 1 ? uprightJpeg : Run(uprightJpeg, std::string("jpegtran -copy all ") + kStoredFromUpright[o]);
        stored = Run(stored, "exiftool -q -Orientation#=" + std::to_string(o) + " -o -");

        // Auto-rotation turns the source upright and its class becomes 0.
        TJPEGImage source;
        source.Settings().DoAutoRotate = true;
        source.LoadFromBytes(stored);
        const QImage decoded = source.GetBitmap();
        const testsupport::Difference d = testsupport::Compare(decoded, expected);
        EXPECT_LE(d.max, 2); // a transposed inverse DCT rounds a little differently
        EXPECT_LT(d.mean, 0.2);
        EXPECT_EQ(source.OrientationClass(), 0);

        // Without it the result keeps the stored pixels and says how to turn them upright.
        TJPEGImage kept;
        kept.LoadFromBytes(stored);
        kept.GetBitmap();
        EXPECT_EQ(kept.Orientation(), o);
        EXPECT_EQ(kept.OrientationClass(), (o + 1) / 3);
        TJPEGImage result;
        result.AttachSource(&kept);
        result.CopySourceData(kept, true);
        result.SetSource(kept.DecodedBitmap());
        result.Settings().KeepJPEGDataMask = 0x10002;
        result.Settings().LumCompressionLevel = result.Settings().ChromCompressionLevel = 98;
        result.Compress();
        const auto fields = vantorel::ReadExifFields(result.MarkerTexts()[1]);
        ASSERT_TRUE(fields.has_value());
        const std::vector<std::uint8_t> turned =
            fields->Orientation == 1 ? result.Data()->Stream
                                     : Run(result.Data()->Stream,
                                           std::string("jpegtran -copy all ") +
                                               kStoredFromUpright[vantorel::InverseOrientation(fields->Orientation)]);
        TJPEGImage check;
        check.LoadFromBytes(turned);
        const testsupport::Difference r = testsupport::Compare(check.GetBitmap(), expected);
        EXPECT_LT(r.mean, 2.5);
    }
}

QJsonObject ExifJson(const std::string& path) {
    std::string output;
    EXPECT_EQ(testsupport::RunCommand("exiftool -j -G1 -n -EXIF:all '" + path + "'", &output), 0) << output;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(output));
    return doc.array().isEmpty() ? QJsonObject() : doc.array().first().toObject();
}

TEST_F(Lossless, RecompressionRewritesOnlyTheSizeResolutionAndOrientationTags) {
    const std::string path = testsupport::WriteTempFile(
        Dir(), "camera.jpg", Jpeg(testsupport::MakePicture(120, 80, PictureKind::kPhotoLike), "-quality 90"));
    std::string output;
    ASSERT_EQ(testsupport::RunCommand("exiftool -q -overwrite_original -Make=TestCam -Model='Model 7' "
                                      "-DateTimeOriginal='2024:05:06 07:08:09' -ExposureTime=0.01 -FNumber=2.8 "
                                      "-ISO=400 -Artist='A. Person' -XResolution=300 -YResolution=300 "
                                      "-ResolutionUnit=inches -Orientation#=1 -ExifImageWidth=120 -ExifImageHeight=80 "
                                      "-GPSLatitude=48.1 -GPSLatitudeRef=N '" +
                                          path + "'",
                                      &output),
              0)
        << output;
    TJPEGImage source;
    source.LoadFromBytes(testsupport::ReadFileBytes(path));
    const QImage decoded = source.GetBitmap();
    TJPEGImage result;
    result.AttachSource(&source);
    result.CopySourceData(source, true);
    result.SetSource(decoded.scaled(60, 40));
    result.Settings().KeepJPEGDataMask = 0x10002;
    result.Settings().XDensity = result.Settings().YDensity = 150;
    result.Modifications().AddModification(7, 1, 0, 0, true, false); // rotated 90 degrees clockwise
    result.Compress();
    ASSERT_EQ(result.LastError(), "");
    const testsupport::JpegInfo info = testsupport::InspectJpeg(result.Data()->Stream);
    EXPECT_FALSE(info.HasJfif); // EXIF kept: no JFIF header
    const std::string out = testsupport::WriteTempFile(Dir(), "result.jpg", result.Data()->Stream);

    QJsonObject before = ExifJson(path), after = ExifJson(out);
    EXPECT_EQ(after.value("IFD0:XResolution").toDouble(), 150);
    EXPECT_EQ(after.value("IFD0:ResolutionUnit").toInt(), 2);
    EXPECT_EQ(after.value("IFD0:Orientation").toInt(), 8); // the table's value for 90 degrees from upright
    EXPECT_EQ(after.value("ExifIFD:ExifImageWidth").toInt(), 60);
    EXPECT_EQ(after.value("ExifIFD:ExifImageHeight").toInt(), 40);
    EXPECT_EQ(after.value("IFD0:ImageWidth").toInt(), 60);
    for (const char* updated : {"IFD0:XResolution", "IFD0:YResolution", "IFD0:ResolutionUnit", "IFD0:Orientation",
                                "ExifIFD:ExifImageWidth", "ExifIFD:ExifImageHeight", "IFD0:ImageWidth",
                                "IFD0:ImageHeight", "SourceFile"}) {
        before.remove(updated);
        after.remove(updated);
    }
    EXPECT_EQ(before, after) << QJsonDocument(before).toJson().toStdString() << "\n"
                             << QJsonDocument(after).toJson().toStdString();
    EXPECT_GT(before.size(), 8);
}

// A string of every byte of the literal, NULs included.
template <std::size_t N> std::string Bytes(const char (&literal)[N]) { return std::string(literal, N - 1); }

TEST_F(Lossless, DamagedExifIsIgnoredAndNeverBreaksTheResult) {
    const std::vector<std::uint8_t> plain = Jpeg(testsupport::MakePicture(32, 32, PictureKind::kGradient), "");
    // TIFF headers with an IFD that points to itself, a huge entry count, and an ASCII orientation.
    const std::string selfLoop = Bytes("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\x08\0\0\0");
    const std::string manyEntries = Bytes("Exif\0\0MM\0*\0\0\0\x08\xFF\xFF") + std::string(64, '\x01');
    const std::string asciiOrientation = Bytes("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x02\0\x02\0\0\0" "6\0\0\0\0\0");
    for (const std::string& app1 : {selfLoop, manyEntries, asciiOrientation, Bytes("Exif\0\0garbage!")}) {
        TJPEGImage source;
        source.Settings().DoAutoRotate = true;
        source.LoadFromBytes(testsupport::InsertSegments(plain, {{0xE1, app1}}));
        EXPECT_EQ(source.GetBitmap().size(), QSize(32, 32)); // never rotated by a bad orientation
        EXPECT_EQ(source.Settings().XDensity, 96);
        source.ExifTags();
        TJPEGImage result;
        result.AttachSource(&source);
        result.CopySourceData(source, true);
        result.SetSource(source.DecodedBitmap());
        result.Settings().KeepJPEGDataMask = 0x10002;
        result.Compress();
        ASSERT_GT(result.ResultSize(), 0);
        EXPECT_EQ(testsupport::DecodeWithLibjpeg(result.Data()->Stream).size(), QSize(32, 32));
    }
}

TEST_F(Lossless, ResolveLosslessModeExplainsTheFallback) {
    struct Case {
        bool jpegSource;
        int appliedKind, pendingKind; // -1 = none
        int reasons;
    };
    for (const Case& c : {Case{false, -1, -1, 1}, Case{true, -1, -1, 0}, Case{true, 2, -1, 2}, Case{true, -1, 3, 4},
                          Case{false, 2, -1, 3}, Case{true, 7, -1, 0}}) {
        TJPEGImage engine;
        if (c.jpegSource)
            engine.LoadFromBytes(Jpeg(testsupport::MakePicture(8, 8, PictureKind::kGradient), ""));
        if (c.appliedKind >= 0)
            engine.Modifications().AddModification(static_cast<std::uint8_t>(c.appliedKind), 1, 0, 0, true, false);
        if (c.pendingKind >= 0)
            engine.Modifications().AddModification(static_cast<std::uint8_t>(c.pendingKind), 1, 0, 0, false, false);
        vantorel::TJPEGProfile p = engine.GetProfile();
        p.MatchMask = vantorel::kMatchLevels;
        p.CompressionMode = 2;
        engine.ApplyProfile(p);
        EXPECT_EQ(engine.ResolveLosslessMode(), c.reasons);
        EXPECT_EQ(engine.Settings().CompressionMode, c.reasons ? 1 : 2);
        EXPECT_EQ(engine.ResolveLosslessMode(), 0); // once per applied profile
    }
}

} // namespace
