// The edge primitives and the 8u16s derivative filters, per frame size and
// level, and the nearest OpenCV calls beside them (single-threaded). Every
// call works on the grey plane of the pristine frame's blue bytes, as the
// Canny operation does. Registered when the binary starts: "prim/<key>/<size>/
// <level>" for plain, SSE2 and AVX2 (a level this processor lacks is reported
// as skipped), "cv/<name>/<size>" for OpenCV, with "pair:" context entries.
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "primitives/edge.h"
#include "primitives/linear_filter.h"

#ifdef VTX_BENCH_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace vtxbench {
namespace {

// Thresholds on |dx| + |dy| for the synthetic frame (noise of ±12 on smooth
// gradients): about 18 % of the pixels become edges, a heavy tracing load.
constexpr float kLow = 40.0f, kHigh = 80.0f;

struct EdgeData {
    std::int32_t w = 0, h = 0;
    Buffer grey, bordered, dx, dy, out16, edges, work;
    std::int32_t borderedStep() const { return w + 4; }
    const std::uint8_t* inner() const { return bordered.data() + 2 * borderedStep() + 2; }
};

EdgeData& Data(const FrameSize& fs) {
    static std::map<std::string, std::unique_ptr<EdgeData>> all;
    auto& slot = all[fs.Name()];
    if (slot) return *slot;
    slot = std::make_unique<EdgeData>();
    EdgeData& d = *slot;
    d.w = fs.width;
    d.h = fs.height;
    const auto pixels = static_cast<std::size_t>(fs.Pixels());
    d.grey = Buffer(pixels);
    d.bordered = Buffer(static_cast<std::size_t>(d.w + 4) * (d.h + 4));
    d.dx = Buffer(2 * pixels);
    d.dy = Buffer(2 * pixels);
    d.out16 = Buffer(2 * pixels);
    d.edges = Buffer(pixels);
    std::int32_t bytes = 0;
    px::CannyGetSize(fs.Roi(), &bytes);
    d.work = Buffer(static_cast<std::size_t>(bytes));
    const std::uint8_t* frame = Frames(fs).pristine.data();
    for (std::size_t i = 0; i < pixels; ++i) d.grey.data()[i] = frame[4 * i];
    for (std::int32_t y = 0; y < d.h + 4; ++y) {
        const std::int32_t sy = y < 2 ? 0 : (y - 2 >= d.h ? d.h - 1 : y - 2);
        for (std::int32_t x = 0; x < d.w + 4; ++x) {
            const std::int32_t sx = x < 2 ? 0 : (x - 2 >= d.w ? d.w - 1 : x - 2);
            d.bordered.data()[static_cast<std::size_t>(y) * (d.w + 4) + x] = d.grey.data()[static_cast<std::size_t>(sy) * d.w + sx];
        }
    }
    px::Sobel3x3_Dx_8u16s_C1R(d.grey.data(), d.w, d.dx.as<std::int16_t>(), 2 * d.w, fs.Roi());
    px::Sobel3x3_Dy_8u16s_C1R(d.grey.data(), d.w, d.dy.as<std::int16_t>(), 2 * d.w, 0, fs.Roi());
    return d;
}

using Run = std::function<px::Status(EdgeData&, const px::RoiSize&)>;

struct OurCase {
    std::string key;
    Run run;
};

px::Status CannyOnly(EdgeData& d, const px::RoiSize& r) {
    return px::Canny_16s8u_C1R(d.dx.as<std::int16_t>(), 2 * d.w, d.dy.as<std::int16_t>(), 2 * d.w, d.edges.data(), d.w, r,
                               kLow, kHigh, d.work.data());
}

std::vector<OurCase> OurCases() {
    std::vector<OurCase> c;
    c.push_back({"Sobel3x3_Dx_8u16s_C1R", [](EdgeData& d, const px::RoiSize& r) {
                     return px::Sobel3x3_Dx_8u16s_C1R(d.grey.data(), d.w, d.out16.as<std::int16_t>(), 2 * d.w, r);
                 }});
    c.push_back({"Sobel3x3_Dy_8u16s_C1R", [](EdgeData& d, const px::RoiSize& r) {
                     return px::Sobel3x3_Dy_8u16s_C1R(d.grey.data(), d.w, d.out16.as<std::int16_t>(), 2 * d.w, 0, r);
                 }});
    c.push_back({"Canny_16s8u_C1R", CannyOnly});
    // The whole edge map from the grey plane, as the Canny operation runs it.
    c.push_back({"SobelDxDy+Canny", [](EdgeData& d, const px::RoiSize& r) {
                     px::Status s = px::Sobel3x3_Dx_8u16s_C1R(d.grey.data(), d.w, d.dx.as<std::int16_t>(), 2 * d.w, r);
                     s |= px::Sobel3x3_Dy_8u16s_C1R(d.grey.data(), d.w, d.dy.as<std::int16_t>(), 2 * d.w, 0, r);
                     return s | CannyOnly(d, r);
                 }});
    using Masked = px::Status (*)(const std::uint8_t*, std::int32_t, std::int16_t*, std::int32_t, px::RoiSize, std::int32_t);
    const std::pair<const char*, Masked> masked[] = {
        {"FilterSobelVert_8u16s_C1R", px::FilterSobelVert_8u16s_C1R},
        {"FilterSobelHoriz_8u16s_C1R", px::FilterSobelHoriz_8u16s_C1R},
        {"FilterSobelVertSecond_8u16s_C1R", px::FilterSobelVertSecond_8u16s_C1R},
        {"FilterSobelHorizSecond_8u16s_C1R", px::FilterSobelHorizSecond_8u16s_C1R},
        {"FilterSobelCross_8u16s_C1R", px::FilterSobelCross_8u16s_C1R},
    };
    for (const auto& [name, fn] : masked) {
        for (std::int32_t mask : {33, 55}) {
            c.push_back({std::string(name) + ":" + std::to_string(mask), [fn = fn, mask](EdgeData& d, const px::RoiSize& r) {
                             return fn(d.inner(), d.borderedStep(), d.out16.as<std::int16_t>(), 2 * d.w, r, mask);
                         }});
        }
    }
    c.push_back({"FilterScharrVert_8u16s_C1R", [](EdgeData& d, const px::RoiSize& r) {
                     return px::FilterScharrVert_8u16s_C1R(d.inner(), d.borderedStep(), d.out16.as<std::int16_t>(), 2 * d.w, r);
                 }});
    c.push_back({"FilterScharrHoriz_8u16s_C1R", [](EdgeData& d, const px::RoiSize& r) {
                     return px::FilterScharrHoriz_8u16s_C1R(d.inner(), d.borderedStep(), d.out16.as<std::int16_t>(), 2 * d.w, r);
                 }});
    return c;
}

void RegisterOurs() {
    for (const OurCase& c : OurCases()) {
        for (const FrameSize& fs : FrameSizes()) {
            for (std::int32_t level : {px::kCpuPlain, px::kCpuSse2, px::kCpuAvx2}) {
                const Run run = c.run;
                Register("prim/" + c.key + "/" + fs.Name() + "/" + LevelName(level), [run, fs, level](benchmark::State& st) {
                    EdgeData& d = Data(fs);
                    LevelScope scope(level);
                    if (!scope.ok()) {
                        st.SkipWithError("level not selectable");
                        return;
                    }
                    px::Status s = 0;
                    Measure(st, fs, fs.Pixels(), NoPrepare, [&] { s = run(d, fs.Roi()); });
                    if (s != px::kStsOk) st.SkipWithError(("status " + std::to_string(s)).c_str());
                });
            }
        }
    }
}

#ifdef VTX_BENCH_HAVE_OPENCV

struct CvCase {
    std::string name, label;
    std::function<void(EdgeData&, cv::Mat&, cv::Mat&, cv::Mat&)> run;  // grey, dx, dy
};

void RegisterOpenCv() {
    const std::vector<CvCase> cases = {
        {"Sobel3x3_dx", "cv::Sobel CV_16S 1,0 ksize 3 BORDER_REPLICATE",
         [](EdgeData& d, cv::Mat& g, cv::Mat&, cv::Mat&) {
             cv::Mat out(d.h, d.w, CV_16S, d.out16.data());
             cv::Sobel(g, out, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
         }},
        {"Sobel3x3_dy", "cv::Sobel CV_16S 0,1 ksize 3 BORDER_REPLICATE",
         [](EdgeData& d, cv::Mat& g, cv::Mat&, cv::Mat&) {
             cv::Mat out(d.h, d.w, CV_16S, d.out16.data());
             cv::Sobel(g, out, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
         }},
        {"Sobel5x5_dx", "cv::Sobel CV_16S 1,0 ksize 5 BORDER_REPLICATE",
         [](EdgeData& d, cv::Mat& g, cv::Mat&, cv::Mat&) {
             cv::Mat out(d.h, d.w, CV_16S, d.out16.data());
             cv::Sobel(g, out, CV_16S, 1, 0, 5, 1, 0, cv::BORDER_REPLICATE);
         }},
        {"Sobel5x5_dy", "cv::Sobel CV_16S 0,1 ksize 5 BORDER_REPLICATE",
         [](EdgeData& d, cv::Mat& g, cv::Mat&, cv::Mat&) {
             cv::Mat out(d.h, d.w, CV_16S, d.out16.data());
             cv::Sobel(g, out, CV_16S, 0, 1, 5, 1, 0, cv::BORDER_REPLICATE);
         }},
        {"Sobel3x3_dxdy", "cv::Sobel CV_16S 1,1 ksize 3 BORDER_REPLICATE",
         [](EdgeData& d, cv::Mat& g, cv::Mat&, cv::Mat&) {
             cv::Mat out(d.h, d.w, CV_16S, d.out16.data());
             cv::Sobel(g, out, CV_16S, 1, 1, 3, 1, 0, cv::BORDER_REPLICATE);
         }},
        {"Sobel5x5_dxdy", "cv::Sobel CV_16S 1,1 ksize 5 BORDER_REPLICATE",
         [](EdgeData& d, cv::Mat& g, cv::Mat&, cv::Mat&) {
             cv::Mat out(d.h, d.w, CV_16S, d.out16.data());
             cv::Sobel(g, out, CV_16S, 1, 1, 5, 1, 0, cv::BORDER_REPLICATE);
         }},
        {"Sobel3x3_dxx", "cv::Sobel CV_16S 2,0 ksize 3 BORDER_REPLICATE",
         [](EdgeData& d, cv::Mat& g, cv::Mat&, cv::Mat&) {
             cv::Mat out(d.h, d.w, CV_16S, d.out16.data());
             cv::Sobel(g, out, CV_16S, 2, 0, 3, 1, 0, cv::BORDER_REPLICATE);
         }},
        {"Sobel5x5_dxx", "cv::Sobel CV_16S 2,0 ksize 5 BORDER_REPLICATE",
         [](EdgeData& d, cv::Mat& g, cv::Mat&, cv::Mat&) {
             cv::Mat out(d.h, d.w, CV_16S, d.out16.data());
             cv::Sobel(g, out, CV_16S, 2, 0, 5, 1, 0, cv::BORDER_REPLICATE);
         }},
        {"Scharr_dx", "cv::Scharr CV_16S 1,0 BORDER_REPLICATE",
         [](EdgeData& d, cv::Mat& g, cv::Mat&, cv::Mat&) {
             cv::Mat out(d.h, d.w, CV_16S, d.out16.data());
             cv::Scharr(g, out, CV_16S, 1, 0, 1, 0, cv::BORDER_REPLICATE);
         }},
        {"Canny_from_derivatives", "cv::Canny(dx, dy, edges, 40, 80, L2gradient=false)",
         [](EdgeData& d, cv::Mat&, cv::Mat& dx, cv::Mat& dy) {
             cv::Mat edges(d.h, d.w, CV_8U, d.edges.data());
             cv::Canny(dx, dy, edges, kLow, kHigh, false);
         }},
        {"Canny_image", "cv::Canny(grey, edges, 40, 80, 3, L2gradient=false)",
         [](EdgeData& d, cv::Mat& g, cv::Mat&, cv::Mat&) {
             cv::Mat edges(d.h, d.w, CV_8U, d.edges.data());
             cv::Canny(g, edges, kLow, kHigh, 3, false);
         }},
    };
    for (const CvCase& c : cases) {
        for (const FrameSize& fs : FrameSizes()) {
            const auto run = c.run;
            const std::string label = c.label;
            Register("cv/" + c.name + "/" + fs.Name(), [run, fs, label](benchmark::State& st) {
                cv::setNumThreads(1);
                EdgeData& d = Data(fs);
                cv::Mat g(d.h, d.w, CV_8U, d.grey.data());
                cv::Mat dx(d.h, d.w, CV_16S, d.dx.data()), dy(d.h, d.w, CV_16S, d.dy.data());
                try {
                    Measure(st, fs, fs.Pixels(), NoPrepare, [&] { run(d, g, dx, dy); });
                    st.SetLabel(label);
                } catch (const cv::Exception& e) {
                    st.SkipWithError(e.what());
                }
            });
        }
    }
    const std::pair<const char*, const char*> pairs[] = {
        {"Sobel3x3_Dx_8u16s_C1R", "Sobel3x3_dx"},
        {"Sobel3x3_Dy_8u16s_C1R", "Sobel3x3_dy"},
        {"Canny_16s8u_C1R", "Canny_from_derivatives"},
        {"SobelDxDy+Canny", "Canny_image"},
        {"FilterSobelVert_8u16s_C1R:33", "Sobel3x3_dx"},
        {"FilterSobelVert_8u16s_C1R:55", "Sobel5x5_dx"},
        {"FilterSobelHoriz_8u16s_C1R:33", "Sobel3x3_dy"},
        {"FilterSobelHoriz_8u16s_C1R:55", "Sobel5x5_dy"},
        {"FilterSobelVertSecond_8u16s_C1R:33", "Sobel3x3_dxx"},
        {"FilterSobelVertSecond_8u16s_C1R:55", "Sobel5x5_dxx"},
        {"FilterSobelHorizSecond_8u16s_C1R:33", "Sobel3x3_dxx"},
        {"FilterSobelHorizSecond_8u16s_C1R:55", "Sobel5x5_dxx"},
        {"FilterSobelCross_8u16s_C1R:33", "Sobel3x3_dxdy"},
        {"FilterSobelCross_8u16s_C1R:55", "Sobel5x5_dxdy"},
        {"FilterScharrVert_8u16s_C1R", "Scharr_dx"},
        {"FilterScharrHoriz_8u16s_C1R", "Scharr_dx"},
    };
    for (const auto& [ours, theirs] : pairs) benchmark::AddCustomContext(std::string("pair:") + ours, theirs);
}

#else

void RegisterOpenCv() {}

#endif

[[maybe_unused]] const bool kRegistered = [] {
    RegisterOurs();
    RegisterOpenCv();
    return true;
}();

}  // namespace
}  // namespace vtxbench
