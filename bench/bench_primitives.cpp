// Every primitive of the pixel family, per frame size and implementation
// level. Bytes processed are the bytes of the source region in its own
// layout (a W x H plane counts W·H bytes, a 16-bit AC4 image 8·W·H).
#include <cstring>
#include <string>

#include "bench/bench_common.h"
#include "primitives/pixel.h"

namespace vtxbench {
namespace {

struct PrimitiveCase {
    std::string key;
    // Runs the measurement loop for one frame set; returns the last status.
    std::function<px::Status(benchmark::State&, FrameSet&)> run;
};

const std::uint8_t kValue3[3] = {40, 40, 40};
const std::uint8_t kValue4[4] = {16, 128, 240, 255};
const float kGrayCoeffs[3] = {0.11f, 0.59f, 0.30f};
const std::int32_t kSwapOrder[3] = {2, 1, 0};

// Tables for the lookup primitive: every channel with 257 levels (0 .. 256),
// one interval per byte value, values trunc(1.5·j) (clamped by the
// primitive): the densest table the operations pass.
struct LutTables {
    std::int32_t levels[257];
    std::int32_t values[257];
    const std::int32_t* levelPtr[3];
    const std::int32_t* valuePtr[3];
    std::int32_t counts[3];
    LutTables() {
        for (int j = 0; j <= 256; ++j) {
            levels[j] = j;
            values[j] = (j * 3) / 2;
        }
        for (int c = 0; c < 3; ++c) {
            levelPtr[c] = levels;
            valuePtr[c] = values;
            counts[c] = 257;
        }
    }
};

// Three byte tables like a temperature adjustment's: red up, green a little
// up, blue down, saturating.
struct ChannelTables {
    std::uint8_t t[3][256];
    const std::uint8_t* ptr[3];
    ChannelTables() {
        const int shift[3] = {-10, 3, 15};
        for (int c = 0; c < 3; ++c) {
            for (int i = 0; i < 256; ++i) {
                const int v = i + shift[c];
                t[c][i] = static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
            ptr[c] = t[c];
        }
    }
};

std::vector<PrimitiveCase> Cases() {
    std::vector<PrimitiveCase> cases;
    auto add = [&cases](std::string key, std::function<px::Status(benchmark::State&, FrameSet&)> fn) {
        cases.push_back({std::move(key), std::move(fn)});
    };

    add("Copy_8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::Copy_8u_AC4R(f.pristine.data(), f.Stride(), f.dst.data(), f.Stride(), f.size.Roi());
        });
        return s;
    });
    add("Copy_8u_C1C4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.Pixels(), NoPrepare, [&] {
            s = px::Copy_8u_C1C4R(f.plane.data(), f.size.width, f.dst.data() + 1, f.Stride(), f.size.Roi());
        });
        return s;
    });
    add("Copy_8u_C4C1R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::Copy_8u_C4C1R(f.pristine.data() + 1, f.Stride(), f.plane.data(), f.size.width, f.size.Roi());
        });
        return s;
    });
    add("Copy_8u_P4C4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        const std::uint8_t* planes[4] = {f.planes[0].data(), f.planes[1].data(), f.planes[2].data(),
                                         f.planes[3].data()};
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::Copy_8u_P4C4R(planes, f.size.width, f.dst.data(), f.Stride(), f.size.Roi());
        });
        return s;
    });
    add("Set_8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare,
                [&] { s = px::Set_8u_AC4R(kValue3, f.dst.data(), f.Stride(), f.size.Roi()); });
        return s;
    });
    add("Set_8u_C4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare,
                [&] { s = px::Set_8u_C4R(kValue4, f.dst.data(), f.Stride(), f.size.Roi()); });
        return s;
    });
    add("Convert_8u16s_C1R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.Pixels(), NoPrepare, [&] {
            s = px::Convert_8u16s_C1R(f.plane.data(), f.size.width, f.s16Plane.as<std::int16_t>(), 2 * f.size.width,
                                      f.size.Roi());
        });
        return s;
    });
    add("Convert_8u16s_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::Convert_8u16s_AC4R(f.pristine.data(), f.Stride(), f.s16Pixels.as<std::int16_t>(),
                                       8 * f.size.width, f.size.Roi());
        });
        return s;
    });
    add("Convert_16s8u_C1R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, 2 * f.size.Pixels(), NoPrepare, [&] {
            s = px::Convert_16s8u_C1R(f.s16Plane.as<std::int16_t>(), 2 * f.size.width, f.plane.data(), f.size.width,
                                      f.size.Roi());
        });
        return s;
    });
    add("Convert_16s8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, 8 * f.size.Pixels(), NoPrepare, [&] {
            s = px::Convert_16s8u_AC4R(f.s16Pixels.as<std::int16_t>(), 8 * f.size.width, f.dst.data(), f.Stride(),
                                       f.size.Roi());
        });
        return s;
    });
    // In place: the frame is restored before every call so that each call
    // sees the same, mostly unsaturated, data.
    add("AddC_8u_AC4IRSfs", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), [&] { f.RestoreWork(); },
                [&] { s = px::AddC_8u_AC4IRSfs(kValue3, f.work.data(), f.Stride(), f.size.Roi(), 0); });
        return s;
    });
    add("SubC_8u_AC4IRSfs", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), [&] { f.RestoreWork(); },
                [&] { s = px::SubC_8u_AC4IRSfs(kValue3, f.work.data(), f.Stride(), f.size.Roi(), 0); });
        return s;
    });
    add("Add_8u_AC4RSfs", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, 2 * f.size.FrameBytes(), NoPrepare, [&] {
            s = px::Add_8u_AC4RSfs(f.pristine.data(), f.Stride(), f.second.data(), f.Stride(), f.dst.data(),
                                   f.Stride(), f.size.Roi(), 1);
        });
        return s;
    });
    add("Sqr_8u_AC4RSfs", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::Sqr_8u_AC4RSfs(f.pristine.data(), f.Stride(), f.dst.data(), f.Stride(), f.size.Roi(), 7);
        });
        return s;
    });
    add("Sum_8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        double sum[3] = {0, 0, 0};
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::Sum_8u_AC4R(f.pristine.data(), f.Stride(), f.size.Roi(), sum);
            benchmark::DoNotOptimize(sum);
        });
        return s;
    });
    // The frame has no 0 in any channel, so the scan never stops early.
    add("Min_8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        std::uint8_t mn[3] = {0, 0, 0};
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::Min_8u_AC4R(f.pristine.data(), f.Stride(), f.size.Roi(), mn);
            benchmark::DoNotOptimize(mn);
        });
        return s;
    });
    add("LUT_8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        static const LutTables t;
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::LUT_8u_AC4R(f.pristine.data(), f.Stride(), f.dst.data(), f.Stride(), f.size.Roi(), t.valuePtr,
                                t.levelPtr, t.counts);
        });
        return s;
    });
    // In place, three different tables; the frame is restored before every
    // call. With the alpha test, about half of the pixels (those inside the
    // frame's ellipse) are mapped.
    for (std::int32_t skip : {0, 1}) {
        add(skip ? "MapChannels_8u_AC4IR:skipalpha" : "MapChannels_8u_AC4IR", [skip](benchmark::State& st, FrameSet& f) {
            px::Status s = 0;
            static const ChannelTables t;
            Measure(st, f.size, f.size.FrameBytes(), [&] { f.RestoreWork(); }, [&] {
                s = px::MapChannels_8u_AC4IR(t.ptr, f.work.data(), f.Stride(), f.size.Roi(), skip);
            });
            return s;
        });
    }
    // In place on a float plane with values on both sides of [0, 255]; the
    // plane is restored before every call.
    add("Threshold_LTValGTVal_32f_C1IR", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        const auto bytes = static_cast<std::size_t>(4 * f.size.Pixels());
        Measure(
            st, f.size, 4 * f.size.Pixels(), [&] { std::memcpy(f.f32Work.data(), f.f32Pristine.data(), bytes); },
            [&] {
                s = px::Threshold_LTValGTVal_32f_C1IR(f.f32Work.as<float>(), 4 * f.size.width, f.size.Roi(), 0.0f,
                                                      0.0f, 255.0f, 255.0f);
            });
        return s;
    });
    add("AlphaCompC_8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, 2 * f.size.FrameBytes(), NoPrepare, [&] {
            s = px::AlphaCompC_8u_AC4R(f.pristine.data(), f.Stride(), 127, f.second.data(), f.Stride(), 255,
                                       f.dst.data(), f.Stride(), f.size.Roi(), 0);
        });
        return s;
    });
    add("ColorToGray_8u_AC4C1R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::ColorToGray_8u_AC4C1R(f.pristine.data(), f.Stride(), f.plane.data(), f.size.width, f.size.Roi(),
                                          kGrayCoeffs);
        });
        return s;
    });
    add("BGRToHLS_8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::BGRToHLS_8u_AC4R(f.pristine.data(), f.Stride(), f.dst.data(), f.Stride(), f.size.Roi());
        });
        return s;
    });
    // Any byte triple is a valid hue-lightness-saturation pixel; the
    // synthetic frame gives every hue, lightness and saturation.
    add("HLSToRGB_8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::HLSToRGB_8u_AC4R(f.pristine.data(), f.Stride(), f.dst.data(), f.Stride(), f.size.Roi());
        });
        return s;
    });
    add("SwapChannels_8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::SwapChannels_8u_AC4R(f.pristine.data(), f.Stride(), f.dst.data(), f.Stride(), f.size.Roi(),
                                         kSwapOrder);
        });
        return s;
    });
    add("CopyReplicateBorder_8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        const px::RoiSize br = f.BorderedRoi();
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::CopyReplicateBorder_8u_AC4R(f.pristine.data(), f.Stride(), f.size.Roi(), f.bordered.data(),
                                                4 * br.width, br, kBorder, kBorder);
        });
        return s;
    });
    add("CopyReplicateBorder_8u_C1R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        const px::RoiSize br = f.BorderedRoi();
        Measure(st, f.size, f.size.Pixels(), NoPrepare, [&] {
            s = px::CopyReplicateBorder_8u_C1R(f.plane.data(), f.size.width, f.size.Roi(), f.borderedPlane.data(),
                                               br.width, br, kBorder, kBorder);
        });
        return s;
    });
    add("CopyConstBorder_8u_AC4R", [](benchmark::State& st, FrameSet& f) {
        px::Status s = 0;
        const px::RoiSize br = f.BorderedRoi();
        const std::uint8_t value[3] = {0, 0, 0};
        Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
            s = px::CopyConstBorder_8u_AC4R(f.pristine.data(), f.Stride(), f.size.Roi(), f.bordered.data(),
                                            4 * br.width, br, kBorder, kBorder, value);
        });
        return s;
    });
    return cases;
}

}  // namespace

void RegisterPrimitiveBenchmarks() {
    const auto levels = BenchLevels();
    for (const PrimitiveCase& c : Cases()) {
        for (const FrameSize& fs : FrameSizes()) {
            for (std::int32_t level : levels) {
                const std::string name = "prim/" + c.key + "/" + fs.Name() + "/" + LevelName(level);
                auto run = c.run;
                Register(name, [run, fs, level](benchmark::State& st) {
                    FrameSet& f = Frames(fs);
                    LevelScope scope(level);
                    if (!scope.ok()) {
                        st.SkipWithError("level not selectable");
                        return;
                    }
                    const px::Status status = run(st, f);
                    if (status != px::kStsOk) st.SkipWithError(("status " + std::to_string(status)).c_str());
                });
            }
        }
    }
}

}  // namespace vtxbench
