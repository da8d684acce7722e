#include "tools/vtx/gallery.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "tools/vtx/font5x7.h"
#include "tools/vtx/test_card.h"

namespace vtx::cli {

namespace {

// Demo arguments per member: the arguments after Completeness, or, for a
// member without Completeness, up to three argument lists separated by ';'
// (one cell each). A member not listed here gets neutral arguments made from
// its parameter types (NeutralArgs).
struct DemoArgs {
    std::string_view member;
    std::string_view args;
};

constexpr DemoArgs kDemoArgs[] = {
    {"AdjustBrightness", "80"},
    {"AdjustBrightnessEx", "60, 0, -60"},
    {"AdjustContrast", "50"},
    {"AdjustGamma", "40"},
    {"AdjustPosterize", "4"},
    {"AdjustThreshold", "128, 0"},
    {"AdjustTemperature", "100"},
    {"AdjustColorize", "255, 200, 140"},
    {"UtilitySwapChannels", "2, 1, 0; 1, 0, 2; 0, 0, 0"},
    {"AdjustGrayscale", "0"},
    {"EffectBlur", "100"},
    {"EffectSharpen", "100"},
    {"EffectGaussianBlur", "6"},
    {"EffectMotionBlur", "30, 24"},
    {"EffectEmboss", "45, 6, 30"},
    {"EffectMinimal", "2"},
    {"EffectMaximal", "2"},
    {"EffectMedian", "3"},
    {"EffectMosaic", "12, 0"},
    {"EffectNoise", "60, 0"},
    {"EffectDiffuse", "6"},
    {"EffectDeinterlace", "-1, -1"},
    {"TransformFlip", "0"},
    {"TransformPerspective", "-1, 40"},
    {"TransformSkew", "0, 30"},
    {"TransformShift", "60, 40"},
    {"TransformRotate", "30"},
    {"TransformResample", "3"},
    {"TransformZoom", "30"},
    {"TransformMirror", "40, 8101"},
    {"TransformTwirl", "180, 2"},
    {"TransformSphere", "100, 75, 80, 60, 2"},
    {"TransformCylinder", "75, 60, 2, 0"},
    {"FilterPrewitt", "0"},
    {"FilterScharr", "1"},
    {"FilterSobel", "2"},
    {"FilterSobelExt", "0"},
    {"FilterRoberts", "1"},
    {"FilterLaplace", "0"},
    {"FilterHipass", "1"},
    {"FilterLowpass", "1"},
    {"FilterBlur", "4"},
    {"FilterCanny", "30, 90"},
    {"AdjustHue", "120"},
    {"AdjustSaturation", "80"},
    {"DrawLine", "60, 60, 740, 540, 0x00FFFF, 255, 12"},
    {"DrawEllipse", "150, 100, 650, 500, 0x3030FF, 255, -1"},
    {"DrawInvRectangle", "150, 100, 650, 500, 0x000000, 255"},
    {"DrawInvEllipse", "100, 50, 700, 550, 0x000000, 255"},
    {"DrawTextA", "40, 250, \"Tavrix VideoTransform\", \"DejaVu Sans, 48, bold\", 0xFFFFFF, 255"},
    {"DrawText2", "60, 120, 740, 480, \"Tavrix\", \"DejaVu Serif, 40, italic\", 0x00FFFF, 255"},
    {"DrawCredits", "\"Tavrix VideoTransform\", \"DejaVu Sans, 48, bold\", 0xFFFFFF, 255, 5101"},
};

// Transitions for the frame sequence, most preferred first; the first member
// the table has is used, with its demo arguments.
constexpr std::string_view kTransitions[] = {"AdjustColorize", "AdjustHue", "AdjustInvert"};

// The name of the stand-in for an image argument of a member without demo
// arguments; the gallery supplies the picture itself (a small test card).
constexpr std::string_view kOverlayName = "overlay.png";

bool HasCompleteness(const MemberInfo& m) {
    return m.paramCount > 0 && m.params[0].name == "Completeness" && m.params[0].type == ParamType::Double &&
           m.params[0].dir == ParamDir::In;
}

std::string NeutralArg(const ParamInfo& p) {
    switch (p.type) {
        case ParamType::Double: return "50";
        case ParamType::Int32: return "50";
        case ParamType::Bool: return "-1";
        case ParamType::Byte: return "1";
        case ParamType::Text: return "\"Tavrix\"";
        case ParamType::Font: return "null";
        case ParamType::ImageArray:
        case ParamType::ImagePointer:
            if (p.dir == ParamDir::InOut) return "100x75";
            return "\"" + std::string(kOverlayName) + "\"";
    }
    return "0";
}

// Arguments after Completeness (or all of them) from the parameter types.
std::string NeutralArgs(const MemberInfo& m) {
    std::string s;
    for (std::int32_t i = HasCompleteness(m) ? 1 : 0; i < m.paramCount; ++i) {
        if (!IsSuppliedParam(m.params[i])) continue;
        if (!s.empty()) s += ", ";
        s += NeutralArg(m.params[i]);
    }
    return s;
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::vector<std::string> ArgumentLists(const MemberInfo& m) {
    for (const DemoArgs& d : kDemoArgs) {
        if (d.member != m.name) continue;
        std::vector<std::string> lists;
        std::string_view rest = d.args;
        while (true) {
            const std::size_t semi = rest.find(';');
            lists.emplace_back(TrimSpaces(rest.substr(0, semi)));
            if (semi == std::string_view::npos) break;
            rest.remove_prefix(semi + 1);
        }
        return lists;
    }
    return {NeutralArgs(m)};
}

// Runs one call on a fresh copy of `source`; returns the result code, or -1
// when the call cannot be parsed (report.error says why).
std::int32_t RunOn(Executor& executor, const Image& source, const std::string& text, Image& result,
                   std::string& error) {
    const ParseResult parsed = ParseCall(text);
    if (!parsed.ok) {
        error = parsed.error;
        return -1;
    }
    PreparedCall prepared;
    prepared.call = parsed.call;
    for (std::size_t i = 0; i < InputImagePaths(parsed.call).size(); ++i) {
        prepared.images.push_back(MakeTestCard(std::max(2, source.width / 3), std::max(2, source.height / 3)));
    }
    executor.SetImage(source);
    std::vector<ImageOutput> outputs;
    const CallOutcome outcome = executor.Run(prepared, outputs);
    if (!executor.GetImage(result)) result = source;
    return outcome.result;
}

// Splits a call into label lines of at most `width` characters, breaking
// after "(" and ", " where it can.
std::vector<std::string> WrapCall(const std::string& call, std::size_t width) {
    std::vector<std::string> pieces;
    std::string piece;
    bool inQuotes = false;
    for (std::size_t i = 0; i < call.size(); ++i) {
        const char c = call[i];
        piece.push_back(c);
        if (c == '"') inQuotes = !inQuotes;
        if (!inQuotes && (c == '(' || (c == ' ' && i > 0 && call[i - 1] == ','))) {
            pieces.push_back(piece);
            piece.clear();
        }
    }
    if (!piece.empty()) pieces.push_back(piece);
    std::vector<std::string> lines;
    std::string line;
    for (const std::string& p : pieces) {
        if (!line.empty() && line.size() + p.size() > width) {
            lines.push_back(line);
            line.clear();
        }
        line += p;
        while (line.size() > width) {
            lines.push_back(line.substr(0, width));
            line.erase(0, width);
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void FillRect(Image& image, std::int32_t x0, std::int32_t y0, std::int32_t w, std::int32_t h,
              const std::uint8_t bgr[3]) {
    for (std::int32_t y = std::max(0, y0); y < std::min(image.height, y0 + h); ++y) {
        for (std::int32_t x = std::max(0, x0); x < std::min(image.width, x0 + w); ++x) {
            std::uint8_t* p = image.PictureAt(x, y);
            p[0] = bgr[0];
            p[1] = bgr[1];
            p[2] = bgr[2];
            p[3] = 255;
        }
    }
}

void Blit(Image& dst, const Image& src, std::int32_t x0, std::int32_t y0) {
    for (std::int32_t y = 0; y < src.height; ++y) {
        if (y0 + y < 0 || y0 + y >= dst.height) continue;
        for (std::int32_t x = 0; x < src.width; ++x) {
            if (x0 + x < 0 || x0 + x >= dst.width) continue;
            const std::uint8_t* s = src.PictureAt(x, y);
            std::uint8_t* d = dst.PictureAt(x0 + x, y0 + y);
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = 255;
        }
    }
}

constexpr std::uint8_t kBackground[3] = {32, 30, 28};
constexpr std::uint8_t kFrame[3] = {80, 76, 72};
constexpr std::uint8_t kText[3] = {232, 232, 232};
constexpr std::uint8_t kTitle[3] = {120, 210, 255};
constexpr std::uint8_t kRefused[3] = {110, 110, 255};

constexpr std::int32_t kMargin = 16;
constexpr std::int32_t kCellGap = 10;
constexpr std::int32_t kBlockGap = 28;
constexpr std::int32_t kLabelLines = 3;
constexpr std::int32_t kRowGap = 14;

}  // namespace

bool IsGalleryMember(const MemberInfo& m) {
    if (m.kind != MemberKind::Method) return false;
    // The image exchange methods hand images over rather than change them.
    if (m.name == "SetSafeArray" || m.name == "SetSafeArrayPtr" || m.name == "GetSafeArray") return false;
    // A method that writes its result into another array leaves the image.
    for (std::int32_t i = 0; i < m.paramCount; ++i) {
        const ParamInfo& p = m.params[i];
        const bool image = p.type == ParamType::ImageArray || p.type == ParamType::ImagePointer;
        if (image && p.dir != ParamDir::In) return false;
    }
    return true;
}

std::vector<std::string> GalleryCalls(const MemberInfo& m, const GalleryOptions& options) {
    std::vector<std::string> calls;
    const std::vector<std::string> lists = ArgumentLists(m);
    if (HasCompleteness(m)) {
        for (double c : options.completeness) {
            std::string call = std::string(m.name) + "(" + FormatDouble(c);
            if (!lists.front().empty()) call += ", " + lists.front();
            calls.push_back(call + ")");
        }
    } else {
        for (const std::string& args : lists) calls.push_back(std::string(m.name) + "(" + args + ")");
    }
    return calls;
}

Image FitImage(const Image& source, std::int32_t w, std::int32_t h, const std::uint8_t background[3]) {
    Image out;
    out.width = w;
    out.height = h;
    out.pixels.assign(4 * static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 255);
    FillRect(out, 0, 0, w, h, background);
    if (source.width < 1 || source.height < 1) return out;
    // The largest size with the source's aspect ratio that fits the box.
    std::int64_t fw = w, fh = static_cast<std::int64_t>(source.height) * w / source.width;
    if (fh > h) {
        fh = h;
        fw = static_cast<std::int64_t>(source.width) * h / source.height;
    }
    fw = std::max<std::int64_t>(fw, 1);
    fh = std::max<std::int64_t>(fh, 1);
    const std::int64_t ox = (w - fw) / 2, oy = (h - fh) / 2;
    for (std::int64_t ty = 0; ty < fh; ++ty) {
        const std::int64_t sy0 = ty * source.height / fh;
        const std::int64_t sy1 = std::max(sy0 + 1, (ty + 1) * source.height / fh);
        for (std::int64_t tx = 0; tx < fw; ++tx) {
            const std::int64_t sx0 = tx * source.width / fw;
            const std::int64_t sx1 = std::max(sx0 + 1, (tx + 1) * source.width / fw);
            std::uint64_t sum[3] = {0, 0, 0};
            for (std::int64_t sy = sy0; sy < sy1; ++sy) {
                for (std::int64_t sx = sx0; sx < sx1; ++sx) {
                    const std::uint8_t* p =
                        source.PictureAt(static_cast<std::int32_t>(sx), static_cast<std::int32_t>(sy));
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const auto n = static_cast<std::uint64_t>((sy1 - sy0) * (sx1 - sx0));
            std::uint8_t* d = out.PictureAt(static_cast<std::int32_t>(ox + tx), static_cast<std::int32_t>(oy + ty));
            for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>((sum[c] + n / 2) / n);
        }
    }
    return out;
}

void DrawLabel(Image& image, std::int32_t x, std::int32_t y, std::string_view text, const std::uint8_t bgr[3],
               std::int32_t scale) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::int64_t gx = x + static_cast<std::int64_t>(i) * kGlyphAdvance * scale;
        if (gx >= image.width) break;
        for (std::int32_t row = 0; row < kGlyphHeight; ++row) {
            const std::uint8_t bits = GlyphRow(text[i], row);
            for (std::int32_t col = 0; col < kGlyphWidth; ++col) {
                if ((bits & (0x10 >> col)) == 0) continue;
                FillRect(image, static_cast<std::int32_t>(gx) + col * scale, y + (row + GlyphDrop(text[i])) * scale,
                         scale, scale, bgr);
            }
        }
    }
}

Image RenderGallery(Executor& executor, const Image& source, const GalleryOptions& options, GalleryReport& report) {
    struct Block {
        const MemberInfo* member;
        std::vector<std::string> calls;
    };
    std::vector<Block> blocks;
    std::size_t cellsPerBlock = 1;
    for (const MemberInfo& m : kMembers) {
        if (!IsGalleryMember(m)) continue;
        blocks.push_back(Block{&m, GalleryCalls(m, options)});
        cellsPerBlock = std::max(cellsPerBlock, blocks.back().calls.size());
    }

    const std::int32_t tw = options.thumbWidth, th = options.thumbHeight;
    const std::int32_t labelHeight = kLabelLines * kGlyphLineHeight;
    const std::int32_t cellHeight = th + 4 + labelHeight;
    const auto perBlock = static_cast<std::int32_t>(cellsPerBlock);
    const std::int32_t blockWidth = perBlock * tw + (perBlock - 1) * kCellGap;
    const std::int32_t perRow = std::max(1, options.blocksPerRow);
    const std::int32_t rows = (static_cast<std::int32_t>(blocks.size()) + perRow - 1) / perRow;
    const std::int32_t titleHeight = 2 * kGlyphLineHeight + 8;
    const std::int32_t headerHeight = titleHeight + cellHeight + kRowGap;

    Image gallery;
    gallery.width = 2 * kMargin + perRow * blockWidth + (perRow - 1) * kBlockGap;
    gallery.height = 2 * kMargin + headerHeight + rows * (cellHeight + kRowGap);
    gallery.pixels.assign(4 * static_cast<std::size_t>(gallery.width) * static_cast<std::size_t>(gallery.height), 255);
    FillRect(gallery, 0, 0, gallery.width, gallery.height, kBackground);

    // Title and the unchanged picture.
    std::string title = "Tavrix VideoTransform - " + std::to_string(blocks.size()) + " operations at Completeness ";
    for (std::size_t i = 0; i < options.completeness.size(); ++i) {
        title += (i > 0 ? ", " : "") + FormatDouble(options.completeness[i]);
    }
    DrawLabel(gallery, kMargin, kMargin, title, kTitle, 2);
    const std::int32_t origY = kMargin + titleHeight;
    FillRect(gallery, kMargin - 1, origY - 1, tw + 2, th + 2, kFrame);
    Blit(gallery, FitImage(source, tw, th, kBackground), kMargin, origY);
    DrawLabel(gallery, kMargin, origY + th + 4,
              "original " + std::to_string(source.width) + "x" + std::to_string(source.height), kText);

    const std::int32_t wrapWidth = std::max(1, tw / kGlyphAdvance);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const auto bi = static_cast<std::int32_t>(b);
        const std::int32_t bx = kMargin + (bi % perRow) * (blockWidth + kBlockGap);
        const std::int32_t by = kMargin + headerHeight + (bi / perRow) * (cellHeight + kRowGap);
        for (std::size_t k = 0; k < blocks[b].calls.size(); ++k) {
            const std::string& call = blocks[b].calls[k];
            const std::int32_t cx = bx + static_cast<std::int32_t>(k) * (tw + kCellGap);
            Image result;
            std::string error;
            const std::int32_t code = RunOn(executor, source, call, result, error);
            report.cells.push_back(GalleryCell{call, code});
            if (code < 0) {
                report.error = error;
                result = source;
            }
            FillRect(gallery, cx - 1, by - 1, tw + 2, th + 2, kFrame);
            Blit(gallery, FitImage(result, tw, th, kBackground), cx, by);
            std::vector<std::string> lines = WrapCall(call, static_cast<std::size_t>(wrapWidth));
            if (code != 0) lines.push_back(code < 0 ? "not run" : "-> " + std::to_string(code));
            for (std::size_t l = 0; l < lines.size() && l < static_cast<std::size_t>(kLabelLines); ++l) {
                const bool last = l + 1 == lines.size();
                DrawLabel(gallery, cx, by + th + 4 + static_cast<std::int32_t>(l) * kGlyphLineHeight, lines[l],
                          (code != 0 && last) ? kRefused : kText);
            }
        }
    }
    return gallery;
}

std::vector<Image> RenderTransition(Executor& executor, const Image& source, std::int32_t frames, std::string& call,
                                    std::string& error) {
    const MemberInfo* member = nullptr;
    for (std::string_view name : kTransitions) {
        for (const MemberInfo& m : kMembers) {
            if (member == nullptr && m.name == name && IsGalleryMember(m) && HasCompleteness(m)) member = &m;
        }
    }
    for (const MemberInfo& m : kMembers) {
        if (member == nullptr && IsGalleryMember(m) && HasCompleteness(m)) member = &m;
    }
    std::vector<Image> sequence;
    if (member == nullptr || frames < 1) {
        error = "no member with a Completeness argument to animate";
        return sequence;
    }
    const std::string args = ArgumentLists(*member).front();
    for (std::int32_t i = 0; i < frames; ++i) {
        const double c = frames > 1 ? static_cast<double>(i) / (frames - 1) : 1.0;
        call = std::string(member->name) + "(" + FormatDouble(c) + (args.empty() ? "" : ", " + args) + ")";
        Image frame;
        if (RunOn(executor, source, call, frame, error) < 0) return {};
        sequence.push_back(std::move(frame));
    }
    return sequence;
}

}  // namespace vtx::cli
