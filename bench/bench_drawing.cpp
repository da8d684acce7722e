// The drawing members with pixel code of their own on a session working in
// place on a 1920x1080 frame: every DrawMovObject pattern at Completeness
// 0.5, DrawBorder in each style, DrawRectangle and DrawImage of a 640x360
// overlay. The frame is restored before every call (untimed).
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_common.h"
#include "draw/draw.h"
#include "session/image_session.h"

namespace vtxbench {
namespace {


std::vector<MemberCase> Cases(const vtx::ImageView* overlay) {
    using S = vtx::ImageSession;
    std::vector<MemberCase> cases = {
        {"DrawRectangle", "1,100,100,1800,1000,0xFF8000,160,-1",
         [](S& s) { return vtx::DrawRectangle(s, 1, 100, 100, 1800, 1000, 0xFF8000, 160, -1); }},
        {"DrawImage", "1,100,100,640x360,-1,200",
         [overlay](S& s) { return vtx::DrawImage(s, 1, 100, 100, overlay, -1, 200); }},
        {"DrawImage", "1,100,100,640x360,0,200",
         [overlay](S& s) { return vtx::DrawImage(s, 1, 100, 100, overlay, 0, 200); }},
    };
    for (int type : {10100, 10200, 10300, 10400, 10105, 10107}) {
        cases.push_back({"DrawBorder", "1,0x3060C0,100," + std::to_string(type),
                         [type](S& s) { return vtx::DrawBorder(s, 1, 0x3060C0, 100, type); }});
    }
    const int ranges[][2] = {{1100, 1105}, {1200, 1207}, {1300, 1307}, {1400, 1401},
                             {2100, 2103}, {2200, 2203}, {2300, 2301}, {3100, 3118}};
    for (const auto& r : ranges) {
        for (int type = r[0]; type <= r[1]; ++type) {
            cases.push_back({"DrawMovObject", "0.5," + std::to_string(type) + ",4,0x00C0FF,200",
                             [type](S& s) { return vtx::DrawMovObject(s, 0.5, type, 4, 0x00C0FF, 200); }});
        }
    }
    cases.push_back({"DrawMovObject", "1,1304,4,0x00C0FF,200",
                     [](S& s) { return vtx::DrawMovObject(s, 1, 1304, 4, 0x00C0FF, 200); }});
    return cases;
}

}  // namespace

void RegisterDrawingBenchmarks() {
    const FrameSize fs{1920, 1080};
    // The overlay: the top-left 640x360 pixels of the second frame, packed.
    static std::vector<std::uint8_t> overlayPixels;
    static vtx::ImageView overlay;
    FrameSet& f = Frames(fs);
    overlayPixels.clear();
    for (int y = 0; y < 360; ++y) {
        const std::uint8_t* row = f.second.data() + static_cast<std::size_t>(y) * f.Stride();
        overlayPixels.insert(overlayPixels.end(), row, row + 4 * 640);
    }
    overlay = vtx::ImageView{overlayPixels.data(), 640, 360};
    RegisterMemberCases(fs, Cases(&overlay));
}

}  // namespace vtxbench
