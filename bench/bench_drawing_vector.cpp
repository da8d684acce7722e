// The members drawn through the drawing surface: lines, ellipses, the
// inverse shapes, text and credits (twenty lines of text), on a session that
// works in place on the frame. The frame is restored before every call
// (untimed). Bytes processed are the bytes of the frame.
#include <functional>
#include <string>

#include "bench/bench_common.h"
#include "draw/draw.h"
#include "session/image_session.h"

namespace vtxbench {
namespace {

using DrawFn = std::function<std::int32_t(vtx::ImageSession&, const FrameSize&)>;

struct DrawCase {
    std::string name;
    DrawFn fn;
};

const vtx::FontDescription kFont{"DejaVu Sans", -36, 700};

// Twenty lines of credits.
std::u16string Credits() {
    std::u16string text;
    for (int i = 1; i <= 20; ++i) {
        const std::string line = "Line " + std::to_string(i) + ": Tavrix VideoTransform credits";
        text += std::u16string(line.begin(), line.end());
        if (i < 20) text += u'\n';
    }
    return text;
}

std::vector<DrawCase> Cases() {
    using vtx::ImageSession;
    return {
        {"DrawLine/diagonal,w5",
         [](ImageSession& s, const FrameSize& f) { return vtx::DrawLine(s, 1, 0, 0, f.width - 1, f.height - 1, 0xFFFF, 200, 5); }},
        {"DrawEllipse/solid",
         [](ImageSession& s, const FrameSize& f) {
             return vtx::DrawEllipse(s, 1, f.width / 8, f.height / 8, f.width * 7 / 8, f.height * 7 / 8, 0xFF, 200, -1);
         }},
        {"DrawInvRectangle/-",
         [](ImageSession& s, const FrameSize& f) {
             return vtx::DrawInvRectangle(s, 1, f.width / 4, f.height / 4, f.width * 3 / 4, f.height * 3 / 4, 0, 160);
         }},
        {"DrawInvEllipse/-",
         [](ImageSession& s, const FrameSize& f) {
             return vtx::DrawInvEllipse(s, 1, f.width / 8, f.height / 8, f.width * 7 / 8, f.height * 7 / 8, 0, 160);
         }},
        {"DrawTextA/36px,bold",
         [](ImageSession& s, const FrameSize&) {
             return vtx::DrawTextA(s, 1, 40, 40, u"Tavrix VideoTransform", &kFont, 0xFFFFFF, 255);
         }},
        {"DrawText2/fill",
         [](ImageSession& s, const FrameSize& f) {
             return vtx::DrawText2(s, 1, 40, 40, f.width - 40, f.height - 40, u"Tavrix", &kFont, 0xFFFFFF, 255);
         }},
        {"DrawCredits/20lines,6101",
         [](ImageSession& s, const FrameSize&) {
             static const std::u16string text = Credits();
             return vtx::DrawCredits(s, 0.5, text, &kFont, 0xFFFFFF, 255, 6101);
         }},
    };
}

}  // namespace

void RegisterVectorDrawingBenchmarks() {
    for (const DrawCase& c : Cases()) {
        for (const FrameSize& fs : FrameSizes()) {
            const DrawFn fn = c.fn;
            Register("draw/" + c.name + "/" + fs.Name(), [fn, fs](benchmark::State& st) {
                MeasureMemberCall(st, fs, [&](vtx::ImageSession& session) { return fn(session, fs); });
            });
        }
    }
}

}  // namespace vtxbench
