// Fuzz target over the member table: the input bytes become a run of calls on
// one ImageSession through the native binding (NativeExecutor), so that every
// member in the table is driven with any argument values, any image shape and
// both image exchange paths, with UseMask and BackColor changed in between.
// Each input runs twice, on the plain kernels and at the processor ceiling its
// first byte picks; both runs must give the same result codes, values and
// bytes. Every result code must be 0 or 1 and every image a call hands back
// must be the session's image.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <list>
#include <string>
#include <vector>

#include "primitives/conventions.h"
#include "session/members.h"
#include "session/tick_source.h"
#include "tools/vtx/native_executor.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define VTX_FUZZ_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define VTX_FUZZ_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#endif
#endif
#ifndef VTX_FUZZ_POISON
#define VTX_FUZZ_POISON(p, n) ((void)(p), (void)(n))
#define VTX_FUZZ_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

using namespace vtx;
using namespace vtx::cli;

void Check(bool ok, const char* what, const std::string& detail) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s (%s)\n", what, detail.c_str());
    std::abort();
}

constexpr std::int32_t kMaxCalls = 24;
constexpr std::int32_t kMaxSide = 66;

// A value from the pool of edge values, or one made by `other`.
template <class T, std::size_t N, class Other>
T Pick(FuzzedDataProvider& in, const T (&pool)[N], Other other) {
    if (in.ConsumeBool()) return pool[in.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
    return other();
}

double MakeDouble(FuzzedDataProvider& in) {
    using L = std::numeric_limits<double>;
    static const double kPool[] = {L::quiet_NaN(), -L::quiet_NaN(), L::infinity(), -L::infinity(), 0.0, -0.0, 1.0,
                                   -1.0, 0.5, 0.999, 1.0000001, L::denorm_min(), -L::denorm_min(), DBL_MIN, DBL_MAX,
                                   -DBL_MAX, 255.0, 255.5, 256.0, -255.0, 100.0, -100.0, 360.0, -360.0, 2147483647.5,
                                   2147483648.0, -2147483649.0, 1e300, -1e300};
    return Pick(in, kPool, [&] {
        if (in.ConsumeBool()) return in.ConsumeIntegralInRange<std::int32_t>(-1000, 1000) / 8.0;
        const std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    });
}

std::int32_t MakeInt(FuzzedDataProvider& in) {
    static const std::int32_t kPool[] = {INT32_MIN, INT32_MIN + 1, -65536, -256, -255, -1, 0, 1, 2, 3, 127, 128,
                                         254, 255, 256, 65535, 0x00FFFFFF, 0x00FF0000, INT32_MAX - 1, INT32_MAX};
    return Pick(in, kPool, [&] {
        return in.ConsumeBool() ? in.ConsumeIntegralInRange<std::int32_t>(-300, 300)
                                : in.ConsumeIntegral<std::int32_t>();
    });
}

std::u16string MakeText(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: return u"";
        case 1: return std::u16string(in.ConsumeIntegralInRange<std::size_t>(256, 70000), u'W');
        case 2: {  // ASCII, NUL included
            const std::string s = in.ConsumeRandomLengthString(64);
            return std::u16string(s.begin(), s.end());
        }
        default: {  // any code units: non-ASCII, unpaired surrogates
            std::u16string s(in.ConsumeIntegralInRange<std::size_t>(1, 32), u'\0');
            for (char16_t& c : s) c = in.ConsumeIntegral<char16_t>();
            return s;
        }
    }
}

std::int32_t MakeSide(FuzzedDataProvider& in) {
    static const std::int32_t kPool[] = {0, 1, 2, 3, 5, 8, 15, 16, 17, 31, 33, 64};
    return Pick(in, kPool, [&] { return in.ConsumeIntegralInRange<std::int32_t>(0, kMaxSide); });
}

// W x H pixels: a few leading bytes from the input, the rest from a seeded
// generator around a base colour (spread 0 gives a flat image, 1 two values);
// alpha all 0, all 255, a 0/255 mixture or anything.
Image MakeImage(FuzzedDataProvider& in) {
    Image img;
    img.width = MakeSide(in);
    img.height = MakeSide(in);
    img.pixels.resize(4 * static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height));
    const std::uint32_t base = in.ConsumeIntegral<std::uint32_t>();
    const std::uint8_t spread = in.ConsumeIntegral<std::uint8_t>();
    const int alphaMode = in.ConsumeIntegralInRange<int>(0, 3);
    std::uint32_t state = in.ConsumeIntegral<std::uint32_t>();
    for (std::size_t i = 0; i < img.pixels.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const std::uint8_t r = static_cast<std::uint8_t>(state >> 24);
        const std::size_t c = i % 4;
        if (c < 3) {
            img.pixels[i] = static_cast<std::uint8_t>((base >> (8 * c)) + (r & spread));
        } else {
            static const std::uint8_t kAlpha[] = {0, 255};
            img.pixels[i] = alphaMode < 2 ? kAlpha[alphaMode] : (alphaMode == 2 ? kAlpha[r & 1] : r);
        }
    }
    const std::vector<std::uint8_t> head = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 64));
    std::copy_n(head.begin(), std::min(head.size(), img.pixels.size()), img.pixels.begin());
    return img;
}

