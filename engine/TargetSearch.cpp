// TJPEGImage: the search for the levels that bring the result to a target size or ratio.
#include "TJPEGImage.h"

#include "Bitmap24.h"
#include "MonotonicClock.h"
#include "Rounding.h"

#include <algorithm>
#include <cmath>

using namespace vantorel;

namespace {

int ClampTo(int value, int lo, int hi) {
    return std::min(std::max(value, lo), hi);
}

// True when the settings differ too much from the last search to start where it ended.
bool SettingsDiffer(const TJPEGProfile& s, const TJPEGProfile& last) {
    const double ratio = s.ComprRatio, lastRatio = last.ComprRatio;
    if (!(std::abs(ratio - lastRatio) <= 0.2 * ratio) || lastRatio == 0)
        return true;
    if (std::abs(s.LumCompressionLevel - last.LumCompressionLevel) > 20 ||
        std::abs(s.ChromCompressionLevel - last.ChromCompressionLevel) > 20)
        return true;
    if (s.Grayscale != last.Grayscale || s.EqualizerFullControl != last.EqualizerFullControl ||
        s.Precision != last.Precision)
        return true;
    if (s.EqualizerFullControl) {
        const auto& b = s.QualityEqualizerBand;
        const int a = std::max(RoundEven((b[0] + b[1] + b[2]) / 3.0), 1);
        for (int i = 0; i < 3; ++i)
            if (std::abs(last.QualityEqualizerBand[static_cast<std::size_t>(i)] - a) > 10)
                return true;
    }
    return false;
}

struct SearchState {
    double T = 0, R = 0, Rprev = 0, E = 0, tol = 0;
    int L = 0, C = 0;
    std::array<int, 5> b{};
    int primaryLo = 1, primaryHi = 100, chromaLo = 1, chromaHi = 100;
    int dir = 0, prevDir = 0;
    int dP = 0, dC = 0, dB = 0;
    bool extreme = false;
    int i = 0;
    bool fullControl = false;

    void Load(const TJPEGProfile& w) {
        L = w.LumCompressionLevel;
        C = w.ChromCompressionLevel;
        for (std::size_t k = 0; k < 5; ++k)
            b[k] = w.QualityEqualizerBand[k];
    }
    void Store(TJPEGProfile& w) const {
        w.LumCompressionLevel = static_cast<std::uint8_t>(ClampTo(L, 1, 100));
        w.ChromCompressionLevel = static_cast<std::uint8_t>(ClampTo(C, 1, 100));
        for (std::size_t k = 0; k < 5; ++k)
            w.QualityEqualizerBand[k] = static_cast<std::int8_t>(ClampTo(b[k], -50, 50));
    }
    bool FirstBandsAtEnds() const {
        return std::all_of(b.begin(), b.begin() + 3, [](int v) { return v == -50 || v == 50; });
    }
    // The secant-like step: the previous step scaled by how far the target still is.
    int Step(int previous, double f) const { return RoundEven(std::abs(previous * f)) * dir; }

    void StartStep(TJPEGProfile& working, const TJPEGProfile& s, const TJPEGProfile& lastResult) {
        const TJPEGProfile previous = working; // the levels the previous search ended with
        working = s;
        fullControl = s.EqualizerFullControl != 0;
        if (!SettingsDiffer(s, lastResult)) {
            working.LumCompressionLevel = previous.LumCompressionLevel;
            working.ChromCompressionLevel = previous.ChromCompressionLevel;
            if (fullControl)
                working.QualityEqualizerBand = previous.QualityEqualizerBand;
        }
        Load(working);
        if (fullControl) {
            primaryLo = -50;
            primaryHi = 50;
        } else {
            primaryLo = 1;
            primaryHi = 100;
            const int m0 = std::max(L + RoundEven((C - L) * 0.25), 1);
            const int k = L + RoundEven((C - L) * 0.3);
            L = RoundEven(static_cast<double>(L) * k / m0);
            C = RoundEven(static_cast<double>(C) * k / m0);
        }
        chromaLo = 1;
        chromaHi = 100;
        Store(working);
    }

    // Moves C to its bounds, keeping the step equal to the move actually made.
    void ClampChroma() {
        const int clamped = ClampTo(C, chromaLo, chromaHi);
        dC -= C - clamped;
        C = clamped;
    }

