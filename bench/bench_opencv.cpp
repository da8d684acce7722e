// The nearest OpenCV calls, single-threaded, on the same frames and timed the
// same way. Each is registered once per frame size as "cv/<name>/<size>";
// the custom context entries "pair:<ours>" name the OpenCV benchmark that
// stands beside one of ours in the results table.
#include "bench/bench_common.h"

#ifdef VTX_BENCH_HAVE_OPENCV

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <string>

namespace vtxbench {
namespace {

struct CvCase {
    std::string name;
    std::string call;  // shown as the benchmark's label
    std::function<void(benchmark::State&, FrameSet&)> run;
};

cv::Mat Bgra(Buffer& b, const FrameSize& fs) { return cv::Mat(fs.height, fs.width, CV_8UC4, b.data()); }
cv::Mat Plane(Buffer& b, const FrameSize& fs) { return cv::Mat(fs.height, fs.width, CV_8UC1, b.data()); }

// 256-entry four-channel table: a contrast-like curve on b0..b2, identity on
// alpha.
cv::Mat LutBgra() {
    cv::Mat lut(1, 256, CV_8UC4);
    for (int i = 0; i < 256; ++i) {
        const double v = (i - 127.5) * 1.8 + 127.5;
        const auto b = static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        lut.at<cv::Vec4b>(0, i) = cv::Vec4b(b, b, b, static_cast<std::uint8_t>(i));
    }
    return lut;
}

std::vector<CvCase> Cases() {
    std::vector<CvCase> cases;
    auto add = [&cases](std::string name, std::string call, std::function<void(benchmark::State&, FrameSet&)> fn) {
        cases.push_back({std::move(name), std::move(call), std::move(fn)});
    };
    const auto frameBytes = [](FrameSet& f) { return f.size.FrameBytes(); };

    add("copyTo", "cv::Mat::copyTo (BGRA)", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size), d = Bgra(f.dst, f.size);
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { a.copyTo(d); });
    });
    // --- primitives --------------------------------------------------------
    add("Copy_8u_AC4R", "cv::mixChannels 3 pairs", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size), d = Bgra(f.dst, f.size);
        const int pairs[] = {0, 0, 1, 1, 2, 2};
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { cv::mixChannels(&a, 1, &d, 1, pairs, 3); });
    });
    add("Copy_8u_C1C4R", "cv::mixChannels plane->channel 1", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat p = Plane(f.plane, f.size), d = Bgra(f.dst, f.size);
        const int pairs[] = {0, 1};
        Measure(st, f.size, f.size.Pixels(), NoPrepare, [&] { cv::mixChannels(&p, 1, &d, 1, pairs, 1); });
    });
    add("Copy_8u_C4C1R", "cv::extractChannel", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size), p = Plane(f.plane, f.size);
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { cv::extractChannel(a, p, 1); });
    });
    add("Copy_8u_P4C4R", "cv::merge 4 planes", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat planes[4] = {Plane(f.planes[0], f.size), Plane(f.planes[1], f.size), Plane(f.planes[2], f.size),
                             Plane(f.planes[3], f.size)};
        cv::Mat d = Bgra(f.dst, f.size);
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { cv::merge(planes, 4, d); });
    });
    add("Set_8u_AC4R", "cv::Mat::setTo (all 4 bytes)", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat d = Bgra(f.dst, f.size);
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { d.setTo(cv::Scalar(40, 40, 40, 0)); });
    });
    add("Set_8u_C4R", "cv::Mat::setTo", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat d = Bgra(f.dst, f.size);
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { d.setTo(cv::Scalar(16, 128, 240, 255)); });
    });
    add("Convert_8u16s_C1R", "convertTo CV_16S", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat p = Plane(f.plane, f.size);
        cv::Mat d(f.size.height, f.size.width, CV_16SC1, f.s16Plane.data());
        Measure(st, f.size, f.size.Pixels(), NoPrepare, [&] { p.convertTo(d, CV_16S); });
    });
    add("Convert_8u16s_AC4R", "convertTo CV_16SC4", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size);
        cv::Mat d(f.size.height, f.size.width, CV_16SC4, f.s16Pixels.data());
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { a.convertTo(d, CV_16S); });
    });
    add("Convert_16s8u_C1R", "convertTo CV_8U", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat s(f.size.height, f.size.width, CV_16SC1, f.s16Plane.data());
        cv::Mat p = Plane(f.plane, f.size);
        Measure(st, f.size, 2 * f.size.Pixels(), NoPrepare, [&] { s.convertTo(p, CV_8U); });
    });
    add("Convert_16s8u_AC4R", "convertTo CV_8UC4", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat s(f.size.height, f.size.width, CV_16SC4, f.s16Pixels.data());
        cv::Mat d = Bgra(f.dst, f.size);
        Measure(st, f.size, 8 * f.size.Pixels(), NoPrepare, [&] { s.convertTo(d, CV_8U); });
    });
    add("AddC_8u_AC4IRSfs", "cv::add Scalar in place", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat w = Bgra(f.work, f.size);
        Measure(st, f.size, frameBytes(f), [&] { f.RestoreWork(); },
                [&] { cv::add(w, cv::Scalar(40, 40, 40, 0), w); });
    });
    add("SubC_8u_AC4IRSfs", "cv::subtract Scalar in place", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat w = Bgra(f.work, f.size);
        Measure(st, f.size, frameBytes(f), [&] { f.RestoreWork(); },
                [&] { cv::subtract(w, cv::Scalar(40, 40, 40, 0), w); });
    });
    add("Add_8u_AC4RSfs", "cv::addWeighted 0.5/0.5 (mean)", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size), b = Bgra(f.second, f.size), d = Bgra(f.dst, f.size);
        Measure(st, f.size, 2 * frameBytes(f), NoPrepare, [&] { cv::addWeighted(a, 0.5, b, 0.5, 0.0, d); });
    });
    add("Sqr_8u_AC4RSfs", "cv::multiply(a, a, scale 1/128)", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size), d = Bgra(f.dst, f.size);
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { cv::multiply(a, a, d, 1.0 / 128.0); });
    });
    add("Sum_8u_AC4R", "cv::sum", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size);
        cv::Scalar s;
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] {
            s = cv::sum(a);
            benchmark::DoNotOptimize(s);
        });
    });
    add("Min_8u_AC4R", "cv::minMaxLoc over all bytes (1 channel view)", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size).reshape(1);
        double mn = 0, mx = 0;
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] {
            cv::minMaxLoc(a, &mn, &mx);
            benchmark::DoNotOptimize(mn);
        });
    });
    add("LUT_8u_AC4R", "cv::LUT 256 x 4 channels", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size), d = Bgra(f.dst, f.size);
        const cv::Mat lut = LutBgra();
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { cv::LUT(a, lut, d); });
    });
    add("Threshold_LTValGTVal_32f_C1IR", "cv::threshold TRUNC + TOZERO (2 passes)",
        [=](benchmark::State& st, FrameSet& f) {
            cv::Mat w(f.size.height, f.size.width, CV_32FC1, f.f32Work.data());
            const auto bytes = static_cast<std::size_t>(4 * f.size.Pixels());
            Measure(
                st, f.size, 4 * f.size.Pixels(), [&] { std::memcpy(f.f32Work.data(), f.f32Pristine.data(), bytes); },
                [&] {
                    cv::threshold(w, w, 255.0, 255.0, cv::THRESH_TRUNC);
                    cv::threshold(w, w, 0.0, 0.0, cv::THRESH_TOZERO);
                });
        });
    add("AlphaCompC_8u_AC4R", "cv::addWeighted", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size), b = Bgra(f.second, f.size), d = Bgra(f.dst, f.size);
        Measure(st, f.size, 2 * frameBytes(f), NoPrepare,
                [&] { cv::addWeighted(a, 127.0 / 255.0, b, 128.0 / 255.0, 0.0, d); });
    });
    add("ColorToGray_8u_AC4C1R", "cv::cvtColor BGRA2GRAY", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size), p = Plane(f.plane, f.size);
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { cv::cvtColor(a, p, cv::COLOR_BGRA2GRAY); });
    });
    add("BGRToHLS_8u_AC4R", "cv::cvtColor BGR2HLS (4 -> 3 channels)", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size);
        cv::Mat h(f.size.height, f.size.width, CV_8UC3, f.hls3.data());
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { cv::cvtColor(a, h, cv::COLOR_BGR2HLS); });
    });
    add("HLSToRGB_8u_AC4R", "cv::cvtColor HLS2RGB (3 -> 4 channels)", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat h(f.size.height, f.size.width, CV_8UC3, f.hls3.data());
        cv::Mat d = Bgra(f.dst, f.size);
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { cv::cvtColor(h, d, cv::COLOR_HLS2RGB, 4); });
    });
    add("SwapChannels_8u_AC4R", "cv::mixChannels (2,1,0)", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size), d = Bgra(f.dst, f.size);
        const int pairs[] = {2, 0, 1, 1, 0, 2};
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] { cv::mixChannels(&a, 1, &d, 1, pairs, 3); });
    });
    add("CopyReplicateBorder_8u_AC4R", "cv::copyMakeBorder REPLICATE", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size);
        const px::RoiSize br = f.BorderedRoi();
        cv::Mat d(br.height, br.width, CV_8UC4, f.bordered.data());
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] {
            cv::copyMakeBorder(a, d, kBorder, kBorder, kBorder, kBorder, cv::BORDER_REPLICATE);
        });
    });
    add("CopyReplicateBorder_8u_C1R", "cv::copyMakeBorder REPLICATE (1 channel)",
        [=](benchmark::State& st, FrameSet& f) {
            cv::Mat p = Plane(f.plane, f.size);
            const px::RoiSize br = f.BorderedRoi();
            cv::Mat d(br.height, br.width, CV_8UC1, f.borderedPlane.data());
            Measure(st, f.size, f.size.Pixels(), NoPrepare, [&] {
                cv::copyMakeBorder(p, d, kBorder, kBorder, kBorder, kBorder, cv::BORDER_REPLICATE);
            });
        });
    add("CopyConstBorder_8u_AC4R", "cv::copyMakeBorder CONSTANT", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat a = Bgra(f.pristine, f.size);
        const px::RoiSize br = f.BorderedRoi();
        cv::Mat d(br.height, br.width, CV_8UC4, f.bordered.data());
        Measure(st, f.size, frameBytes(f), NoPrepare, [&] {
            cv::copyMakeBorder(a, d, kBorder, kBorder, kBorder, kBorder, cv::BORDER_CONSTANT, cv::Scalar(0, 0, 0, 0));
        });
    });

    // --- operations (in place on the work frame, restored untimed) ---------
    add("add_scalar_inplace", "cv::add Scalar in place", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat w = Bgra(f.work, f.size);
        Measure(st, f.size, frameBytes(f), [&] { f.RestoreWork(); },
                [&] { cv::add(w, cv::Scalar(10, 20, 40, 0), w); });
    });
    add("LUT_inplace", "cv::LUT 256 x 4 channels in place", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat w = Bgra(f.work, f.size);
        const cv::Mat lut = LutBgra();
        Measure(st, f.size, frameBytes(f), [&] { f.RestoreWork(); }, [&] { cv::LUT(w, lut, w); });
    });
    add("gray_LUT", "cvtColor BGRA2GRAY + GRAY2BGRA + LUT", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat w = Bgra(f.work, f.size), p = Plane(f.plane, f.size), t = Bgra(f.dst, f.size);
        const cv::Mat lut = LutBgra();
        Measure(st, f.size, frameBytes(f), [&] { f.RestoreWork(); }, [&] {
            cv::cvtColor(w, p, cv::COLOR_BGRA2GRAY);
            cv::cvtColor(p, t, cv::COLOR_GRAY2BGRA);
            cv::LUT(t, lut, w);
        });
    });
    add("hist3_LUT", "3 x calcHist + LUT", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat w = Bgra(f.work, f.size);
        const cv::Mat lut = LutBgra();
        cv::Mat hist;
        const int histSize = 256;
        const float range[] = {0.0f, 256.0f};
        const float* ranges[] = {range};
        Measure(st, f.size, frameBytes(f), [&] { f.RestoreWork(); }, [&] {
            for (int c = 0; c < 3; ++c) cv::calcHist(&w, 1, &c, cv::Mat(), hist, 1, &histSize, ranges);
            cv::LUT(w, lut, w);
        });
    });
    add("gray_colormap", "cvtColor BGRA2GRAY + applyColorMap(user) + mixChannels", [=](benchmark::State& st,
                                                                                        FrameSet& f) {
        cv::Mat w = Bgra(f.work, f.size), p = Plane(f.plane, f.size);
        cv::Mat c3(f.size.height, f.size.width, CV_8UC3, f.hls3.data());
        cv::Mat user(256, 1, CV_8UC3);
        for (int i = 0; i < 256; ++i) user.at<cv::Vec3b>(i, 0) = cv::Vec3b(i * 64 / 255, i * 160 / 255, i);
        const int pairs[] = {0, 0, 1, 1, 2, 2};
        Measure(st, f.size, frameBytes(f), [&] { f.RestoreWork(); }, [&] {
            cv::cvtColor(w, p, cv::COLOR_BGRA2GRAY);
            cv::applyColorMap(p, c3, user);
            cv::mixChannels(&c3, 1, &w, 1, pairs, 3);
        });
    });
    add("sqr_addWeighted", "cv::multiply(a, a, 1/128) + addWeighted", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat w = Bgra(f.work, f.size), t = Bgra(f.dst, f.size);
        Measure(st, f.size, frameBytes(f), [&] { f.RestoreWork(); }, [&] {
            cv::multiply(w, w, t, 1.0 / 128.0);
            cv::addWeighted(t, 0.5, w, 0.5, 0.0, w);
        });
    });
    add("gray_addWeighted", "cvtColor BGRA2GRAY + GRAY2BGRA + addWeighted", [=](benchmark::State& st, FrameSet& f) {
        cv::Mat w = Bgra(f.work, f.size), p = Plane(f.plane, f.size), t = Bgra(f.dst, f.size);
        Measure(st, f.size, frameBytes(f), [&] { f.RestoreWork(); }, [&] {
            cv::cvtColor(w, p, cv::COLOR_BGRA2GRAY);
            cv::cvtColor(p, t, cv::COLOR_GRAY2BGRA);
            cv::addWeighted(t, 0.5, w, 0.5, 0.0, w);
        });
    });
    add("hls_shift_roundtrip", "cvtColor BGR2HLS + add(hue) + HLS2BGR (8-bit)", [=](benchmark::State& st,
                                                                                 FrameSet& f) {
        cv::Mat w = Bgra(f.work, f.size);
        cv::Mat h(f.size.height, f.size.width, CV_8UC3, f.hls3.data());
        Measure(st, f.size, frameBytes(f), [&] { f.RestoreWork(); }, [&] {
            cv::cvtColor(w, h, cv::COLOR_BGR2HLS);
            cv::add(h, cv::Scalar(30, 0, 0), h);
            cv::cvtColor(h, w, cv::COLOR_HLS2BGR, 4);
        });
    });
    add("hls_lut_roundtrip", "cvtColor BGR2HLS + LUT(saturation) + HLS2BGR (8-bit)", [=](benchmark::State& st,
                                                                                       FrameSet& f) {
        cv::Mat w = Bgra(f.work, f.size);
        cv::Mat h(f.size.height, f.size.width, CV_8UC3, f.hls3.data());
        cv::Mat lut(1, 256, CV_8UC3);
        for (int i = 0; i < 256; ++i) {
            lut.at<cv::Vec3b>(0, i) = cv::Vec3b(static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                                static_cast<std::uint8_t>(i * 3 / 2 > 255 ? 255 : i * 3 / 2));
        }
        Measure(st, f.size, frameBytes(f), [&] { f.RestoreWork(); }, [&] {
            cv::cvtColor(w, h, cv::COLOR_BGR2HLS);
            cv::LUT(h, lut, h);
            cv::cvtColor(h, w, cv::COLOR_HLS2BGR, 4);
        });
    });
    return cases;
}