// One argument of parameter p, typed as the call parser types it. A new
// ParamType is a compile error here (-Wswitch with -Werror): add its maker.
ArgValue MakeArg(FuzzedDataProvider& in, const ParamInfo& p, std::vector<Image>& images) {
    switch (p.type) {
        case ParamType::Double: return MakeDouble(in);
        case ParamType::Int32: return MakeInt(in);
        case ParamType::Bool: {
            static const std::int16_t kPool[] = {kVariantTrue, kVariantFalse, 1, INT16_MIN, INT16_MAX};
            return Pick(in, kPool, [&] { return in.ConsumeIntegral<std::int16_t>(); });
        }
        case ParamType::Byte: return in.ConsumeIntegral<std::uint8_t>();
        case ParamType::Text: return TextArg{MakeText(in)};
        case ParamType::ImageArray:
        case ParamType::ImagePointer:
            if (p.dir == ParamDir::InOut) {  // the caller's array for a result image: its size, as vtx admits it
                return ImageSizeArg{std::max(MakeSide(in), 1), std::max(MakeSide(in), 1)};
            }
            if (p.dir == ParamDir::In) images.push_back(MakeImage(in));
            return ImagePathArg{"fuzz.png"};
        case ParamType::Font:  // the null font, or a face with any size, weight, flags and character set
            if (in.ConsumeBool()) return FontArg{};
            {
                // Known, unknown, empty, listed and malformed faces, or any bytes.
                static const std::string kFaces[] = {"DejaVu Sans", "DejaVu Serif", "No Such Face", "", "Sans, Mono",
                                                     std::string("A\0B", 3), "\xff\xfe\xc3", "Arial"};
                std::string face = Pick(in, kFaces, [&] { return in.ConsumeRandomLengthString(40); });
                return FontArg{false, std::move(face), MakeInt(in), MakeInt(in), in.ConsumeBool(), in.ConsumeBool(),
                               in.ConsumeBool(), MakeInt(in)};
            }
    }
    std::abort();  // not a ParamType value
}

// The owned buffer past the bytes in use stays poisoned during the calls, so
// that ASan sees reads and writes beyond a copied image as it does for an
// image set in place (whose host buffer has the exact size); only a call that
// is handed an image may write more of it. The whole buffer is poisoned once;
// later only the window where images of the sizes made here lie changes (a
// session whose buffer moved starts over).
constexpr std::int32_t kWindow = 4 * kMaxSide * kMaxSide + 64;

void Poison(ImageSession& s, bool poison, bool all) {
    const std::int32_t used = poison && s.HasImage() && s.pixels() == s.ownedBuffer() ? s.byteSize() : 0;
    const std::int32_t end = all ? s.ownedCapacity() : std::min(s.ownedCapacity(), std::max(kWindow, s.byteSize()));
    const std::size_t n = static_cast<std::size_t>(std::max(end - used, 0));
    if (poison) VTX_FUZZ_POISON(s.ownedBuffer() + used, n);
    if (!poison) VTX_FUZZ_UNPOISON(s.ownedBuffer(), n);
}

struct Trace {
    std::vector<std::int32_t> results;
    std::string values;
    std::vector<std::uint8_t> bytes;  // images handed back, then the session's final image
};

Trace RunCalls(const std::uint8_t* data, std::size_t size, std::int32_t ceiling) {
    Check(px::ForceProcessorCeiling(ceiling) == px::kStsOk, "processor ceiling", std::to_string(ceiling));
    FuzzedDataProvider in(data, size);
    std::list<PreparedCall> calls;  // their images stay in place until the run ends
    // Noise and diffusion are seeded by a fixed tick, so that both runs of an
    // input draw the same offsets.
    FixedTicks ticks(0x2545F491u);
    NativeExecutor ex;
    ImageSession& s = ex.session();
    s.setTickSource(&ticks);
    Trace t;
    Poison(s, true, true);
    for (std::int32_t n = 0; n < kMaxCalls && in.remaining_bytes() > 0; ++n) {
        PreparedCall& c = calls.emplace_back();
        c.call.member = &kMembers[in.ConsumeIntegralInRange<std::int32_t>(0, kMemberCount - 1)];
        const MemberInfo& m = *c.call.member;
        for (std::int32_t i = 0; i < m.paramCount; ++i) {
            if (IsSuppliedParam(m.params[i])) c.call.args.push_back(MakeArg(in, m.params[i], c.images));
        }
        std::vector<ImageOutput> outputs;
        const std::uint8_t* const owned = s.ownedBuffer();
        if (!c.images.empty()) Poison(s, false, false);
        const CallOutcome out = ex.Run(c, outputs);
        const std::string id(m.id);
        Check(out.result == 0 || out.result == 1, "result code 0 or 1", id + " gave " + std::to_string(out.result));
        for (const ImageOutput& o : outputs) {
            Check(s.HasImage() && o.image.width == s.width() && o.image.height == s.height() &&
                      o.image.pixels.size() == static_cast<std::size_t>(s.byteSize()) &&
                      std::equal(o.image.pixels.begin(), o.image.pixels.end(), s.pixels()),
                  "an image handed back is the session's", id);
            t.bytes.insert(t.bytes.end(), o.image.pixels.begin(), o.image.pixels.end());
        }
        Poison(s, true, s.ownedBuffer() != owned);
        t.results.push_back(out.result);
        t.values += id + ":" + out.value + ";";
    }
    Poison(s, false, true);
    if (s.HasImage()) t.bytes.insert(t.bytes.end(), s.pixels(), s.pixels() + s.byteSize());
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::int32_t ceiling = px::kCpuSse + data[0] % (px::kCpuHighest - px::kCpuSse + 1);
    const Trace plain = RunCalls(data + 1, size - 1, px::kCpuPlain);
    const Trace fast = RunCalls(data + 1, size - 1, ceiling);
    const std::string calls = "ceiling " + std::to_string(ceiling) + ", calls " + plain.values;
    Check(plain.results == fast.results && plain.values == fast.values, "same results as the plain kernels",
          calls + " vs " + fast.values);
    Check(plain.bytes == fast.bytes, "same bytes as the plain kernels", calls);
    return 0;
}
