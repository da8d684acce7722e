// The colour adjustments and the frame helpers they share, run on a session
// that works in place on a frame-sized buffer. The frame is restored from the
// pristine copy before every call (untimed), so every call sees the same
// unsaturated data. Bytes processed are the bytes of the frame.
#include <cstring>
#include <string>

#include "adjust/adjust.h"
#include "bench/bench_common.h"
#include "session/frame.h"
#include "session/image_session.h"

namespace vtxbench {
namespace {

using OpFn = std::function<std::int32_t(vtx::ImageSession&, double)>;

struct OperationCase {
    std::string key;      // the member's name
    std::string variant;  // the arguments besides Completeness
    OpFn fn;
    bool hasCompleteness;  // false: one run only, no Completeness variants
    bool honoursMask;      // true: also run with UseMask set
};

std::vector<OperationCase> Cases() {
    using vtx::ImageSession;
    return {
        {"AdjustBrightness", "L+40", [](ImageSession& s, double c) { return vtx::AdjustBrightness(s, c, 40); }, true,
         false},
        {"AdjustBrightness", "L-40", [](ImageSession& s, double c) { return vtx::AdjustBrightness(s, c, -40); },
         true, false},
        {"AdjustBrightnessEx", "40,20,10",
         [](ImageSession& s, double c) { return vtx::AdjustBrightnessEx(s, c, 40, 20, 10); }, true, false},
        {"AdjustBrightnessEx", "40,-20,10",
         [](ImageSession& s, double c) { return vtx::AdjustBrightnessEx(s, c, 40, -20, 10); }, true, false},
        {"AdjustContrast", "L30", [](ImageSession& s, double c) { return vtx::AdjustContrast(s, c, 30.0); }, true,
         true},
        {"AdjustGamma", "L30", [](ImageSession& s, double c) { return vtx::AdjustGamma(s, c, 30.0); }, true, true},
        {"AdjustInvert", "-", [](ImageSession& s, double c) { return vtx::AdjustInvert(s, c); }, true, true},
        {"AdjustPosterize", "n6", [](ImageSession& s, double c) { return vtx::AdjustPosterize(s, c, 6); }, true,
         true},
        {"AdjustThreshold", "128,colour",
         [](ImageSession& s, double c) { return vtx::AdjustThreshold(s, c, 128, vtx::kVariantFalse); }, true, true},
        {"AdjustThreshold", "128,grey",
         [](ImageSession& s, double c) { return vtx::AdjustThreshold(s, c, 128, vtx::kVariantTrue); }, true, true},
        {"AdjustTemperature", "L50", [](ImageSession& s, double c) { return vtx::AdjustTemperature(s, c, 50.0); },
         true, true},
        {"AdjustColorize", "255,160,64",
         [](ImageSession& s, double c) { return vtx::AdjustColorize(s, c, 255, 160, 64); }, true, true},
        {"UtilitySwapChannels", "2,1,0",
         [](ImageSession& s, double) { return vtx::UtilitySwapChannels(s, 2, 1, 0); }, false, false},
        {"AdjustEqualize", "-", [](ImageSession& s, double c) { return vtx::AdjustEqualize(s, c); }, true, false},
        {"AdjustGrayscale", "luma",
         [](ImageSession& s, double c) { return vtx::AdjustGrayscale(s, c, vtx::kVariantFalse); }, true, false},
        {"AdjustGrayscale", "desaturate",
         [](ImageSession& s, double c) { return vtx::AdjustGrayscale(s, c, vtx::kVariantTrue); }, true, false},
        {"AdjustAutocontrast", "-", [](ImageSession& s, double c) { return vtx::AdjustAutocontrast(s, c); }, true,
         true},
        {"AdjustAutolevels", "-", [](ImageSession& s, double c) { return vtx::AdjustAutolevels(s, c); }, true, true},
        {"AdjustHue", "60deg", [](ImageSession& s, double c) { return vtx::AdjustHue(s, c, 60.0); }, true, true},
        {"AdjustSaturation", "L50", [](ImageSession& s, double c) { return vtx::AdjustSaturation(s, c, 50.0); },
         true, false},
    };
}

std::string CName(double c) { return c == 1.0 ? "C1" : "C0.5"; }

// A contrast-like channel table.
struct ContrastTable {
    std::uint8_t t[256];
    ContrastTable() {
        for (int i = 0; i < 256; ++i) {
            const double v = (i - 127.5) * 1.8 + 127.5;
            t[i] = static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
};

void RegisterOperation(const OperationCase& c, double completeness, bool mask) {
    const auto levels = BenchLevels();
    for (const FrameSize& fs : FrameSizes()) {
        for (std::int32_t level : levels) {
            std::string name = "op/" + c.key + "/" + c.variant + "/";
            name += c.hasCompleteness ? CName(completeness) : std::string("-");
            name += mask ? ",mask" : ",nomask";
            name += "/" + fs.Name() + "/" + LevelName(level);
            const OpFn fn = c.fn;
            Register(name, [fn, fs, level, completeness, mask](benchmark::State& st) {
                FrameSet& f = Frames(fs);
                LevelScope scope(level);
                if (!scope.ok()) {
                    st.SkipWithError("level not selectable");
                    return;
                }
                vtx::ImageSession session;  // selects the processor under the forced ceiling
                f.RestoreWork();
                if (session.SetImageInPlace(f.work.data(), fs.width, fs.height) != 0) {
                    st.SkipWithError("SetImageInPlace refused the frame");
                    return;
                }
                session.setUseMask(mask ? vtx::kVariantTrue : vtx::kVariantFalse);
                std::int32_t result = 0;
                Measure(st, fs, fs.FrameBytes(), [&] { f.RestoreWork(); }, [&] { result = fn(session, completeness); });
                if (result != 0) st.SkipWithError(("result " + std::to_string(result)).c_str());
            });
        }
    }
}

void RegisterFrameHelpers() {
    const auto levels = BenchLevels();
    for (const FrameSize& fs : FrameSizes()) {
        for (std::int32_t level : levels) {
            for (bool mask : {false, true}) {
                const std::string name = std::string("frame/ApplyChannelTable/") + (mask ? "mask" : "nomask") + "/" +
                                         fs.Name() + "/" + LevelName(level);
                Register(name, [fs, level, mask](benchmark::State& st) {
                    static const ContrastTable table;
                    FrameSet& f = Frames(fs);
                    LevelScope scope(level);
                    if (!scope.ok()) {
                        st.SkipWithError("level not selectable");
                        return;
                    }
                    vtx::ImageSession session;
                    f.RestoreWork();
                    session.SetImageInPlace(f.work.data(), fs.width, fs.height);
                    session.setUseMask(mask ? vtx::kVariantTrue : vtx::kVariantFalse);
                    bool ok = true;
                    Measure(st, fs, fs.FrameBytes(), [&] { f.RestoreWork(); },
                            [&] { ok = vtx::ApplyChannelTable(session, table.t); });
                    if (!ok) st.SkipWithError("ApplyChannelTable failed");
                });
            }
            const std::string name = "frame/BlendWithOriginal/C0.5/" + fs.Name() + "/" + LevelName(level);
            Register(name, [fs, level](benchmark::State& st) {
                FrameSet& f = Frames(fs);
                LevelScope scope(level);
                if (!scope.ok()) {
                    st.SkipWithError("level not selectable");
                    return;
                }
                vtx::ImageSession session;
                f.RestoreWork();
                session.SetImageInPlace(f.work.data(), fs.width, fs.height);
                // Original = the pristine frame, processed = the second frame,
                // destination = the session's pixels.
                Measure(st, fs, 2 * fs.FrameBytes(), NoPrepare, [&] {
                    vtx::BlendWithOriginal(session, f.pristine.data(), f.Stride(), f.second.data(), f.Stride(), 0.5);
                });
            });
        }
    }
}

}  // namespace

void RegisterOperationBenchmarks() {
    RegisterFrameHelpers();
    for (const OperationCase& c : Cases()) {
        if (!c.hasCompleteness) {
            RegisterOperation(c, 1.0, false);
            continue;
        }
        for (double completeness : {1.0, 0.5}) {
            RegisterOperation(c, completeness, false);
            if (c.honoursMask) RegisterOperation(c, completeness, true);
        }
    }
}

}  // namespace vtxbench
