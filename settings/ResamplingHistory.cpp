// The resampling history in the settings store.
#include "ResamplingHistory.h"

#include "SettingsStore.h"

#include <algorithm>

namespace vantorel {

std::vector<ResamplingEntry> LoadResamplingHistory(SettingsStore& s) {
    s.SetGroup("Resampling");
    std::vector<ResamplingEntry> history;
    const int count = std::clamp(s.ReadInt("Number", 0), 0, kMaxResamplingHistory);
    for (int n = 1; n <= count; ++n) {
        const QString i = QString::number(n);
        ResamplingEntry e;
        e.Purpose = s.ReadInt("Purpose" + i, 0);
        e.Method = s.ReadInt("Method" + i, 1);
        e.Fidelity = s.ReadInt("Fidelity" + i, 256);
        e.WUnits = s.ReadInt("WUnits" + i, 1);
        e.HUnits = s.ReadInt("HUnits" + i, e.WUnits);
        e.Width = s.ReadInt("Width" + i, 0);
        e.Height = s.ReadInt("Height" + i, 0);
        e.Aspect = s.ReadBool("Aspect" + i, true);
        history.push_back(e);
    }
    s.SetGroup({});
    return history;
}

void SaveResamplingHistory(SettingsStore& s, const std::vector<ResamplingEntry>& history) {
    s.SetGroup("Resampling");
    const std::size_t skip = history.size() > kMaxResamplingHistory ? history.size() - kMaxResamplingHistory : 0;
    int n = 0;
    for (std::size_t k = skip; k < history.size(); ++k) {
        const ResamplingEntry& e = history[k];
        const QString i = QString::number(++n);
        s.WriteInt("Purpose" + i, e.Purpose);
        s.WriteInt("Method" + i, e.Method);
        s.WriteInt("Fidelity" + i, e.Fidelity);
        s.WriteInt("WUnits" + i, e.WUnits);
        s.WriteInt("HUnits" + i, e.HUnits);
        s.WriteInt("Width" + i, e.Width);
        s.WriteInt("Height" + i, e.Height);
        s.WriteBool("Aspect" + i, e.Aspect);
    }
    s.WriteInt("Number", n);
    s.SetGroup({});
}

} // namespace vantorel
