// The geometric primitives at the sizes and parameters the transforms use,
// and the nearest OpenCV calls on the same frames ("cv/geom_*"), paired by
// "pair:" context entries:
//   resize to half (full frame into W/2 x H/2) and to double (the top-left
//   W/2 x H/2 into the full frame), linear and nearest, against cv::resize;
//   rotation by 30 degrees about the centre, linear, against cv::warpAffine;
//   the perspective warp of the full frame onto a trapezoid, nearest, against
//   cv::warpPerspective; remap with float maps, linear and nearest, against
//   cv::remap; the half turn in place against cv::flip.
// OpenCV calls write pixels outside the mapped area as they were
// (BORDER_TRANSPARENT), like ours.
#include <cmath>
#include <cstring>
#include <memory>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "primitives/geometry.h"

#ifdef VTX_BENCH_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace vtxbench {
namespace {

constexpr double kAngle = 30.0;

// Coordinate maps of a frame size: a swirl about the centre, turning by up
// to 20 degrees, so that neighbouring pixels read neighbouring sources.
struct Maps {
    std::vector<float> x, y;
};
const Maps& MapsFor(const FrameSize& fs) {
    static std::map<std::int64_t, std::unique_ptr<Maps>> cache;
    auto& slot = cache[fs.Pixels()];
    if (!slot) {
        slot = std::make_unique<Maps>();
        slot->x.resize(static_cast<std::size_t>(fs.Pixels()));
        slot->y.resize(slot->x.size());
        const double cx = fs.width * 0.5, cy = fs.height * 0.5, r2 = cx * cx + cy * cy;
        for (std::int32_t j = 0; j < fs.height; ++j) {
            for (std::int32_t i = 0; i < fs.width; ++i) {
                const double dx = i - cx, dy = j - cy, t = 0.35 * (1 - (dx * dx + dy * dy) / r2);
                const std::size_t k = static_cast<std::size_t>(j) * fs.width + i;
                slot->x[k] = static_cast<float>(cx + dx * std::cos(t) - dy * std::sin(t));
                slot->y[k] = static_cast<float>(cy + dx * std::sin(t) + dy * std::cos(t));
            }
        }
    }
    return *slot;
}

// The trapezoid of a vertical perspective at 30 degrees.
void Trapezoid(const FrameSize& fs, double q[4][2]) {
    const double w = fs.width, h = fs.height;
    const double dx = std::trunc(w * kAngle * 0.005555555555555556), dy = std::trunc(h * kAngle * 0.002777777777777778);
    const double v[4][2] = {{dx, dy}, {w - dx - 1, 0}, {w - dx - 1, h - 1}, {dx, h - dy - 1}};
    std::memcpy(q, v, sizeof v);
}
void FullQuad(const FrameSize& fs, double q[4][2]) {
    const double v[4][2] = {{0, 0}, {fs.width - 1.0, 0}, {fs.width - 1.0, fs.height - 1.0}, {0, fs.height - 1.0}};
    std::memcpy(q, v, sizeof v);
}

struct Case {
    std::string key;
    std::string cv;  // name of the OpenCV counterpart
    std::function<px::Status(benchmark::State&, FrameSet&)> run;
};

std::vector<Case> Cases() {
    std::vector<Case> cases;
    for (const std::int32_t interp : {px::kInterLinear, px::kInterNearest}) {
        const std::string in = interp == px::kInterLinear ? "linear" : "nearest";
        cases.push_back({"Resize_8u_AC4R:half," + in, "geom_resize_half_" + in, [interp](benchmark::State& st, FrameSet& f) {
                             const px::RoiSize half{f.size.width / 2, f.size.height / 2};
                             px::Status s = 0;
                             Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
                                 s = px::Resize_8u_AC4R(f.pristine.data(), f.size.Roi(), f.Stride(), {0, 0, f.size.width, f.size.height},
                                                        f.dst.data(), 4 * half.width, half, 0.5, 0.5, interp);
                             });
                             return s;
                         }});
        cases.push_back({"Resize_8u_AC4R:double," + in, "geom_resize_double_" + in, [interp](benchmark::State& st, FrameSet& f) {
                             px::Status s = 0;
                             Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
                                 s = px::Resize_8u_AC4R(f.pristine.data(), f.size.Roi(), f.Stride(),
                                                        {0, 0, f.size.width / 2, f.size.height / 2}, f.dst.data(), f.Stride(),
                                                        f.size.Roi(), 2.0, 2.0, interp);
                             });
                             return s;
                         }});
        cases.push_back({"Remap_8u_AC4R:" + in, "geom_remap_" + in, [interp](benchmark::State& st, FrameSet& f) {
                             const Maps& m = MapsFor(f.size);
                             px::Status s = 0;
                             Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
                                 s = px::Remap_8u_AC4R(f.pristine.data(), f.size.Roi(), f.Stride(), {0, 0, f.size.width, f.size.height},
                                                       m.x.data(), f.Stride(), m.y.data(), f.Stride(), f.dst.data(), f.Stride(),
                                                       f.size.Roi(), interp);
                             });
                             return s;
                         }});
    }
    cases.push_back({"RotateCenter_8u_AC4R:30,linear", "geom_rotate30_linear", [](benchmark::State& st, FrameSet& f) {
                         const px::RoiRect full{0, 0, f.size.width, f.size.height};
                         px::Status s = 0;
                         Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
                             s = px::RotateCenter_8u_AC4R(f.pristine.data(), f.size.Roi(), f.Stride(), full, f.dst.data(), f.Stride(),
                                                          full, kAngle, f.size.width * 0.5, f.size.height * 0.5, px::kInterLinear);
                         });
                         return s;
                     }});
    cases.push_back({"WarpPerspectiveQuad_8u_AC4R:nearest", "geom_perspective_nearest", [](benchmark::State& st, FrameSet& f) {
                         const px::RoiRect full{0, 0, f.size.width, f.size.height};
                         double sq[4][2], dq[4][2];
                         FullQuad(f.size, sq);
                         Trapezoid(f.size, dq);
                         px::Status s = 0;
                         Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
                             s = px::WarpPerspectiveQuad_8u_AC4R(f.pristine.data(), f.size.Roi(), f.Stride(), full, sq, f.dst.data(),
                                                                 f.Stride(), full, dq, px::kInterNearest);
                         });
                         return s;
                     }});
    cases.push_back({"WarpAffineQuad_8u_AC4R:nearest", "geom_affine_nearest", [](benchmark::State& st, FrameSet& f) {
                         const px::RoiRect full{0, 0, f.size.width, f.size.height};
                         double sq[4][2], dq[4][2];
                         FullQuad(f.size, sq);
                         const double dx = std::trunc(f.size.width / 6.0), dy = std::trunc(f.size.height / 6.0);
                         const double w = f.size.width, h = f.size.height;
                         const double v[4][2] = {{dx, dy}, {w - 1, dy}, {w - dx - 1, h - dy - 1}, {0, h - dy - 1}};
                         std::memcpy(dq, v, sizeof v);
                         px::Status s = 0;
                         Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
                             s = px::WarpAffineQuad_8u_AC4R(f.pristine.data(), f.size.Roi(), f.Stride(), full, sq, f.dst.data(),
                                                            f.Stride(), full, dq, px::kInterNearest);
                         });
                         return s;
                     }});
    cases.push_back({"ResizeCenter_8u_AC4R:1.5,linear", "", [](benchmark::State& st, FrameSet& f) {
                         px::Status s = 0;
                         Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] {
                             s = px::ResizeCenter_8u_AC4R(f.pristine.data(), f.size.Roi(), f.Stride(), {0, 0, f.size.width, f.size.height},
                                                          f.dst.data(), f.Stride(), f.size.Roi(), 1.5, 1.5, f.size.width * 0.5,
                                                          f.size.height * 0.5, px::kInterLinear);
                         });
                         return s;
                     }});
    cases.push_back({"Mirror_8u_AC4IR:both", "geom_flip_both", [](benchmark::State& st, FrameSet& f) {
                         px::Status s = 0;
                         Measure(st, f.size, f.size.FrameBytes(), NoPrepare,
                                 [&] { s = px::Mirror_8u_AC4IR(f.work.data(), f.Stride(), f.size.Roi(), px::kAxisBoth); });
                         return s;
                     }});
    return cases;
}

