// The preferences record of the interactive program, and its reading and writing.
#pragma once

#include "TBatchProcOptions.h"

#include <QString>

#include <cstdint>

namespace vantorel {

class SettingsStore;

// Read once when the main window is created; lives on the main thread. Each field's stored value
// has the field's name.
struct Preferences {
    bool ParamsSaved = true; // held inverted: true on a first run (the stored value missing or 0)
    bool SaveWindowSize = true;
    bool SaveWindowPos = true;
    bool SaveToolbarsPos = true;
    bool ShowTips = true;
    bool FlatButtons = true; // 1 = buttons with a border; "Flat Buttons" is checked when 0
    bool HiliteButtons = true;
    std::uint8_t InitComprParams = 0; // 0 defaults, 1 last profile, 2 NameDefProfile, 3 Original, 4 Lossless
    QString NameDefProfile;           // at most 64 characters
    std::uint8_t ComprPriority = 2;   // 0 lowest .. 4 highest
    int ComprDelay = 1500;            // ms, 100..5000
    int ComprRatioMaxNumAppr = 10;    // 3..100
    int ComprRatioMaxDiff = 5;        // percent, 1..50
    bool ExtraOptimization = true;
    bool KeepOrigDatetime = true;
    std::uint8_t ImageInfoOptions = 4;
    bool WarnToSave = true;
    std::uint8_t InitWindowSize = 0;
    std::uint8_t InitImagesArrangement = 0;
    std::uint8_t InitImageScale = 0;
    bool AutoComprOnAccept = false;
    bool ConnectedLevels = false;
    int KeepMetadataOptions = 65536;
    std::uint8_t CropAspect = 3;
    int CropWidth = 50;
    int CropHeight = 50;
    int RedEyeRadius = 5;
    bool LargeButtons = false;
    bool CloseAfterSaving = false;
    int ImageBrowseDirection = 1; // 1 inverted dragging, -1 otherwise
    bool AutoRotate = true;
    QString SharingUserID; // at most 8 characters
    int QResizeIndex = 4;
    int QResizeSize = 0;

    bool FirstRun() const { return ParamsSaved; }
};

// Fills both records from the store's root; a missing or malformed value gives its default, and
// values outside the ranges the program offers are limited to them.
void LoadPreferences(const SettingsStore& store, Preferences& preferences, TBatchProcOptions& batch);
// Writes every stored field of both records, and ParamsSaved = 1.
void SavePreferences(SettingsStore& store, const Preferences& preferences, const TBatchProcOptions& batch);

// The don't-show-again answers ("ClrMes", "ShowGetStarted", "HelpOffer", "Quality1",
// "ConfirmOverwrite", "ResizeInfo", "ConfirmBatchOverwrite", ...): true = not shown again.
bool IsSilenced(const SettingsStore& store, const QString& valueName);
void SetSilenced(SettingsStore& store, const QString& valueName, bool silenced);

} // namespace vantorel
