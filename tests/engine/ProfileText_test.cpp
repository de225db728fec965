// The profile text format: writing, reading, defaults, clamps, upgrades and bad input.
#include "ProfileText.h"
#include "TJPEGImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <chrono>

using vantorel::TJPEGProfile;

namespace {

// Loads text into a fresh engine and returns the engine's profile afterwards.
TJPEGProfile Load(const std::string& text, TJPEGImage& engine) {
    engine.LoadProfileFromText(text, "test");
    return engine.GetProfile();
}

TEST(ProfileText, DefaultEngineRoundTripsThroughAFile) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("My Profile.jcp").toStdString();
    TJPEGImage writer;
    writer.SaveProfileText(path);
    TJPEGImage reader;
    reader.LoadProfileText(path);
    TJPEGProfile reference = writer.GetProfile();
    reference.MatchMask = 0x1FFFFF;
    EXPECT_TRUE(TJPEGImage::ProfilesMatch(reader.GetProfile(), reference));
    EXPECT_EQ(reader.Settings().ProfileName, "My Profile");
}

TEST(ProfileText, WritesTheLinesInOrder) {
    TJPEGImage engine;
    engine.Settings().LumCompressionLevel = 71; // level 30
    const std::string text = vantorel::WriteProfileText(engine.GetProfile());
    EXPECT_EQ(
        text.rfind("[ Vantorel ]\r\n[ Compression Profile ]\r\n\r\nVersion=7\r\n[ Main ]\r\n\r\nMatchMask=2080639\r\n"
                   "ManualSet=0\r\nKeepJPEGDataMask=65536\r\nCompressionMode=0\r\nLumCompressionLevel=30\r\n"
                   "ChromCompressionLevel=51\r\nQualityEqualizerBand1=0\r\n",
                   0),
        0u)
        << text;
    EXPECT_EQ(text.find("ComprRatio"), std::string::npos); // no target set
    EXPECT_EQ(text.find("Comments"), std::string::npos);   // empty values are not written
    EXPECT_EQ(text.find("[ Selective Compression ]"), std::string::npos);
    EXPECT_EQ(text.find("[ Overlays ]"), std::string::npos);
    EXPECT_NE(
        text.find("DoAutoRotate=0\r\nNumOverlays=0\r\nNumModifiers=0\r\n\r\n[ Selections ]\r\n\r\nNumSelUnits=0\r\n"),
        std::string::npos)
        << text;
    const std::size_t purpose = text.find("ResamplingPurpose"), dpi = text.find("ResolutionVertDPI=96");
    EXPECT_LT(text.find("\r\n\r\n[ Resampling ]\r\n\r\n"), purpose);
    EXPECT_LT(text.find("ResamplingFidLevel"), dpi);
}

TEST(ProfileText, KeysDefaultsAndClamps) {
    struct Case {
        const char* text;
        int lum; // expected luma quality
        int chrom;
    };
    const Case cases[] = {{"LUMCOMPRESSIONLEVEL=30", 71, 50}, // keys ignore case
                          {"", 50, 50},                       // absent: level 51 = quality 50
                          {"LumCompressionLevel=0", 100, 50}, // 101 clamped to 100
                          {"LumCompressionLevel=250\r\nChromCompressionLevel=-3", 1, 100},
                          {"LumCompressionLevel=20\nLumCompressionLevel=90", 81, 50}}; // the first line wins
    for (const Case& c : cases) {
        TJPEGImage engine;
        const TJPEGProfile p = Load(c.text, engine);
        EXPECT_EQ(p.LumCompressionLevel, c.lum) << c.text;
        EXPECT_EQ(p.ChromCompressionLevel, c.chrom) << c.text;
    }

    TJPEGImage engine;
    const TJPEGProfile p = Load("\xEF\xBB\xBFjunk\r\nMatchMask=2097151\r\nQualityEqualizerBand2=99\rFilterRadius="
                                "0\nActiveFilter=9\r\nFilterValue=70\r\n"
                                "RestartInterval=999999\r\nOverlayText1=x\r\nComprRatio=12500\r\n",
                                engine);
    EXPECT_EQ(p.QualityEqualizerBand[1], 50);
    EXPECT_EQ(p.ActiveFilter, 5);
    EXPECT_EQ(p.FilterRadius, 1);
    EXPECT_EQ(p.FilterValue, 70);
    EXPECT_EQ(p.RestartInterval, 65535u); // a restart interval is a 16-bit field
    EXPECT_FLOAT_EQ(engine.Settings().ComprRatio, 12.5f);
    EXPECT_TRUE(engine.TargetEnabled());
    EXPECT_TRUE(engine.Settings().DoAutoRotate); // DoAutoRotate defaults to 1 when read
}

