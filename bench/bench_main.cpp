// Benchmark binary: every pixel primitive and colour adjustment on video
// frames, each beside memcpy of the same frame and, where built with OpenCV,
// beside the nearest OpenCV call. Single-threaded.
//
//   vtx_bench [--levels=plain,sse2,best] [google benchmark flags]
//
// --levels chooses the implementation levels (default: plain and the best
// level of this processor).
//
// bench/run.sh runs it and writes bench/RESULTS.md.
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_common.h"
#include "primitives/conventions.h"

namespace vtxbench {
namespace {

// memcpy of the whole frame: the yardstick of every other row.
void RegisterMemcpy() {
    for (const FrameSize& fs : FrameSizes()) {
        Register("memcpy/" + fs.Name(), [fs](benchmark::State& st) {
            FrameSet& f = Frames(fs);
            const auto bytes = static_cast<std::size_t>(fs.FrameBytes());
            Measure(st, fs, fs.FrameBytes(), NoPrepare, [&] {
                std::memcpy(f.dst.data(), f.pristine.data(), bytes);
                benchmark::ClobberMemory();
            });
        });
    }
}

// memcpy of a frame that is in no cache: before each copy a 96 MiB buffer
// (three times the last-level cache of the machines we run on) is written,
// which evicts source and destination. This is what a frame arriving from
// a decoder or a capture device costs to touch once; it is shown for
// comparison only (x_memcpy always refers to the cache-warm copy above).
void RegisterColdMemcpy() {
    static Buffer evict(std::size_t{96} << 20);
    for (const FrameSize& fs : FrameSizes()) {
        Register("memcpy_cold/" + fs.Name(), [fs](benchmark::State& st) {
            FrameSet& f = Frames(fs);
            const auto bytes = static_cast<std::size_t>(fs.FrameBytes());
            Measure(
                st, fs, fs.FrameBytes(),
                [&] {
                    for (std::size_t i = 0; i < evict.size(); i += 64) evict.data()[i]++;
                    benchmark::ClobberMemory();
                },
                [&] {
                    std::memcpy(f.dst.data(), f.pristine.data(), bytes);
                    benchmark::ClobberMemory();
                });
        });
    }
}

}  // namespace
}  // namespace vtxbench

int main(int argc, char** argv) {
    using namespace vtxbench;
    // Our own flag, removed before Google Benchmark reads the rest.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--levels=", 0) == 0) {
            if (!SetRequestedLevels(arg.substr(9))) {
                std::fprintf(stderr, "vtx_bench: unknown or unavailable level in %s\n", arg.c_str());
                return 2;
            }
            continue;
        }
        argv[kept++] = argv[i];
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const auto levels = BenchLevels();
    std::string levelList;
    for (std::int32_t l : levels) levelList += std::string(levelList.empty() ? "" : ",") + LevelName(l);
    benchmark::AddCustomContext("levels", levelList);

    MeasureMemcpyBaselines();  // also creates every frame set
    RegisterMemcpy();
    RegisterColdMemcpy();
    RegisterPrimitiveBenchmarks();
    RegisterOperationBenchmarks();
    RegisterNeighbourhoodOperationBenchmarks();
    RegisterOpenCvBenchmarks();
    RegisterGeometryBenchmarks();
    RegisterVectorDrawingBenchmarks();

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
