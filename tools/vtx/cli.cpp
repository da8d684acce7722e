#include "tools/vtx/cli.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <ostream>
#include <system_error>

#include "session/image_session.h"
#include "session/members.h"
#include "tools/vtx/call_parser.h"
#include "tools/vtx/gallery.h"
#include "tools/vtx/png_io.h"
#include "tools/vtx/test_card.h"

namespace vtx::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: vtx [--in FILE] [--size WxH] [--out FILE] [--keep-alpha] [--quiet] [--cpu LEVEL]\n"
    "           [--seed N] CALL...\n"
    "       vtx demo [--in FILE] [--size WxH] [--out DIR]\n"
    "       vtx --help | vtx help NAME\n";

constexpr std::string_view kDefaultDemoDir = "vtx-demo";
constexpr std::int32_t kTransitionFrames = 24;

struct Options {
    std::string in;
    std::string out;
    std::string size;
    std::string cpu;
    std::string seed;
    bool keepAlpha = false;
    bool quiet = false;
    bool help = false;
    std::vector<std::string> calls;
};

// Splits "--name=value" or takes the next argument as the value.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, std::string_view name, std::string& value,
               bool& matched, std::string& error) {
    const std::string& a = args[i];
    matched = false;
    if (a == name) {
        matched = true;
        if (i + 1 >= args.size()) {
            error = std::string(name) + " needs a value";
            return false;
        }
        if (!value.empty()) {
            error = std::string(name) + " given twice";
            return false;
        }
        value = args[++i];
        if (value.empty()) {
            error = std::string(name) + " needs a value";
            return false;
        }
        return true;
    }
    if (a.size() > name.size() && a.compare(0, name.size(), name) == 0 && a[name.size()] == '=') {
        matched = true;
        if (!value.empty()) {
            error = std::string(name) + " given twice";
            return false;
        }
        value = a.substr(name.size() + 1);
        if (value.empty()) {
            error = std::string(name) + " needs a value";
            return false;
        }
        return true;
    }
    return true;
}

// Options of both forms; `allowed` lists the value options of the mode.
bool ParseOptions(const std::vector<std::string>& args, std::size_t start, bool demo, Options& o, std::string& error) {
    bool optionsEnded = false;
    for (std::size_t i = start; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-' || a[1] != '-') {
            if (demo) {
                error = "unexpected argument '" + a + "' after demo";
                return false;
            }
            if (a.size() >= 1 && a[0] == '-' && !optionsEnded) {
                error = "unknown option '" + a + "'";
                return false;
            }
            o.calls.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a == "--help") {
            o.help = true;
            continue;
        }
        if (!demo && a == "--keep-alpha") {
            o.keepAlpha = true;
            continue;
        }
        if (!demo && a == "--quiet") {
            o.quiet = true;
            continue;
        }
        bool matched = false;
        if (!TakeValue(args, i, "--in", o.in, matched, error)) return false;
        if (matched) continue;
        if (!TakeValue(args, i, "--out", o.out, matched, error)) return false;
        if (matched) continue;
        if (!TakeValue(args, i, "--size", o.size, matched, error)) return false;
        if (matched) continue;
        if (!demo) {
            if (!TakeValue(args, i, "--cpu", o.cpu, matched, error)) return false;
            if (matched) continue;
            if (!TakeValue(args, i, "--seed", o.seed, matched, error)) return false;
            if (matched) continue;
        }
        error = "unknown option '" + a + "'";
        return false;
    }
    return true;
}

// A decimal number 0 .. 2^32-1.
bool ParseSeed(const std::string& s, std::uint32_t& seed) {
    if (s.empty() || s.size() > 10) return false;
    std::uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFull) return false;
    seed = static_cast<std::uint32_t>(v);
    return true;
}

