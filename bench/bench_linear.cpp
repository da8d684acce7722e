// The linear filter primitives per frame size and level, and the nearest
// OpenCV calls on the same BGRA frame. Sources are a copy of the frame with
// replicated borders of kPad pixels on every side, so that every window up to
// 511 x 511 has its neighbourhood.
//
// The benchmarks are registered when the program starts (this file has no
// call in the benchmark main): for the plain level, SSE2, AVX2 and the best
// level of the processor, as far as it reaches.
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "primitives/linear_filter.h"
#include "primitives/pixel.h"

#ifdef VTX_BENCH_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace vtxbench {
namespace {

constexpr std::int32_t kPad = 255;

// The padded frame and a copy that the in-place filter works on.
struct Padded {
    Buffer frame, work;
    std::int32_t step = 0;
    std::uint8_t* At(Buffer& b) { return b.data() + std::ptrdiff_t{kPad} * step + 4 * kPad; }
};

Padded& PaddedFrame(FrameSet& f) {
    static std::map<std::string, std::unique_ptr<Padded>> sets;
    auto& p = sets[f.size.Name()];
    if (!p) {
        p = std::make_unique<Padded>();
        const px::RoiSize big{f.size.width + 2 * kPad, f.size.height + 2 * kPad};
        p->step = 4 * big.width;
        const auto bytes = static_cast<std::size_t>(p->step) * static_cast<std::size_t>(big.height);
        p->frame = Buffer(bytes);
        p->work = Buffer(bytes);
        px::CopyReplicateBorder_8u_AC4R(f.pristine.data(), f.Stride(), f.size.Roi(), p->frame.data(), p->step, big, kPad,
                                        kPad);
        std::memcpy(p->work.data(), p->frame.data(), bytes);
    }
    return *p;
}

using Call = std::function<px::Status(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                      std::int32_t dstStep, px::RoiSize size)>;

struct Case {
    std::string key;
    Call call;
};

// Blur weights of the blur effect at completeness 1 and level 50.
const float* BlurKernel() {
    static float k[9];
    const double b = 21 - 50 * 0.2, w = 1 / (8 + b);
    for (float& v : k) v = static_cast<float>(w);
    k[4] = static_cast<float>(b * w);
    return k;
}

const std::int32_t* Ones() {
    static std::vector<std::int32_t> ones(511, 1);
    return ones.data();
}

std::vector<Case> Cases() {
    std::vector<Case> c;
    c.push_back({"Filter32f_8u_AC4R:blur3x3", [](auto s, auto ss, auto d, auto ds, auto z) {
                     return px::Filter32f_8u_AC4R(s, ss, d, ds, z, BlurKernel(), {3, 3}, {1, 1});
                 }});
    for (std::int32_t n : {1, 255}) {
        const std::string len = ":" + std::to_string(2 * n + 1);
        c.push_back({"FilterRow_8u_AC4R" + len, [n](auto s, auto ss, auto d, auto ds, auto z) {
                         return px::FilterRow_8u_AC4R(s, ss, d, ds, z, Ones(), 2 * n + 1, n, 2 * n + 1);
                     }});
        c.push_back({"FilterColumn_8u_AC4R" + len, [n](auto s, auto ss, auto d, auto ds, auto z) {
                         return px::FilterColumn_8u_AC4R(s, ss, d, ds, z, Ones(), 2 * n + 1, n, 2 * n + 1);
                     }});
    }
    for (std::int32_t r : {1, 2, 10, 255}) {
        const std::string m = std::to_string(2 * r + 1);
        c.push_back({"FilterBox_8u_AC4R:" + m + "x" + m, [r](auto s, auto ss, auto d, auto ds, auto z) {
                         return px::FilterBox_8u_AC4R(s, ss, d, ds, z, {2 * r + 1, 2 * r + 1}, {r, r});
                     }});
    }
    const std::pair<const char*, px::Status (*)(const std::uint8_t*, std::int32_t, std::uint8_t*, std::int32_t,
                                                px::RoiSize)>
        fixed[] = {{"FilterPrewittVert_8u_AC4R", px::FilterPrewittVert_8u_AC4R},
                   {"FilterPrewittHoriz_8u_AC4R", px::FilterPrewittHoriz_8u_AC4R},
                   {"FilterSobelVert_8u_AC4R", px::FilterSobelVert_8u_AC4R},
                   {"FilterSobelHoriz_8u_AC4R", px::FilterSobelHoriz_8u_AC4R},
                   {"FilterRobertsDown_8u_AC4R", px::FilterRobertsDown_8u_AC4R},
                   {"FilterRobertsUp_8u_AC4R", px::FilterRobertsUp_8u_AC4R}};
    for (const auto& [name, fn] : fixed) c.push_back({name, fn});
    const std::pair<const char*, px::Status (*)(const std::uint8_t*, std::int32_t, std::uint8_t*, std::int32_t,
                                                px::RoiSize, std::int32_t)>
        masked[] = {{"FilterLaplace_8u_AC4R", px::FilterLaplace_8u_AC4R},
                    {"FilterHipass_8u_AC4R", px::FilterHipass_8u_AC4R},
                    {"FilterLowpass_8u_AC4R", px::FilterLowpass_8u_AC4R}};
    for (const auto& [name, fn] : masked) {
        for (std::int32_t mask : {33, 55}) {
            c.push_back({std::string(name) + ":" + std::to_string(mask),
                         [fn = fn, mask](auto s, auto ss, auto d, auto ds, auto z) { return fn(s, ss, d, ds, z, mask); }});
        }
    }
    return c;
}

void RegisterOurs() {
    std::vector<std::int32_t> levels = {px::kCpuPlain};
    for (std::int32_t l : {std::int32_t{px::kCpuSse2}, std::int32_t{px::kCpuAvx2}, BestLevel()}) {
        if (l <= BestLevel() && l != levels.back()) levels.push_back(l);
    }
    const auto registerOne = [](const std::string& key, const FrameSize& fs, std::int32_t level,
                                std::function<px::Status(benchmark::State&, FrameSet&)> run) {
        Register("prim/" + key + "/" + fs.Name() + "/" + LevelName(level), [run, fs, level](benchmark::State& st) {
            FrameSet& f = Frames(fs);
            LevelScope scope(level);
            if (!scope.ok()) return st.SkipWithError("level not selectable");
            const px::Status status = run(st, f);
            if (status != px::kStsOk) st.SkipWithError(("status " + std::to_string(status)).c_str());
        });
    };
    for (const FrameSize& fs : FrameSizes()) {
        for (std::int32_t level : levels) {
            for (const Case& c : Cases()) {
                registerOne(c.key, fs, level, [call = c.call](benchmark::State& st, FrameSet& f) {
                    Padded& p = PaddedFrame(f);
                    px::Status s = 0;
                    Measure(st, f.size, f.size.FrameBytes(), NoPrepare,
                            [&] { s = call(p.At(p.frame), p.step, f.dst.data(), f.Stride(), f.size.Roi()); });
                    return s;
                });
            }
            for (const bool wide : {true, false}) {
                const std::string m = wide ? "10x3" : "3x10";
                registerOne("FilterBox_8u_AC4IR:" + m, fs, level, [wide](benchmark::State& st, FrameSet& f) {
                    Padded& p = PaddedFrame(f);
                    px::Status s = 0;
                    const auto bytes = static_cast<std::size_t>(p.step) * (f.size.height + 2 * kPad);
                    Measure(
                        st, f.size, f.size.FrameBytes(), [&] { std::memcpy(p.work.data(), p.frame.data(), bytes); },
                        [&] {
                            s = px::FilterBox_8u_AC4IR(p.At(p.work), p.step, f.size.Roi(), wide ? px::RoiSize{10, 3} : px::RoiSize{3, 10},
                                                       wide ? px::RoiPoint{5, 1} : px::RoiPoint{1, 5});
                        });
                    return s;
                });
            }
        }
    }
}

#ifdef VTX_BENCH_HAVE_OPENCV
void RegisterOpenCv() {
    using Fn = std::function<void(const cv::Mat& src, cv::Mat& dst)>;
    const auto k3 = [](std::vector<float> v) { return cv::Mat(3, 3, CV_32F, v.data()).clone(); };
    const cv::Mat blur = cv::Mat(3, 3, CV_32F, const_cast<float*>(BlurKernel())).clone();
    const cv::Mat prewitt = k3({1, 0, -1, 1, 0, -1, 1, 0, -1});
    const cv::Mat hipass3 = k3({-1, -1, -1, -1, 8, -1, -1, -1, -1});
    cv::Mat hipass5(5, 5, CV_32F, cv::Scalar(-1.0f));
    hipass5.at<float>(2, 2) = 24.0f;
    const cv::Mat roberts = (cv::Mat_<float>(2, 2) << -1, 0, 0, 1);
    const std::pair<std::string, Fn> cases[] = {
        {"filter2D_3x3", [=](const cv::Mat& s, cv::Mat& d) { cv::filter2D(s, d, -1, blur, {-1, -1}, 0, cv::BORDER_REPLICATE); }},
        {"filter2D_prewitt", [=](const cv::Mat& s, cv::Mat& d) { cv::filter2D(s, d, -1, prewitt, {-1, -1}, 0, cv::BORDER_REPLICATE); }},
        {"filter2D_roberts", [=](const cv::Mat& s, cv::Mat& d) { cv::filter2D(s, d, -1, roberts, {-1, -1}, 0, cv::BORDER_REPLICATE); }},
        {"filter2D_hipass3", [=](const cv::Mat& s, cv::Mat& d) { cv::filter2D(s, d, -1, hipass3, {-1, -1}, 0, cv::BORDER_REPLICATE); }},
        {"filter2D_hipass5", [=](const cv::Mat& s, cv::Mat& d) { cv::filter2D(s, d, -1, hipass5, {-1, -1}, 0, cv::BORDER_REPLICATE); }},
        {"Sobel_3x3", [](const cv::Mat& s, cv::Mat& d) { cv::Sobel(s, d, CV_8U, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE); }},
        {"Laplacian_3x3", [](const cv::Mat& s, cv::Mat& d) { cv::Laplacian(s, d, CV_8U, 3, 1, 0, cv::BORDER_REPLICATE); }},
        {"Laplacian_5x5", [](const cv::Mat& s, cv::Mat& d) { cv::Laplacian(s, d, CV_8U, 5, 1, 0, cv::BORDER_REPLICATE); }},
        {"blur_3x3", [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, {3, 3}, {-1, -1}, cv::BORDER_REPLICATE); }},
        {"blur_5x5", [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, {5, 5}, {-1, -1}, cv::BORDER_REPLICATE); }},
        {"blur_21x21", [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, {21, 21}, {-1, -1}, cv::BORDER_REPLICATE); }},
        {"boxFilter_5x5", [](const cv::Mat& s, cv::Mat& d) { cv::boxFilter(s, d, -1, {5, 5}, {-1, -1}, true, cv::BORDER_REPLICATE); }},
        {"boxFilter_21x21", [](const cv::Mat& s, cv::Mat& d) { cv::boxFilter(s, d, -1, {21, 21}, {-1, -1}, true, cv::BORDER_REPLICATE); }},
        {"blur_511x511", [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, {511, 511}, {-1, -1}, cv::BORDER_REPLICATE); }},
        {"blur_10x3", [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, {10, 3}, {5, 1}, cv::BORDER_REPLICATE); }},
        {"blur_row3", [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, {3, 1}, {-1, -1}, cv::BORDER_REPLICATE); }},
        {"blur_row511", [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, {511, 1}, {-1, -1}, cv::BORDER_REPLICATE); }},
        {"blur_col3", [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, {1, 3}, {-1, -1}, cv::BORDER_REPLICATE); }},
        {"blur_col511", [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, {1, 511}, {-1, -1}, cv::BORDER_REPLICATE); }},
    };
    for (const auto& [name, fn] : cases) {
        for (const FrameSize& fs : FrameSizes()) {
            Register("cv/" + name + "/" + fs.Name(), [fn = fn, fs](benchmark::State& st) {
                FrameSet& f = Frames(fs);
                const cv::Mat s(fs.height, fs.width, CV_8UC4, f.pristine.data());
                cv::Mat d(fs.height, fs.width, CV_8UC4, f.dst.data());
                Measure(st, fs, fs.FrameBytes(), NoPrepare, [&] { fn(s, d); });
            });
        }
    }
    const std::pair<const char*, const char*> pairs[] = {
        {"Filter32f_8u_AC4R", "filter2D_3x3"},
        {"FilterPrewittVert_8u_AC4R", "filter2D_prewitt"},
        {"FilterPrewittHoriz_8u_AC4R", "filter2D_prewitt"},
        {"FilterSobelVert_8u_AC4R", "Sobel_3x3"},
        {"FilterSobelHoriz_8u_AC4R", "Sobel_3x3"},
        {"FilterRobertsDown_8u_AC4R", "filter2D_roberts"},
        {"FilterRobertsUp_8u_AC4R", "filter2D_roberts"},
        {"FilterLaplace_8u_AC4R:33", "Laplacian_3x3"},
        {"FilterLaplace_8u_AC4R:55", "Laplacian_5x5"},
        {"FilterHipass_8u_AC4R:33", "filter2D_hipass3"},
        {"FilterHipass_8u_AC4R:55", "filter2D_hipass5"},
        {"FilterLowpass_8u_AC4R:33", "blur_3x3"},
        {"FilterLowpass_8u_AC4R:55", "blur_5x5"},
        {"FilterBox_8u_AC4R:3x3", "blur_3x3"},
        {"FilterBox_8u_AC4R:5x5", "blur_5x5"},
        {"FilterBox_8u_AC4R:21x21", "blur_21x21"},
        {"FilterBox_8u_AC4R:511x511", "blur_511x511"},
        {"FilterBox_8u_AC4IR", "blur_10x3"},
        {"FilterRow_8u_AC4R:3", "blur_row3"},
        {"FilterRow_8u_AC4R:511", "blur_row511"},
        {"FilterColumn_8u_AC4R:3", "blur_col3"},
        {"FilterColumn_8u_AC4R:511", "blur_col511"},
    };
    for (const auto& [ours, theirs] : pairs) benchmark::AddCustomContext(std::string("pair:") + ours, theirs);
}
#endif

const bool kRegistered = [] {
    RegisterOurs();
#ifdef VTX_BENCH_HAVE_OPENCV
    RegisterOpenCv();
#endif
    return true;
}();

}  // namespace
}  // namespace vtxbench