TEST(ProfileText, OverlaysAndCommentsRoundTripWithLineBreaks) {
    TJPEGImage engine;
    engine.SetSource(QImage(50, 40, QImage::Format_BGR888));
    TJPEGProfile p = engine.GetProfile();
    p.MatchMask = 0x1FFFFF;
    p.NumOverlays = 2;
    p.Overlays[0] = vantorel::OverlayEntry::Defaults();
    p.Overlays[0].OverlayText = "A\r\nB=C *CRLF* end";
    p.Overlays[1] = vantorel::OverlayEntry::Defaults();
    p.Overlays[1].OverlayType = 1;
    p.Overlays[1].OverlayImageFileName = "/pictures/logo.png";
    p.Overlays[1].OverlayToleranceLevel = 12;
    p.Comments = "Line one\r\nline two\nline three\rfour";
    engine.ApplyProfile(p);

    const std::string text = vantorel::WriteProfileText(engine.GetProfile());
    EXPECT_NE(text.find("\r\nOverlayText1=A*CRLF*B=C *CRLF* end\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("OverlayFontName1"), std::string::npos); // empty: not written
    EXPECT_EQ(text.find("OverlayImageFileName1"), std::string::npos);
    EXPECT_NE(text.find("\r\n[ Overlays ]\r\n"), std::string::npos);

    TJPEGImage reader;
    reader.SetSource(QImage(50, 40, QImage::Format_BGR888));
    const TJPEGProfile back = Load(text, reader);
    EXPECT_EQ(back.Overlays[0].OverlayText, "A\r\nB=C \r\n end");
    EXPECT_EQ(back.Overlays[0].OverlayFontName, "");
    EXPECT_EQ(back.Overlays[1].OverlayImageFileName, "/pictures/logo.png");
    EXPECT_EQ(back.Overlays[1].OverlayToleranceLevel, 12);
    EXPECT_EQ(back.Comments, p.Comments);

    // A single-line comment is written and read exactly as it stands.
    TJPEGImage single;
    single.Settings().Comments = "  plain *CRLF* text  ";
    const std::string singleText = vantorel::WriteProfileText(single.GetProfile());
    EXPECT_NE(singleText.find("\r\nComments=plain *CRLF* text\r\n"), std::string::npos);
    EXPECT_EQ(singleText.find("CommentsMultiline"), std::string::npos);
    TJPEGImage singleBack;
    EXPECT_EQ(Load(singleText, singleBack).Comments, "plain *CRLF* text");
}

TEST(ProfileText, SelectionsAndModifications) {
    TJPEGImage engine;
    engine.SelectionUnits() = {
        {0, 10, 20, 30, 40, {}, true}, {2, 1, 2, 3, 4, {{1, 2}, {3, 4}}, true}, {9, 0, 0, 0, 0, {}, true}};
    engine.Modifications().AddModification(3, 10, 20, 30, true, false);
    const std::string text = vantorel::WriteProfileText(engine.GetProfile());
    EXPECT_NE(text.find("SelUnitKind2=2\r\nSelUnitNumPoints2=2\r\nSelUnitPnt1X2=1\r\nSelUnitPnt1Y2=2\r\n"
                        "SelUnitPnt2X2=3\r\nSelUnitPnt2Y2=4\r\nSelUnitKind3=9\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("NumModifiers=1\r\nModifyType1=3\r\nValue1_1=10\r\n"), std::string::npos);

    TJPEGImage reader;
    const TJPEGProfile back = Load(text, reader);
    EXPECT_EQ(reader.SelectionUnits(), engine.SelectionUnits());
    EXPECT_EQ(back.NumModifiers, 1);
    EXPECT_EQ(reader.Modifications().Entry(1).Value3_, 30);
    EXPECT_EQ(reader.Modifications().Entry(1).Applied, 0); // still to be applied
}

TEST(ProfileText, VersionUpgrades) {
    TJPEGImage v5;
    TJPEGProfile p = Load("Version=5\r\nMatchMask=0\r\nNumModifiers=2\r\nModifyType1=4\r\nModifyType2=3", v5);
    EXPECT_EQ(p.MatchMask, 0x1F0100u);
    EXPECT_EQ(v5.Modifications().Entry(1).ModifyType, 5);
    EXPECT_EQ(v5.Modifications().Entry(2).ModifyType, 3);
    // Found by fuzzing: the last old kind (and anything clamped to it) stays a known kind, so that
    // the profile reads back as it was written.
    TJPEGImage last;
    p = Load("Version=5\r\nMatchMask=0\r\nNumModifiers=2\r\nModifyType1=10\r\nModifyType2=70", last);
    EXPECT_EQ(p.Modifiers[0].ModifyType, 10);
    EXPECT_EQ(p.Modifiers[1].ModifyType, 10);

    TJPEGImage v3;
    p = Load("MatchMask=0\r\nResamplingWidth=640\r\nResamplingHeight=480", v3); // no Version: 3
    EXPECT_EQ(p.MatchMask, 0x1F8100u);
    EXPECT_EQ(p.NumModifiers, 1);
    EXPECT_EQ(p.Modifiers[0].ModifyType, 0);

    TJPEGImage v7;
    p = Load("Version=7\r\nMatchMask=1\r\nNumModifiers=1\r\nModifyType1=4", v7);
    EXPECT_EQ(p.MatchMask, 1u);
}

TEST(ProfileText, NumOverlaysZeroDeletesTheOverlays) {
    TJPEGImage engine;
    engine.Overlays().push_back(std::make_unique<TOverlay>(1, 1));
    Load("MatchMask=32768\r\nNumOverlays=0", engine);
    EXPECT_TRUE(engine.Overlays().empty());
}

TEST(ProfileText, InvalidIntegersRefuseTheWholeFile) {
    for (const char* value : {"abc", "", "1e3", "0x10", "99999999999", "12 ", "--4", "+-4"}) {
        TJPEGImage engine;
        engine.Settings().LumCompressionLevel = 77;
        const std::string text = std::string("FilterRadius=") + value + "\r\nLumCompressionLevel=10\r\n";
        try {
            engine.LoadProfileFromText(text, "bad");
            ADD_FAILURE() << "accepted '" << value << "'";
        } catch (const vantorel::EngineError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + value + "' is not a valid integer value");
        }
        EXPECT_EQ(engine.Settings().LumCompressionLevel, 77) << value; // nothing applied
    }
    TJPEGImage engine; // the unsigned masks take the full 32-bit range
    EXPECT_EQ(Load("ManualSet=4294967295\r\nFilterRadius=-4", engine).ManualSet, 4294967295u);
}

TEST(ProfileText, HostileFilesAreBounded) {
    // Huge unit counts end when the 8191-integer stream is full, quickly and without a large allocation.
    TJPEGImage units;
    const auto start = std::chrono::steady_clock::now();
    TJPEGProfile p = Load("MatchMask=4096\r\nNumSelUnits=2147483647", units);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(p.NumSelUnits, 8191 / 5);
    EXPECT_LE(p.SelDataCount, 8191);

    TJPEGImage points;
    p = Load("MatchMask=4096\r\nNumSelUnits=2\r\nSelUnitKind1=2\r\nSelUnitNumPoints1=-5\r\n"
             "SelUnitKind2=2\r\nSelUnitNumPoints2=100000",
             points);
    EXPECT_EQ(p.NumSelUnits, 1); // the polygon that cannot fit is not stored
    EXPECT_TRUE(points.SelectionUnits()[0].Points.empty());

    TJPEGImage overlays;
    EXPECT_EQ(Load("NumOverlays=17\r\nMatchMask=32768", overlays).NumOverlays, 16);
    TJPEGImage nul;
    EXPECT_EQ(Load(std::string("LumCompressionLevel=3\0"
                               "1\r\n",
                               25),
                   nul)
                  .LumCompressionLevel,
              70); // NULs removed
}

TEST(ProfileText, FileErrors) {
    QTemporaryDir dir;
    TJPEGImage engine;
    engine.Settings().LumCompressionLevel = 12;
    const auto expectError = [&](const std::string& path, const std::string& part) {
        try {
            engine.LoadProfileText(path);
            ADD_FAILURE() << "loaded " << path;
        } catch (const vantorel::EngineError& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
        EXPECT_EQ(engine.Settings().LumCompressionLevel, 12);
    };
    expectError(dir.filePath("missing.jcp").toStdString(), "missing.jcp");
    expectError(dir.path().toStdString(), "folder");
    std::vector<std::uint8_t> big(1024 * 1024 + 1, 'x');
    expectError(testsupport::WriteTempFile(dir.path().toStdString(), "big.jcp", big), "too large");
    expectError("/dev/zero", "too large");
    try {
        engine.SaveProfileText(dir.filePath("no/such/folder/p.jcp").toStdString());
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const vantorel::EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("p.jcp"), std::string::npos);
    }
}

TEST(ProfileText, MatchBitsOfKeys) {
    EXPECT_EQ(vantorel::MatchBitsOfKey("restartinterval"), vantorel::kMatchRestart);
    EXPECT_EQ(vantorel::MatchBitsOfKey("QualityEqualizerBand3"), vantorel::kMatchEqualizer);
    EXPECT_EQ(vantorel::MatchBitsOfKey("SelUnitPnt3X2"), vantorel::kMatchSelections);
    EXPECT_EQ(vantorel::MatchBitsOfKey("Value1_4"), vantorel::kMatchRotation | vantorel::kMatchOtherModifications);
    EXPECT_EQ(vantorel::MatchBitsOfKey("Version"), 0u);
}

} // namespace