#ifdef VTX_BENCH_HAVE_OPENCV
cv::Mat Bgra(Buffer& b, const FrameSize& fs) { return cv::Mat(fs.height, fs.width, CV_8UC4, b.data()); }

std::vector<std::pair<std::string, std::function<void(benchmark::State&, FrameSet&)>>> CvCases() {
    std::vector<std::pair<std::string, std::function<void(benchmark::State&, FrameSet&)>>> cv;
    for (const int interp : {cv::INTER_LINEAR, cv::INTER_NEAREST}) {
        const std::string in = interp == cv::INTER_LINEAR ? "linear" : "nearest";
        cv.push_back({"geom_resize_half_" + in, [interp](benchmark::State& st, FrameSet& f) {
                          cv::Mat a = Bgra(f.pristine, f.size);
                          cv::Mat d(f.size.height / 2, f.size.width / 2, CV_8UC4, f.dst.data());
                          Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] { cv::resize(a, d, d.size(), 0, 0, interp); });
                      }});
        cv.push_back({"geom_resize_double_" + in, [interp](benchmark::State& st, FrameSet& f) {
                          cv::Mat a = Bgra(f.pristine, f.size)(cv::Rect(0, 0, f.size.width / 2, f.size.height / 2));
                          cv::Mat d = Bgra(f.dst, f.size);
                          Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] { cv::resize(a, d, d.size(), 0, 0, interp); });
                      }});
        cv.push_back({"geom_remap_" + in, [interp](benchmark::State& st, FrameSet& f) {
                          const Maps& m = MapsFor(f.size);
                          cv::Mat a = Bgra(f.pristine, f.size), d = Bgra(f.dst, f.size);
                          cv::Mat mx(f.size.height, f.size.width, CV_32FC1, const_cast<float*>(m.x.data()));
                          cv::Mat my(f.size.height, f.size.width, CV_32FC1, const_cast<float*>(m.y.data()));
                          Measure(st, f.size, f.size.FrameBytes(), NoPrepare,
                                  [&] { cv::remap(a, d, mx, my, interp, cv::BORDER_TRANSPARENT); });
                      }});
    }
    cv.push_back({"geom_rotate30_linear", [](benchmark::State& st, FrameSet& f) {
                      cv::Mat a = Bgra(f.pristine, f.size), d = Bgra(f.dst, f.size);
                      const cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(f.size.width * 0.5f, f.size.height * 0.5f), kAngle, 1.0);
                      Measure(st, f.size, f.size.FrameBytes(), NoPrepare,
                              [&] { cv::warpAffine(a, d, m, d.size(), cv::INTER_LINEAR, cv::BORDER_TRANSPARENT); });
                  }});
    cv.push_back({"geom_perspective_nearest", [](benchmark::State& st, FrameSet& f) {
                      cv::Mat a = Bgra(f.pristine, f.size), d = Bgra(f.dst, f.size);
                      double sq[4][2], dq[4][2];
                      FullQuad(f.size, sq);
                      Trapezoid(f.size, dq);
                      cv::Point2f s4[4], d4[4];
                      for (int i = 0; i < 4; ++i) {
                          s4[i] = cv::Point2f(float(sq[i][0]), float(sq[i][1]));
                          d4[i] = cv::Point2f(float(dq[i][0]), float(dq[i][1]));
                      }
                      const cv::Mat h = cv::getPerspectiveTransform(s4, d4);
                      Measure(st, f.size, f.size.FrameBytes(), NoPrepare,
                              [&] { cv::warpPerspective(a, d, h, d.size(), cv::INTER_NEAREST, cv::BORDER_TRANSPARENT); });
                  }});
    cv.push_back({"geom_affine_nearest", [](benchmark::State& st, FrameSet& f) {
                      cv::Mat a = Bgra(f.pristine, f.size), d = Bgra(f.dst, f.size);
                      const float dx = std::trunc(f.size.width / 6.0f), dy = std::trunc(f.size.height / 6.0f);
                      const cv::Point2f s3[3] = {{0, 0}, {f.size.width - 1.0f, 0}, {f.size.width - 1.0f, f.size.height - 1.0f}};
                      const cv::Point2f d3[3] = {{dx, dy}, {f.size.width - 1.0f, dy}, {f.size.width - dx - 1, f.size.height - dy - 1}};
                      const cv::Mat m = cv::getAffineTransform(s3, d3);
                      Measure(st, f.size, f.size.FrameBytes(), NoPrepare,
                              [&] { cv::warpAffine(a, d, m, d.size(), cv::INTER_NEAREST, cv::BORDER_TRANSPARENT); });
                  }});
    cv.push_back({"geom_flip_both", [](benchmark::State& st, FrameSet& f) {
                      cv::Mat a = Bgra(f.work, f.size);
                      Measure(st, f.size, f.size.FrameBytes(), NoPrepare, [&] { cv::flip(a, a, -1); });
                  }});
    return cv;
}
#endif

}  // namespace

void RegisterGeometryBenchmarks() {
    const auto levels = BenchLevels();
    for (const Case& c : Cases()) {
        if (!c.cv.empty()) benchmark::AddCustomContext("pair:" + c.key, c.cv);
        for (const FrameSize& fs : FrameSizes()) {
            for (std::int32_t level : levels) {
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
    cv::setNumThreads(1);
    for (const auto& [name, fn] : CvCases()) {
        for (const FrameSize& fs : FrameSizes()) {
            auto run = fn;
            Register("cv/" + name + "/" + fs.Name(), [run, fs](benchmark::State& st) {
                FrameSet& f = Frames(fs);
                try {
                    run(st, f);
                } catch (const cv::Exception& e) {
                    st.SkipWithError(e.what());
                }
            });
        }
    }
#endif
}

}  // namespace vtxbench