bool ParseSize(const std::string& s, std::int32_t& w, std::int32_t& h, std::string& error) {
    const std::size_t x = s.find_first_of("xX");
    const auto digits = [](std::string_view d) {
        if (d.empty() || d.size() > 10) return false;
        for (char c : d) {
            if (c < '0' || c > '9') return false;
        }
        return true;
    };
    if (x == std::string::npos || !digits(std::string_view(s).substr(0, x)) ||
        !digits(std::string_view(s).substr(x + 1))) {
        error = "--size expects WxH, for example 800x600; got '" + s + "'";
        return false;
    }
    const long long lw = std::stoll(s.substr(0, x)), lh = std::stoll(s.substr(x + 1));
    if (lw < 1 || lh < 1) {
        error = "--size " + s + ": zero-size image";
        return false;
    }
    if (!ImageSession::FitsByteSize(lw, lh)) {
        error = "--size " + s + ": image too large (4·W·H bytes must fit a signed 32-bit value)";
        return false;
    }
    w = static_cast<std::int32_t>(lw);
    h = static_cast<std::int32_t>(lh);
    return true;
}

// The picture to work on: the input file or the test card.
bool LoadSource(const Options& o, Image& source, std::string& error) {
    if (!o.in.empty()) {
        if (!o.size.empty()) {
            error = "--size sets the size of the built-in test card and cannot be used with --in";
            return false;
        }
        return ReadPng(o.in, source, error);
    }
    std::int32_t w = kDefaultCardWidth, h = kDefaultCardHeight;
    if (!o.size.empty() && !ParseSize(o.size, w, h, error)) return false;
    try {
        source = MakeTestCard(w, h);
    } catch (const std::bad_alloc&) {
        error = "out of memory for a " + std::to_string(w) + "x" + std::to_string(h) + " test card";
        return false;
    }
    return true;
}

struct PendingWrite {
    std::string path;
    const Image* image;
    bool keepAlpha;
};

// Encodes every image, writes each under a temporary name, and only when all
// are written renames them into place: an error leaves no output behind.
bool WriteAll(const std::vector<PendingWrite>& writes, std::string& error) {
    std::vector<StagedFile> staged;
    staged.reserve(writes.size());
    for (const PendingWrite& w : writes) {
        std::vector<std::uint8_t> bytes;
        if (!EncodePng(*w.image, w.keepAlpha, bytes, error)) {
            error = w.path + ": " + error;
            return false;
        }
        staged.emplace_back(w.path);
        if (!staged.back().Stage(bytes, error)) return false;
    }
    for (StagedFile& f : staged) {
        if (!f.Commit(error)) return false;
    }
    return true;
}

int UsageError(Environment& env, const std::string& message) {
    *env.err << "vtx: " << message << "\n";
    return kExitUsage;
}

int RunDemo(const std::vector<std::string>& args, Environment& env) {
    Options o;
    std::string error;
    if (!ParseOptions(args, 1, true, o, error)) return UsageError(env, error + "\n" + std::string(kUsage));
    if (o.help) {
        *env.out << kUsage;
        return kExitOk;
    }
    Image source;
    if (!LoadSource(o, source, error)) return UsageError(env, error);
    const std::string dir = o.out.empty() ? std::string(kDefaultDemoDir) : o.out;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir, ec)) return UsageError(env, dir + ": cannot create the folder");

    GalleryOptions gopt;
    GalleryReport report;
    Image gallery;
    std::vector<Image> frames;
    std::string transition;
    Image overlay;
    try {
        gallery = RenderGallery(*env.executor, source, gopt, report);
        if (!report.error.empty()) return UsageError(env, "demo: " + report.error);
        frames = RenderTransition(*env.executor, source, kTransitionFrames, transition, error);
        if (frames.empty()) return UsageError(env, "demo: " + error);
    } catch (const std::bad_alloc&) {
        return UsageError(env, "demo: out of memory");
    }

    const std::filesystem::path base(dir);
    std::vector<PendingWrite> writes;
    writes.push_back({(base / "gallery.png").string(), &gallery, false});
    std::vector<std::string> framePaths;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%03zu.png", i);
        framePaths.push_back((base / name).string());
        writes.push_back({framePaths.back(), &frames[i], false});
    }
    if (!WriteAll(writes, error)) return UsageError(env, error);

    std::int32_t refused = 0;
    for (const GalleryCell& c : report.cells) refused += c.result != 0 ? 1 : 0;
    *env.out << "vtx demo: " << writes[0].path << " (" << gallery.width << "x" << gallery.height << ", "
             << report.cells.size() << " calls";
    if (refused > 0) *env.out << ", " << refused << " returned 1";
    *env.out << ")\n";
    *env.out << "vtx demo: " << framePaths.front() << " .. " << framePaths.back() << " (" << frames.size()
             << " frames, " << transition.substr(0, transition.find('(')) << " with Completeness 0 to 1)\n";
    return refused > 0 ? kExitCallFailed : kExitOk;
}

