// The options of one batch: where results go, the profile applied, and how results are named.
#pragma once

#include <QString>

#include <cstdint>

namespace vantorel {

// A plain value, copied into each batch; a new record is all zeroes and empty strings. The fields
// that persist between sessions are stored under their own names.
struct TBatchProcOptions {
    QString BatchSrcFolder;
    QString BatchDestFolder;
    QString BatchDestFoldersList;
    QString BatchProfile;
    bool BatchToWeb = false;
    bool BatchToApp = false;
    QString BatchWebID;
    QString BatchWebGallery;
    bool BatchFNContOrig = false;
    std::uint8_t BatchFNPrefType = 0;
    std::uint8_t BatchFNSufType = 0;
    QString BatchFNPrefix;
    QString BatchFNSuffix;
    std::int32_t BatchFNPrefInitN = 0;
    std::int32_t BatchFNSufInitN = 0;
    bool BatchFNLeadZeroes = false;
    std::int32_t BatchFNLeadZeroesN = 0;
    std::uint8_t BatchUIMode = 0;
    bool BatchForceJpgExt = false;
};

} // namespace vantorel
