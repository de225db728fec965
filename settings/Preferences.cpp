// Reading and writing the preferences and batch records.
#include "Preferences.h"

#include "SettingsStore.h"

#include <algorithm>

namespace vantorel {

namespace {

std::uint8_t ReadByte(const SettingsStore& s, const char* name, int fallback) {
    const int v = s.ReadInt(name, fallback);
    return static_cast<std::uint8_t>(v >= 0 && v <= 255 ? v : fallback);
}

int ReadRange(const SettingsStore& s, const char* name, int fallback, int lo, int hi) {
    return std::clamp(s.ReadInt(name, fallback), lo, hi);
}

} // namespace

void LoadPreferences(const SettingsStore& s, Preferences& p, TBatchProcOptions& b) {
    p.ParamsSaved = s.ReadInt("ParamsSaved", 0) == 0;
    p.SaveWindowSize = s.ReadBool("SaveWindowSize", true);
    p.SaveWindowPos = s.ReadBool("SaveWindowPos", true);
    p.SaveToolbarsPos = s.ReadBool("SaveToolbarsPos", true);
    p.ShowTips = s.ReadBool("ShowTips", true);
    p.FlatButtons = s.ReadBool("FlatButtons", true);
    p.HiliteButtons = s.ReadBool("HiliteButtons", true);
    p.InitComprParams = ReadByte(s, "InitComprParams", 0);
    p.NameDefProfile = s.ReadText("NameDefProfile").left(64);
    p.ComprPriority = ReadByte(s, "ComprPriority", 2);
    // Out-of-range values are limited to what the preferences dialog offers.
    p.ComprDelay = ReadRange(s, "ComprDelay", 1500, 100, 5000);
    p.ComprRatioMaxNumAppr = ReadRange(s, "ComprRatioMaxNumAppr", 10, 3, 100);
    p.ComprRatioMaxDiff = ReadRange(s, "ComprRatioMaxDiff", 5, 1, 50);
    p.ExtraOptimization = s.ReadBool("ExtraOptimization", true);
    p.KeepOrigDatetime = s.ReadBool("KeepOrigDatetime", true);
    p.ImageInfoOptions = ReadByte(s, "ImageInfoOptions", 4);
    p.WarnToSave = s.ReadBool("WarnToSave", true);
    p.InitWindowSize = ReadByte(s, "InitWindowSize", 0);
    p.InitImagesArrangement = ReadByte(s, "InitImagesArrangement", 0);
    p.InitImageScale = ReadByte(s, "InitImageScale", 0);
    p.AutoComprOnAccept = s.ReadBool("AutoComprOnAccept", false);
    p.ConnectedLevels = s.ReadBool("ConnectedLevels", false);
    p.KeepMetadataOptions = s.ReadInt("KeepMetadataOptions", 65536);
    p.CropAspect = ReadByte(s, "CropAspect", 3);
    p.CropWidth = s.ReadInt("CropWidth", 50);
    p.CropHeight = s.ReadInt("CropHeight", 50);
    p.RedEyeRadius = s.ReadInt("RedEyeRadius", 5);
    p.LargeButtons = s.ReadBool("LargeButtons", false);
    p.CloseAfterSaving = s.ReadBool("CloseAfterSaving", false);
    p.ImageBrowseDirection = s.ReadInt("ImageBrowseDirection", 1) < 0 ? -1 : 1;
    p.AutoRotate = s.ReadBool("AutoRotate", true);
    p.SharingUserID = s.ReadText("SharingUserID").left(8);
    p.QResizeIndex = s.ReadInt("QResizeIndex", 4);
    p.QResizeSize = s.ReadInt("QResizeSize", 0);

    b = TBatchProcOptions{};
    b.BatchDestFolder = s.ReadText("BatchDestFolder");
    b.BatchDestFoldersList = s.ReadText("BatchDestFoldersList");
    b.BatchProfile = s.ReadText("BatchProfile");
    b.BatchFNContOrig = s.ReadBool("BatchFNContOrig", true);
    b.BatchFNPrefType = ReadByte(s, "BatchFNPrefType", 0);
    b.BatchFNSufType = ReadByte(s, "BatchFNSufType", 0);
    b.BatchFNPrefix = s.ReadText("BatchFNPrefix");
    b.BatchFNSuffix = s.ReadText("BatchFNSuffix");
    b.BatchFNPrefInitN = s.ReadInt("BatchFNPrefInitN", 1);
    b.BatchFNSufInitN = s.ReadInt("BatchFNSufInitN", 1);
    b.BatchFNLeadZeroes = s.ReadBool("BatchFNLeadZeroes", false);
    b.BatchFNLeadZeroesN = s.ReadInt("BatchFNLeadZeroesN", 4);
    const int mode = s.ReadInt("BatchUIMode", -1);
    if (mode < 0)
        b.BatchUIMode = s.ReadBool("BatchMinWnd", false) ? 2 : (s.ReadBool("BatchFGProcess", true) ? 0 : 1);
    else
        b.BatchUIMode = static_cast<std::uint8_t>(std::min(mode, 3));
}

void SavePreferences(SettingsStore& s, const Preferences& p, const TBatchProcOptions& b) {
    s.WriteInt("ParamsSaved", 1);
    s.WriteBool("SaveWindowSize", p.SaveWindowSize);
    s.WriteBool("SaveWindowPos", p.SaveWindowPos);
    s.WriteBool("SaveToolbarsPos", p.SaveToolbarsPos);
    s.WriteBool("ShowTips", p.ShowTips);
    s.WriteBool("FlatButtons", p.FlatButtons);
    s.WriteBool("HiliteButtons", p.HiliteButtons);
    s.WriteInt("InitComprParams", p.InitComprParams);
    s.WriteText("NameDefProfile", p.NameDefProfile.left(64));
    s.WriteInt("ComprPriority", p.ComprPriority);
    s.WriteInt("ComprDelay", p.ComprDelay);
    s.WriteInt("ComprRatioMaxNumAppr", p.ComprRatioMaxNumAppr);
    s.WriteInt("ComprRatioMaxDiff", p.ComprRatioMaxDiff);
    s.WriteBool("ExtraOptimization", p.ExtraOptimization);
    s.WriteBool("KeepOrigDatetime", p.KeepOrigDatetime);
    s.WriteInt("ImageInfoOptions", p.ImageInfoOptions);
    s.WriteBool("WarnToSave", p.WarnToSave);
    s.WriteInt("InitWindowSize", p.InitWindowSize);
    s.WriteInt("InitImagesArrangement", p.InitImagesArrangement);
    s.WriteInt("InitImageScale", p.InitImageScale);
    s.WriteBool("AutoComprOnAccept", p.AutoComprOnAccept);
    s.WriteBool("ConnectedLevels", p.ConnectedLevels);
    s.WriteInt("KeepMetadataOptions", p.KeepMetadataOptions);
    s.WriteInt("CropAspect", p.CropAspect);
    s.WriteInt("CropWidth", p.CropWidth);
    s.WriteInt("CropHeight", p.CropHeight);
    s.WriteInt("RedEyeRadius", p.RedEyeRadius);
    s.WriteBool("LargeButtons", p.LargeButtons);
    s.WriteBool("CloseAfterSaving", p.CloseAfterSaving);
    s.WriteInt("ImageBrowseDirection", p.ImageBrowseDirection);
    s.WriteBool("AutoRotate", p.AutoRotate);
    s.WriteText("SharingUserID", p.SharingUserID.left(8));
    s.WriteInt("QResizeIndex", p.QResizeIndex);
    s.WriteInt("QResizeSize", p.QResizeSize);

    s.WriteText("BatchDestFolder", b.BatchDestFolder);
    s.WriteText("BatchDestFoldersList", b.BatchDestFoldersList);
    s.WriteText("BatchProfile", b.BatchProfile);
    s.WriteBool("BatchFNContOrig", b.BatchFNContOrig);
    s.WriteInt("BatchFNPrefType", b.BatchFNPrefType);
    s.WriteInt("BatchFNSufType", b.BatchFNSufType);
    s.WriteText("BatchFNPrefix", b.BatchFNPrefix);
    s.WriteText("BatchFNSuffix", b.BatchFNSuffix);
    s.WriteInt("BatchFNPrefInitN", b.BatchFNPrefInitN);
    s.WriteInt("BatchFNSufInitN", b.BatchFNSufInitN);
    s.WriteBool("BatchFNLeadZeroes", b.BatchFNLeadZeroes);
    s.WriteInt("BatchFNLeadZeroesN", b.BatchFNLeadZeroesN);
    s.WriteInt("BatchUIMode", b.BatchUIMode);
}

bool IsSilenced(const SettingsStore& store, const QString& valueName) { return store.ReadBool(valueName, false); }

void SetSilenced(SettingsStore& store, const QString& valueName, bool silenced) { store.WriteBool(valueName, silenced); }

} // namespace vantorel