std::string PadRight(std::string s, std::size_t n) {
    if (s.size() < n) s.append(n - s.size(), ' ');
    return s;
}

std::string_view DirName(ParamDir d) {
    switch (d) {
        case ParamDir::In: return "in";
        case ParamDir::Out: return "out";
        case ParamDir::InOut: return "in/out";
        case ParamDir::OutRetval: return "out, return value";
    }
    return "?";
}

std::string_view KindName(MemberKind k) {
    switch (k) {
        case MemberKind::Method: return "method";
        case MemberKind::PropertyGet: return "property get";
        case MemberKind::PropertyPut: return "property put";
    }
    return "?";
}

}  // namespace

std::string HelpText() {
    std::string s(kUsage);
    s += "\n"
         "Applies calls of the VideoTransform interface to a picture: the PNG given\n"
         "with --in (grey, RGB, RGBA or palette), or a built-in test card of --size\n"
         "(default 800x600). --out writes the result as PNG (RGB; RGBA with\n"
         "--keep-alpha, carrying the alpha bytes exactly).\n"
         "\n"
         "CALL is Name(arg, ...) or Property=value; names ignore case, and property\n"
         "accessors may be written get_Name() and put_Name(value). Arguments:\n"
         "  double  1.5, -2, 0x10, nan, inf     long  42, -7, 0xFF0000 (0xFFFFFFFF = -1)\n"
         "  bool    -1 or true, 0 or false      byte  0..255\n"
         "  string  \"quoted text\"               image \"path.png\" (read, or written for out)\n"
         "  WxH     size of an output image     font  null or \"Arial, 24, bold, italic\"\n"
         "A font is a face, then any of: the character height in pixels, bold,\n"
         "italic, underline, strikeout, weight=N, charset=N; null is the default\n"
         "font (fontconfig's Sans, 13 pixels; faces fontconfig lacks fall back).\n"
         "Each call prints 'Name -> result' unless --quiet; property gets also print\n"
         "the value. Exit status: 0 when every call returned 0, 1 when one returned 1\n"
         "(the image is still written), 2 for usage and file errors (nothing written).\n"
         "--cpu plain|sse|sse2|sse3|avx2|avx512 caps the primitives' processor level.\n"
         "--seed N (0..4294967295) fixes the tick count that seeds EffectNoise and\n"
         "EffectDiffuse, making them reproducible; without it they change per run.\n"
         "\n"
         "vtx demo writes DIR/gallery.png (every operation at several Completeness\n"
         "values) and DIR/frame_000.png ... (a transition); DIR defaults to vtx-demo.\n"
         "\n"
         "Members:\n";
    for (const MemberInfo& m : kMembers) {
        std::string sig = FormatSignature(m);
        if (m.kind == MemberKind::PropertyPut) sig += "   or " + std::string(m.name) + "=V";
        s += "  " + sig + "\n      " + std::string(m.help) + "\n";
    }
    return s;
}

bool MemberHelpText(std::string_view name, std::string& text) {
    const std::vector<const MemberInfo*> found = FindMembersByName(name);
    if (found.empty()) return false;
    text.clear();
    for (const MemberInfo* m : found) {
        if (!text.empty()) text += "\n";
        text += FormatSignature(*m) + "\n";
        text += "  " + std::string(m->help) + "\n";
        text += "  " + std::string(KindName(m->kind)) + ", dispatch id " + std::to_string(m->dispid) + "\n";
        if (m->kind == MemberKind::PropertyPut) {
            text += "  call as " + std::string(m->name) + "=V, " + std::string(m->name) + "(V) or put_" +
                    std::string(m->name) + "(V)\n";
        } else if (m->kind == MemberKind::PropertyGet) {
            text += "  call as " + std::string(m->name) + "() or get_" + std::string(m->name) + "()\n";
        }
        if (m->paramCount > 0) text += "  parameters:\n";
        for (std::int32_t i = 0; i < m->paramCount; ++i) {
            const ParamInfo& p = m->params[i];
            text += "    " + PadRight(std::string(p.name), 14) + PadRight(std::string(TypeName(p)), 11) +
                    std::string(DirName(p.dir)) + "\n";
        }
    }
    return true;
}