// Our benchmark key (member or primitive name, optionally "/variant") ->
// OpenCV benchmark name.
void AddPairs() {
    const char* const primitives[] = {
        "Copy_8u_AC4R", "Copy_8u_C1C4R", "Copy_8u_C4C1R", "Copy_8u_P4C4R", "Set_8u_AC4R", "Set_8u_C4R",
        "Convert_8u16s_C1R", "Convert_8u16s_AC4R", "Convert_16s8u_C1R", "Convert_16s8u_AC4R", "AddC_8u_AC4IRSfs",
        "SubC_8u_AC4IRSfs", "Add_8u_AC4RSfs", "Sqr_8u_AC4RSfs", "Sum_8u_AC4R", "Min_8u_AC4R", "LUT_8u_AC4R",
        "Threshold_LTValGTVal_32f_C1IR", "AlphaCompC_8u_AC4R", "ColorToGray_8u_AC4C1R", "BGRToHLS_8u_AC4R",
        "HLSToRGB_8u_AC4R", "SwapChannels_8u_AC4R", "CopyReplicateBorder_8u_AC4R", "CopyReplicateBorder_8u_C1R",
        "CopyConstBorder_8u_AC4R"};
    for (const char* p : primitives) benchmark::AddCustomContext(std::string("pair:") + p, p);
    benchmark::AddCustomContext("pair:MapChannels_8u_AC4IR", "LUT_inplace");
    const std::pair<const char*, const char*> ops[] = {
        {"memcpy", "copyTo"},
        {"ApplyChannelTable", "LUT_inplace"},
        {"BlendWithOriginal", "AlphaCompC_8u_AC4R"},
        {"AdjustBrightness", "add_scalar_inplace"},
        {"AdjustBrightnessEx", "add_scalar_inplace"},
        {"AdjustContrast", "LUT_inplace"},
        {"AdjustGamma", "LUT_inplace"},
        {"AdjustInvert", "LUT_inplace"},
        {"AdjustPosterize", "LUT_inplace"},
        {"AdjustThreshold/128,colour", "LUT_inplace"},
        {"AdjustThreshold/128,grey", "gray_LUT"},
        {"AdjustTemperature", "LUT_inplace"},
        {"AdjustColorize", "gray_colormap"},
        {"UtilitySwapChannels", "SwapChannels_8u_AC4R"},
        {"AdjustEqualize", "sqr_addWeighted"},
        {"AdjustGrayscale", "gray_addWeighted"},
        {"AdjustAutocontrast", "hist3_LUT"},
        {"AdjustAutolevels", "hist3_LUT"},
        {"AdjustHue", "hls_shift_roundtrip"},
        {"AdjustSaturation", "hls_lut_roundtrip"},
    };
    for (const auto& [ours, theirs] : ops) benchmark::AddCustomContext(std::string("pair:") + ours, theirs);
}

}  // namespace

void RegisterOpenCvBenchmarks() {
    cv::setNumThreads(1);
    benchmark::AddCustomContext("opencv", CV_VERSION);
    benchmark::AddCustomContext("opencv_threads", std::to_string(cv::getNumThreads()));
    AddPairs();
    for (const CvCase& c : Cases()) {
        for (const FrameSize& fs : FrameSizes()) {
            auto run = c.run;
            const std::string label = c.call;
            Register("cv/" + c.name + "/" + fs.Name(), [run, fs, label](benchmark::State& st) {
                FrameSet& f = Frames(fs);
                try {
                    run(st, f);
                    st.SetLabel(label);
                } catch (const cv::Exception& e) {
                    st.SkipWithError(e.what());
                }
            });
        }
    }
}

}  // namespace vtxbench

#else

namespace vtxbench {
void RegisterOpenCvBenchmarks() { benchmark::AddCustomContext("opencv", "not built"); }
}  // namespace vtxbench

#endif
