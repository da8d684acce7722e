// Rank filters and uniform noise, per frame size and implementation level,
// and beside them the nearest OpenCV calls (median blur, erosion and
// dilation with rectangular kernels) on the same BGRA frame.
//
// The filters read a source with a border of r pixels on every side, made
// here once per radius by repeating the synthetic frame's edge pixels, as
// the operations do before calling them. The benchmarks register themselves
// when the binary starts, for the plain, SSE2 and best levels of this
// processor.
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "bench/bench_common.h"
#include "primitives/rank_noise.h"

#ifdef VTX_BENCH_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace vtxbench {
namespace {

// The frame with its edges repeated r pixels outwards; step 4·(W + 2r).
const Buffer& Bordered(FrameSet& f, std::int32_t r) {
    static std::map<std::string, std::unique_ptr<Buffer>> cache;
    const std::string key = f.size.Name() + "/" + std::to_string(r);
    auto it = cache.find(key);
    if (it != cache.end()) return *it->second;
    const std::int64_t bw = f.size.width + 2 * std::int64_t{r}, bh = f.size.height + 2 * std::int64_t{r};
    auto b = std::make_unique<Buffer>(static_cast<std::size_t>(bw * bh * 4));
    for (std::int64_t y = 0; y < bh; ++y) {
        const std::int64_t sy = y < r ? 0 : (y >= r + f.size.height ? f.size.height - 1 : y - r);
        for (std::int64_t x = 0; x < bw; ++x) {
            const std::int64_t sx = x < r ? 0 : (x >= r + f.size.width ? f.size.width - 1 : x - r);
            std::memcpy(b->data() + 4 * (y * bw + x), f.pristine.data() + 4 * (sy * f.size.width + sx), 4);
        }
    }
    return *cache.emplace(key, std::move(b)).first->second;
}

using Filter = px::Status (*)(const std::uint8_t*, std::int32_t, std::uint8_t*, std::int32_t, px::RoiSize, px::RoiSize,
                              px::RoiPoint);
using Shaped = px::Status (*)(const std::uint8_t*, std::int32_t, std::uint8_t*, std::int32_t, px::RoiSize, std::int32_t);

px::Status RunFilter(benchmark::State& st, FrameSet& f, Filter fn, std::int32_t r) {
    const Buffer& b = Bordered(f, r);
    const std::int32_t step = 4 * (f.size.width + 2 * r);
    const std::uint8_t* src = b.data() + static_cast<std::ptrdiff_t>(r) * (step + 4);
    px::Status status = px::kStsOk;
    Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
        status = fn(src, step, f.dst.data(), f.Stride(), f.size.Roi(), {2 * r + 1, 2 * r + 1}, {r, r});
    });
    return status;
}

px::Status RunShaped(benchmark::State& st, FrameSet& f, Shaped fn, std::int32_t code) {
    const Buffer& b = Bordered(f, 2);
    const std::int32_t step = 4 * (f.size.width + 4);
    const std::uint8_t* src = b.data() + 2 * (step + 4);
    px::Status status = px::kStsOk;
    Measure(st, f.size, f.size.FrameBytes(), NoPrepare,
            [&] { status = fn(src, step, f.dst.data(), f.Stride(), f.size.Roi(), code); });
    return status;
}

// In-place noise on a copy of the 16-bit or float images, restored untimed.
px::Status RunNoise(benchmark::State& st, FrameSet& f, int layout) {
    Buffer& from = layout == 2 ? f.f32Pristine : f.s16Pixels;
    static std::map<std::string, std::unique_ptr<Buffer>> copies;
    auto& copy = copies[f.size.Name() + std::to_string(layout)];
    if (!copy) copy = std::make_unique<Buffer>(from.size());
    const std::int32_t step = static_cast<std::int32_t>(f.size.width * (layout == 0 ? 2 : (layout == 1 ? 8 : 4)));
    std::uint32_t seed = 12345;
    px::Status status = px::kStsOk;
    Measure(
        st, f.size, static_cast<std::int64_t>(step) * f.size.height,
        [&] { std::memcpy(copy->data(), from.data(), copy->size()); },
        [&] {
            if (layout == 0) {
                status = px::AddRandUniform_Direct_16s_C1IR(copy->as<std::int16_t>(), step, f.size.Roi(), -20, 20, &seed);
            } else if (layout == 1) {
                status = px::AddRandUniform_Direct_16s_AC4IR(copy->as<std::int16_t>(), step, f.size.Roi(), -20, 20, &seed);
            } else {
                status = px::AddRandUniform_Direct_32f_C1IR(copy->as<float>(), step, f.size.Roi(), -5.0f, 5.0f, &seed);
            }
        });
    return status;
}

struct Case {
    std::string key;
    std::function<px::Status(benchmark::State&, FrameSet&)> run;
};

