// The history of applied resampling parameters, kept in the "Resampling" group.
#pragma once

#include <vector>

namespace vantorel {

class SettingsStore;

struct ResamplingEntry {
    int Purpose = 0;
    int Method = 1;
    int Fidelity = 256;
    int WUnits = 1;
    int HUnits = 1;
    int Width = 0;
    int Height = 0;
    bool Aspect = true;
    bool operator==(const ResamplingEntry&) const = default;
};

inline constexpr int kMaxResamplingHistory = 25;

// Oldest first; at most 25 entries.
std::vector<ResamplingEntry> LoadResamplingHistory(SettingsStore& store);
void SaveResamplingHistory(SettingsStore& store, const std::vector<ResamplingEntry>& history);

} // namespace vantorel