int RunVtx(const std::vector<std::string>& args, Environment& env) {
    if (args.empty()) {
        *env.err << kUsage << "vtx --help lists the members and their parameters.\n";
        return kExitUsage;
    }
    if (args[0] == "demo") return RunDemo(args, env);
    if (args[0] == "help") {
        if (args.size() == 1) {
            *env.out << HelpText();
            return kExitOk;
        }
        if (args.size() > 2) return UsageError(env, "help takes one member name");
        std::string text;
        if (!MemberHelpText(args[1], text)) {
            return UsageError(env, "help: unknown member '" + args[1] + "' (vtx --help lists the members)");
        }
        *env.out << text;
        return kExitOk;
    }

    Options o;
    std::string error;
    if (!ParseOptions(args, 0, false, o, error)) return UsageError(env, error + "\n" + std::string(kUsage));
    if (o.help) {
        *env.out << HelpText();
        return kExitOk;
    }

    // Every call is parsed before anything is read or run.
    std::vector<PreparedCall> calls;
    calls.reserve(o.calls.size());
    for (const std::string& text : o.calls) {
        ParseResult r = ParseCall(text);
        if (!r.ok) return UsageError(env, r.error);
        calls.push_back(PreparedCall{std::move(r.call), {}});
    }
    if (!o.cpu.empty()) {
        if (!env.setCpuLevel) return UsageError(env, "--cpu is not available in this build");
        if (!env.setCpuLevel(o.cpu, error)) return UsageError(env, error);
    }
    if (!o.seed.empty()) {
        std::uint32_t seed = 0;
        if (!ParseSeed(o.seed, seed)) {
            return UsageError(env, "--seed expects a number 0..4294967295; got '" + o.seed + "'");
        }
        if (!env.setSeed) return UsageError(env, "--seed is not available in this build");
        env.setSeed(seed);
    }

    // Then every file is read.
    Image source;
    if (!LoadSource(o, source, error)) return UsageError(env, error);
    try {
        for (PreparedCall& c : calls) {
            for (const std::string& path : InputImagePaths(c.call)) {
                Image img;
                if (!ReadPng(path, img, error)) return UsageError(env, c.call.text + ": " + error);
                c.images.push_back(std::move(img));
            }
        }
    } catch (const std::bad_alloc&) {
        return UsageError(env, "out of memory reading the call's images");
    }

    // The calls run in order on the picture.
    Executor& ex = *env.executor;
    std::vector<ImageOutput> outputs;
    Image result;
    bool anyFailed = false;
    try {
        ex.SetImage(source);
        for (PreparedCall& c : calls) {
            const CallOutcome outcome = ex.Run(c, outputs);
            anyFailed = anyFailed || outcome.result != 0;
            if (!o.quiet) {
                *env.out << c.call.member->name << " -> " << outcome.result;
                if (!outcome.value.empty()) *env.out << " (" << outcome.value << ")";
                *env.out << "\n";
            } else if (!outcome.value.empty()) {
                *env.out << outcome.value << "\n";
            }
        }
        if (!o.out.empty() && !ex.GetImage(result)) return UsageError(env, "no image to write");
    } catch (const std::bad_alloc&) {
        return UsageError(env, "out of memory");
    }
    env.out->flush();

    std::vector<PendingWrite> writes;
    for (const ImageOutput& out : outputs) writes.push_back({out.path, &out.image, o.keepAlpha});
    if (!o.out.empty()) writes.push_back({o.out, &result, o.keepAlpha});
    if (!WriteAll(writes, error)) return UsageError(env, error);
    return anyFailed ? kExitCallFailed : kExitOk;
}

}  // namespace vtx::cli