std::vector<Case> Cases() {
    std::vector<Case> cases;
    for (const std::int32_t r : {1, 2, 10, 50, 255}) {
        const std::string v = ":r=" + std::to_string(r);
        cases.push_back({"FilterMin_8u_AC4R" + v, [r](auto& st, auto& f) { return RunFilter(st, f, px::FilterMin_8u_AC4R, r); }});
        cases.push_back({"FilterMax_8u_AC4R" + v, [r](auto& st, auto& f) { return RunFilter(st, f, px::FilterMax_8u_AC4R, r); }});
    }
    for (const std::int32_t m : {1, 2, 3, 7, 25, 50}) {
        const std::string v = ":" + std::to_string(2 * m + 1) + "x" + std::to_string(2 * m + 1);
        cases.push_back({"FilterMedian_8u_AC4R" + v, [m](auto& st, auto& f) { return RunFilter(st, f, px::FilterMedian_8u_AC4R, m); }});
    }
    const std::pair<const char*, std::int32_t> shapes[] = {{"Cross", 33}, {"Cross", 55}, {"Vert", 13},
                                                           {"Vert", 15},  {"Horiz", 31}, {"Horiz", 51}};
    for (const auto& [shape, code] : shapes) {
        const Shaped fn = std::string(shape) == "Cross" ? px::FilterMedianCross_8u_AC4R
                          : std::string(shape) == "Vert" ? px::FilterMedianVert_8u_AC4R
                                                         : px::FilterMedianHoriz_8u_AC4R;
        cases.push_back({std::string("FilterMedian") + shape + "_8u_AC4R:" + std::to_string(code),
                         [fn, code = code](auto& st, auto& f) { return RunShaped(st, f, fn, code); }});
    }
    cases.push_back({"AddRandUniform_Direct_16s_C1IR", [](auto& st, auto& f) { return RunNoise(st, f, 0); }});
    cases.push_back({"AddRandUniform_Direct_16s_AC4IR", [](auto& st, auto& f) { return RunNoise(st, f, 1); }});
    cases.push_back({"AddRandUniform_Direct_32f_C1IR", [](auto& st, auto& f) { return RunNoise(st, f, 2); }});
    return cases;
}

#ifdef VTX_BENCH_HAVE_OPENCV
void RegisterOpenCv() {
    const std::pair<const char*, const char*> pairs[] = {
        {"FilterMedian_8u_AC4R:3x3", "medianBlur3"}, {"FilterMedian_8u_AC4R:5x5", "medianBlur5"},
        {"FilterMedian_8u_AC4R:7x7", "medianBlur7"}, {"FilterMin_8u_AC4R:r=1", "erode3x3"},
        {"FilterMin_8u_AC4R:r=10", "erode21x21"},    {"FilterMax_8u_AC4R:r=1", "dilate3x3"},
        {"FilterMax_8u_AC4R:r=10", "dilate21x21"}};
    for (const auto& [ours, theirs] : pairs) benchmark::AddCustomContext(std::string("pair:") + ours, theirs);
    struct CvCase {
        const char* name;
        const char* label;
        int kind, k;  // 0 median, 1 erode, 2 dilate; kernel size
    };
    const CvCase cvCases[] = {{"medianBlur3", "cv::medianBlur ksize 3 (BGRA)", 0, 3},
                              {"medianBlur5", "cv::medianBlur ksize 5 (BGRA)", 0, 5},
                              {"medianBlur7", "cv::medianBlur ksize 7 (BGRA)", 0, 7},
                              {"erode3x3", "cv::erode 3x3 rect (BGRA)", 1, 3},
                              {"erode21x21", "cv::erode 21x21 rect (BGRA)", 1, 21},
                              {"dilate3x3", "cv::dilate 3x3 rect (BGRA)", 2, 3},
                              {"dilate21x21", "cv::dilate 21x21 rect (BGRA)", 2, 21}};
    for (const CvCase& c : cvCases) {
        for (const FrameSize& fs : FrameSizes()) {
            Register(std::string("cv/") + c.name + "/" + fs.Name(), [c, fs](benchmark::State& st) {
                cv::setNumThreads(1);
                FrameSet& f = Frames(fs);
                cv::Mat a(fs.height, fs.width, CV_8UC4, f.pristine.data()), d(fs.height, fs.width, CV_8UC4, f.dst.data());
                const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(c.k, c.k));
                Measure(st, fs, fs.FrameBytes(), NoPrepare, [&] {
                    if (c.kind == 0) {
                        cv::medianBlur(a, d, c.k);
                    } else if (c.kind == 1) {
                        cv::erode(a, d, kernel);
                    } else {
                        cv::dilate(a, d, kernel);
                    }
                });
                st.SetLabel(c.label);
            });
        }
    }
}
#endif

// Registered before main() runs.
const bool kRegistered = [] {
    std::vector<std::int32_t> levels = {px::kCpuPlain};
    const std::int32_t best = BestLevel();
    if (best >= px::kCpuSse2) levels.push_back(px::kCpuSse2);
    if (best > px::kCpuSse2) levels.push_back(best);
    for (const Case& c : Cases()) {
        for (const FrameSize& fs : FrameSizes()) {
            for (const std::int32_t level : levels) {
                auto run = c.run;
                Register("prim/" + c.key + "/" + fs.Name() + "/" + LevelName(level), [run, fs, level](benchmark::State& st) {
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
#ifdef VTX_BENCH_HAVE_OPENCV
    RegisterOpenCv();
#endif
    return true;
}();

}  // namespace
}  // namespace vtxbench