    void DampChroma() {
        if ((C < 12 && dC < -8) || (C > 92 && dC > 8)) {
            const int e = RoundEven(dC * 0.65);
            C = C - dC + e;
            dC = e;
        }
    }

    void AdjustStep(TJPEGProfile& working) {
        Load(working);
        prevDir = dir;
        dir = R < T ? -1 : 1;
        const bool second = i == 1;
        if (second)
            prevDir = dir;
        const int prevP = dP, prevC = dC, prevB = dB;
        double f = 0;
        if (!second) {
            if (R == Rprev)
                Rprev -= 0.01;
            f = std::min(E / std::abs(R - Rprev), 5.0);
        }
        if (fullControl) {
            dP = second ? 4 * dir : Step(prevP, f);
            dC = second ? 4 * dir : Step(prevC, f);
            extreme = FirstBandsAtEnds() && (C == 1 || C == 100);
            for (int& v : b)
                v += dP;
            C += dC;
            const int a0 = RoundEven((b[0] + b[1] + b[2]) / 3.0);
            for (int& v : b)
                v = ClampTo(v, -50, 50);
            const int a1 = RoundEven((b[0] + b[1] + b[2]) / 3.0);
            dP = dP + a1 - a0;
            if ((a1 < -38 && dP < -8) || (a1 > 42 && dP > 8)) {
                const int e = RoundEven(dP * 0.65);
                for (int& v : b)
                    v -= dP - e;
                dP = e;
            }
            ClampChroma();
        } else {
            if (!second && dir != prevDir && prevP != 0) {
                if (prevDir < 0) {
                    primaryLo = L + 1;
                    chromaLo = C + 1;
                } else {
                    primaryHi = L - 1;
                    chromaHi = C - 1;
                }
            }
            dP = second ? 4 * dir : Step(prevP, f);
            if (dP == 0)
                dB = prevB == 0 ? 3 * dir : Step(prevB, f);
            dC = dP;
            L += dP;
            C += dC;
            if (dB != 0) {
                extreme = FirstBandsAtEnds();
                for (int& v : b)
                    v += dB;
            }
            const int clampedL = ClampTo(L, primaryLo, primaryHi);
            dP -= L - clampedL;
            L = clampedL;
            ClampChroma();
            if ((L < 12 && dP < -8) || (L > 92 && dP > 8)) {
                const int e = RoundEven(dP * 0.65);
                L = L - dP + e;
                dP = e;
            }
        }
        DampChroma();
        Store(working);
    }
};

} // namespace

void TJPEGImage::SearchTarget() {
    EngineSettings& s = S();
    if (s.ComprRatio == 0)
        SetTargetSize(s.TargetFileSize);
    m_searching = true;
    m_passCount = 0;
    const TJPEGProfile start = GetProfile();
    SearchState st;
    st.T = s.ComprRatio;
    st.tol = s.Tolerance * static_cast<double>(s.ComprRatio) * 0.01;
    const int m = std::max(1, s.MaxPasses);
    const TJPEGDataPtr previous = m_data;
    m_dctCache.Mode = DctCache::ModeKind::kFill;
    try {
        ReportProgress(ProgressStage::kStarting, 0, true);
        for (;;) {
            if (st.i == 0)
                st.StartStep(m_working, start, m_lastResult);
            else
                st.AdjustStep(m_working);
            ++st.i;
            if (st.dP != 0 || st.dC != 0 || st.dB != 0 || st.i <= 1) {
                ++m_passCount;
                EncodeOnce();
                if (ResultSize() == 0)
                    break;
                if (OnSearchPass)
                    OnSearchPass(m_working, *m_data);
                st.Rprev = st.R;
                st.R = static_cast<double>(m_data->Width) * m_data->Height * 3 / ResultSize();
                st.E = std::abs(st.T - st.R);
            }
            if (st.i == m)
                break;
            if (st.dP == 0 && st.dC == 0 && st.extreme)
                break;
            if (st.R > st.T && st.E < st.tol)
                break;
            if (st.E >= st.tol)
                continue;
            if (st.i > m - 4)
                break;
        }
    } catch (...) {
        // A cancellation or an error ends the search quietly with the result it started from.
        m_data = previous;
    }
    m_lastResult = start;
    m_dctCache.Release();
    m_searching = false;
    try {
        ReportProgress(ProgressStage::kEnding, 100, true);
    } catch (const OperationAborted&) {
        // Too late to cancel: the search is over.
    }
}
