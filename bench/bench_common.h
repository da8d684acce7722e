// Shared pieces of the benchmark binary: frame sizes, synthetic frames, the
// per-thread CPU clock, the memcpy baseline of each frame size and the timing
// loop every benchmark runs through.
//
// Every benchmark reports the time of the measured call alone (manual time
// read from the thread's CPU clock, so that other processes on the machine do
// not inflate it); whatever prepares the next call, such as restoring a frame
// that an in-place call changed, runs outside the measured interval.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "primitives/conventions.h"

namespace vtx {
class ImageSession;
}

namespace vtxbench {

namespace px = vtx::px;

struct FrameSize {
    std::int32_t width;
    std::int32_t height;
    std::string Name() const { return std::to_string(width) + "x" + std::to_string(height); }
    std::int64_t Pixels() const { return std::int64_t{width} * height; }
    std::int64_t FrameBytes() const { return 4 * Pixels(); }
    px::RoiSize Roi() const { return px::RoiSize{width, height}; }
};

// The frame sizes every benchmark runs on.
const std::vector<FrameSize>& FrameSizes();

// Border added on each side by the border-copy benchmarks.
constexpr std::int32_t kBorder = 8;

// A 64-byte aligned, zero-filled byte buffer.
class Buffer {
public:
    Buffer() = default;
    explicit Buffer(std::size_t bytes);
    ~Buffer();
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    Buffer(Buffer&& other) noexcept;
    Buffer& operator=(Buffer&& other) noexcept;
    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    template <class T>
    T* as() {
        return reinterpret_cast<T*>(data_);
    }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Every buffer the benchmarks of one frame size use, created on first use
// and kept for the whole run.
struct FrameSet {
    FrameSize size;
    Buffer pristine;    // the synthetic frame (BGRA), never written after set-up
    Buffer second;      // a second, different BGRA frame (two-source primitives)
    Buffer work;        // the frame the in-place calls and sessions work on
    Buffer dst;         // destination BGRA frame
    Buffer plane;       // one 8-bit plane of W x H
    Buffer planes[4];   // four 8-bit planes of W x H
    Buffer s16Plane;    // 16-bit plane of W x H, values -64 .. 319
    Buffer s16Pixels;   // 16-bit AC4 image of W x H (8 bytes a pixel), values -64 .. 319
    Buffer f32Pristine; // float plane of W x H, values -32 .. 288
    Buffer f32Work;
    Buffer bordered;       // BGRA frame of (W + 2·kBorder) x (H + 2·kBorder)
    Buffer borderedPlane;  // 8-bit plane of the same size
    Buffer hls3;        // three-byte pixels of W x H (packed HLS for the OpenCV side)

    std::int32_t Stride() const { return 4 * size.width; }
    px::RoiSize BorderedRoi() const { return px::RoiSize{size.width + 2 * kBorder, size.height + 2 * kBorder}; }
    // Copies the pristine frame over the work frame.
    void RestoreWork();
};

FrameSet& Frames(const FrameSize& size);

// CPU time of the calling thread, in seconds.
double ThreadSeconds();

// Median time of one memcpy of a whole frame of this size (src and dst both
// frame-sized), measured once at start-up.
void MeasureMemcpyBaselines();
double MemcpySeconds(const FrameSize& size);

// Implementation levels to run: by default plain and the best level this
// processor selects; SetRequestedLevels takes a comma-separated list of level
// names or numbers ("plain,sse2,best") and returns false for an unknown or
// unavailable level.
std::int32_t BestLevel();
bool SetRequestedLevels(const std::string& list);
std::vector<std::int32_t> BenchLevels();
const char* LevelName(std::int32_t level);

// Forces the processor ceiling for one benchmark and restores the full
// selection afterwards.
class LevelScope {
public:
    explicit LevelScope(std::int32_t level);
    ~LevelScope();
    LevelScope(const LevelScope&) = delete;
    LevelScope& operator=(const LevelScope&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_;
};

// The timing loop: before each iteration `prepare` runs untimed, then `body`
// is timed on the thread's CPU clock. Reports bytes processed per iteration
// and the counter x_memcpy = (time of one call) / (memcpy of the frame).
template <class Prepare, class Body>
void Measure(benchmark::State& state, const FrameSize& size, std::int64_t bytesPerCall, Prepare&& prepare,
             Body&& body) {
    double total = 0.0;
    for (auto _ : state) {
        prepare();
        const double t0 = ThreadSeconds();
        body();
        const double t1 = ThreadSeconds();
        state.SetIterationTime(t1 - t0);
        total += t1 - t0;
    }
    const auto iterations = static_cast<std::int64_t>(state.iterations());
    state.SetBytesProcessed(iterations * bytesPerCall);
    if (iterations > 0) {
        state.counters["x_memcpy"] = benchmark::Counter(total / static_cast<double>(iterations) / MemcpySeconds(size));
    }
}

inline void NoPrepare() {}

// One whole member call timed on a session working in place on the frame
// of `size`, which is restored before every call (untimed). A result other
// than 0 marks the row as an error.
void MeasureMemberCall(benchmark::State& state, const FrameSize& size,
                       const std::function<std::int32_t(vtx::ImageSession&)>& call);

// Registers one benchmark with the settings they all share.
benchmark::internal::Benchmark* Register(const std::string& name, std::function<void(benchmark::State&)> fn);

// A member call with its arguments as the row names them.
struct MemberCase {
    std::string member;
    std::string args;
    std::function<std::int32_t(vtx::ImageSession&)> fn;
};

// One row "member/<member>/<args>/<size>/<level>" per case and benchmarked
// level, each timed by MeasureMemberCall.
void RegisterMemberCases(const FrameSize& size, const std::vector<MemberCase>& cases);

void RegisterPrimitiveBenchmarks();
void RegisterOperationBenchmarks();
void RegisterNeighbourhoodOperationBenchmarks();
void RegisterOpenCvBenchmarks();  // no-op when built without OpenCV
void RegisterGeometryBenchmarks();
void RegisterDrawingBenchmarks();
void RegisterVectorDrawingBenchmarks();

}  // namespace vtxbench
