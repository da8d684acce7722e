#include "bench/bench_common.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <utility>

#include "session/image_session.h"

namespace vtxbench {

const std::vector<FrameSize>& FrameSizes() {
    static const std::vector<FrameSize> sizes = {{800, 600}, {1920, 1080}};
    return sizes;
}

Buffer::Buffer(std::size_t bytes) : size_(bytes) {
    const std::size_t rounded = (bytes + 63) / 64 * 64;
    data_ = static_cast<std::uint8_t*>(std::aligned_alloc(64, rounded == 0 ? 64 : rounded));
    if (data_ == nullptr) throw std::bad_alloc();
    std::memset(data_, 0, rounded == 0 ? 64 : rounded);
}

Buffer::~Buffer() { std::free(data_); }

Buffer::Buffer(Buffer&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
}

Buffer& Buffer::operator=(Buffer&& other) noexcept {
    if (this != &other) {
        std::free(data_);
        data_ = other.data_;
        size_ = other.size_;
        other.data_ = nullptr;
        other.size_ = 0;
    }
    return *this;
}

namespace {

// Small deterministic generator for the noise of the synthetic frames.
struct XorShift {
    std::uint32_t s;
    std::uint32_t Next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    // Uniform in [-amplitude, amplitude].
    int Noise(int amplitude) { return static_cast<int>(Next() % static_cast<std::uint32_t>(2 * amplitude + 1)) - amplitude; }
};

std::uint8_t Clamp(int v, int lo, int hi) { return static_cast<std::uint8_t>(v < lo ? lo : (v > hi ? hi : v)); }

// A synthetic video frame: smooth colour gradients in three directions with
// noise on top, so that every byte value occurs and neighbouring pixels
// differ like camera noise. Colour bytes stay within 4 .. 251, so no channel
// is 0 anywhere (the minimum primitive then scans the whole frame, as it does
// on a frame without pure black). Alpha is 0 inside a centred ellipse of
// radii 0.4·W and 0.4·H (about half the pixels) and 255 outside, so that a
// masked call changes about half of the frame in connected regions.
void FillFrame(std::uint8_t* p, const FrameSize& fs, std::uint32_t seed, bool mirrored) {
    XorShift rng{seed};
    const int w = fs.width, h = fs.height;
    const double cx = 0.5 * (w - 1), cy = 0.5 * (h - 1);
    const double rx = 0.4 * w, ry = 0.4 * h;
    for (int y = 0; y < h; ++y) {
        for (int x0 = 0; x0 < w; ++x0) {
            const int x = mirrored ? (w - 1 - x0) : x0;
            const int b = 4 + x * 247 / (w - 1);
            const int g = 4 + y * 247 / (h - 1);
            const int r = 4 + ((x + (h - 1 - y)) * 247) / (w + h - 2);
            std::uint8_t* px = p + (std::int64_t{y} * w + x0) * 4;
            px[0] = Clamp(b + rng.Noise(12), 4, 251);
            px[1] = Clamp(g + rng.Noise(12), 4, 251);
            px[2] = Clamp(r + rng.Noise(12), 4, 251);
            const double dx = (x0 - cx) / rx, dy = (y - cy) / ry;
            px[3] = (dx * dx + dy * dy <= 1.0) ? 0 : 255;
        }
    }
}

std::map<std::string, std::unique_ptr<FrameSet>>& FrameSets() {
    static std::map<std::string, std::unique_ptr<FrameSet>> sets;
    return sets;
}

std::map<std::string, double>& MemcpyTimes() {
    static std::map<std::string, double> times;
    return times;
}

}  // namespace

void FrameSet::RestoreWork() { std::memcpy(work.data(), pristine.data(), static_cast<std::size_t>(size.FrameBytes())); }

FrameSet& Frames(const FrameSize& fs) {
    auto& sets = FrameSets();
    auto it = sets.find(fs.Name());
    if (it != sets.end()) return *it->second;

    auto set = std::make_unique<FrameSet>();
    set->size = fs;
    const auto frameBytes = static_cast<std::size_t>(fs.FrameBytes());
    const auto pixels = static_cast<std::size_t>(fs.Pixels());
    set->pristine = Buffer(frameBytes);
    set->second = Buffer(frameBytes);
    set->work = Buffer(frameBytes);
    set->dst = Buffer(frameBytes);
    set->plane = Buffer(pixels);
    for (auto& pl : set->planes) pl = Buffer(pixels);
    set->s16Plane = Buffer(pixels * 2);
    set->s16Pixels = Buffer(pixels * 8);
    set->f32Pristine = Buffer(pixels * 4);
    set->f32Work = Buffer(pixels * 4);
    const px::RoiSize br = set->BorderedRoi();
    set->bordered = Buffer(static_cast<std::size_t>(br.width) * br.height * 4);
    set->borderedPlane = Buffer(static_cast<std::size_t>(br.width) * br.height);
    set->hls3 = Buffer(pixels * 3);

    FillFrame(set->pristine.data(), fs, 0x12345678u, false);
    FillFrame(set->second.data(), fs, 0x9abcdef1u, true);
    set->RestoreWork();
    std::memcpy(set->dst.data(), set->second.data(), frameBytes);

    // Planes: the pristine frame's channels (plane 3 its alpha).
    for (std::size_t i = 0; i < pixels; ++i) {
        set->plane.data()[i] = set->pristine.data()[4 * i + 1];
        for (int k = 0; k < 4; ++k) set->planes[k].data()[i] = set->pristine.data()[4 * i + k];
    }
    XorShift rng{0x2468ace1u};
    auto* s16 = set->s16Plane.as<std::int16_t>();
    auto* s16px = set->s16Pixels.as<std::int16_t>();
    auto* f32 = set->f32Pristine.as<float>();
    for (std::size_t i = 0; i < pixels; ++i) {
        // Mostly in range, with a share of values on both sides of 0 .. 255.
        s16[i] = static_cast<std::int16_t>(static_cast<int>(set->plane.data()[i]) + rng.Noise(64));
        for (int k = 0; k < 4; ++k)
            s16px[4 * i + k] = static_cast<std::int16_t>(static_cast<int>(set->pristine.data()[4 * i + k]) + rng.Noise(64));
        f32[i] = static_cast<float>(set->plane.data()[i]) + static_cast<float>(rng.Noise(36)) * 1.0f;
    }
    std::memcpy(set->f32Work.data(), set->f32Pristine.data(), pixels * 4);
    for (std::size_t i = 0; i < pixels; ++i) {
        for (int k = 0; k < 3; ++k) set->hls3.data()[3 * i + k] = set->pristine.data()[4 * i + k];
    }
    // The hue byte of the OpenCV 8-bit HLS layout runs 0 .. 179.
    for (std::size_t i = 0; i < pixels; ++i) set->hls3.data()[3 * i] = static_cast<std::uint8_t>(set->hls3.data()[3 * i] % 180);

    FrameSet& ref = *set;
    sets.emplace(fs.Name(), std::move(set));
    return ref;
}

double ThreadSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

void MeasureMemcpyBaselines() {
    for (const FrameSize& fs : FrameSizes()) {
        FrameSet& set = Frames(fs);
        const auto bytes = static_cast<std::size_t>(fs.FrameBytes());
        for (int i = 0; i < 5; ++i) {
            std::memcpy(set.dst.data(), set.pristine.data(), bytes);
            benchmark::ClobberMemory();
        }
        // Median of 31 single copies; each copy is timed on its own like
        // every benchmarked call.
        std::vector<double> samples;
        for (int i = 0; i < 31; ++i) {
            const double t0 = ThreadSeconds();
            std::memcpy(set.dst.data(), set.pristine.data(), bytes);
            benchmark::ClobberMemory();
            samples.push_back(ThreadSeconds() - t0);
        }
        std::sort(samples.begin(), samples.end());
        MemcpyTimes()[fs.Name()] = samples[samples.size() / 2];
        char value[64];
        std::snprintf(value, sizeof value, "%.6f", samples[samples.size() / 2] * 1e3);
        benchmark::AddCustomContext("memcpy_ms_" + fs.Name(), value);
    }
}

double MemcpySeconds(const FrameSize& fs) {
    auto it = MemcpyTimes().find(fs.Name());
    if (it == MemcpyTimes().end() || it->second <= 0.0) return 1.0;
    return it->second;
}

namespace {
std::vector<std::int32_t>& RequestedLevels() {
    static std::vector<std::int32_t> levels;
    return levels;
}
}  // namespace

std::int32_t BestLevel() {
    px::ForceProcessorCeiling(px::kCpuHighest);
    return px::GetProcessorIndex();
}

bool SetRequestedLevels(const std::string& list) {
    std::vector<std::int32_t> levels;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        const std::size_t comma = list.find(',', pos);
        const std::string item = list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        std::int32_t level = 0;
        if (item == "best") {
            level = BestLevel();
        } else {
            for (std::int32_t l = px::kCpuPlain; l <= px::kCpuHighest; ++l) {
                if (item == LevelName(l) || item == std::to_string(l)) level = l;
            }
        }
        if (level == 0 || level > BestLevel()) return false;
        bool seen = false;
        for (std::int32_t l : levels) seen = seen || l == level;
        if (!seen) levels.push_back(level);
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    RequestedLevels() = levels;
    return !levels.empty();
}

std::vector<std::int32_t> BenchLevels() {
    if (!RequestedLevels().empty()) return RequestedLevels();
    const std::int32_t best = BestLevel();
    if (best <= px::kCpuPlain) return {px::kCpuPlain};
    return {px::kCpuPlain, best};
}

const char* LevelName(std::int32_t level) {
    switch (level) {
        case px::kCpuPlain: return "plain";
        case px::kCpuSse: return "sse";
        case px::kCpuSse2: return "sse2";
        case px::kCpuSse3: return "sse3";
        case px::kCpuAvx2: return "avx2";
        case px::kCpuAvx512: return "avx512";
        default: return "unknown";
    }
}

LevelScope::LevelScope(std::int32_t level) {
    ok_ = px::ForceProcessorCeiling(level) == px::kStsOk && px::GetProcessorIndex() == level;
}

LevelScope::~LevelScope() { px::ForceProcessorCeiling(px::kCpuHighest); }

benchmark::internal::Benchmark* Register(const std::string& name, std::function<void(benchmark::State&)> fn) {
    return benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State& st) { fn(st); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

void RegisterMemberCases(const FrameSize& size, const std::vector<MemberCase>& cases) {
    for (const MemberCase& c : cases) {
        for (std::int32_t level : BenchLevels()) {
            const auto fn = c.fn;
            Register("member/" + c.member + "/" + c.args + "/" + size.Name() + "/" + LevelName(level),
                     [fn, size, level](benchmark::State& st) {
                         LevelScope scope(level);
                         if (!scope.ok()) {
                             st.SkipWithError("level not selectable");
                             return;
                         }
                         MeasureMemberCall(st, size, fn);
                     });
        }
    }
}

void MeasureMemberCall(benchmark::State& state, const FrameSize& size,
                       const std::function<std::int32_t(vtx::ImageSession&)>& call) {
    FrameSet& f = Frames(size);
    vtx::ImageSession session;
    f.RestoreWork();
    if (session.SetImageInPlace(f.work.data(), size.width, size.height) != 0) {
        state.SkipWithError("SetImageInPlace refused the frame");
        return;
    }
    std::int32_t result = 0;
    Measure(state, size, size.FrameBytes(), [&] { f.RestoreWork(); }, [&] { result = call(session); });
    if (result != 0) state.SkipWithError(("result " + std::to_string(result)).c_str());
}

}  // namespace vtxbench
