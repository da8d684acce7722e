// vtx: applies VideoTransform calls to PNG files (see cli.h).
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "primitives/conventions.h"
#include "session/tick_source.h"
#include "tools/vtx/cli.h"
#include "tools/vtx/native_executor.h"

namespace {

// --cpu: the highest processor level the primitives may use.
bool SetCpuLevel(std::string_view level, std::string& error) {
    struct Level {
        std::string_view name;
        std::int32_t index;
    };
    constexpr Level kLevels[] = {{"plain", vtx::px::kCpuPlain}, {"sse", vtx::px::kCpuSse},   {"sse2", vtx::px::kCpuSse2},
                                 {"sse3", vtx::px::kCpuSse3},   {"avx2", vtx::px::kCpuAvx2}, {"avx512", vtx::px::kCpuAvx512}};
    for (const Level& l : kLevels) {
        if (l.name == level) return vtx::px::ForceProcessorCeiling(l.index) == vtx::px::kStsOk;
    }
    error = "--cpu expects plain, sse, sse2, sse3, avx2 or avx512; got '" + std::string(level) + "'";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    vtx::cli::NativeExecutor executor;
    vtx::cli::Environment env;
    env.executor = &executor;
    env.out = &std::cout;
    env.err = &std::cerr;
    env.setCpuLevel = SetCpuLevel;
    vtx::FixedTicks fixedTicks(0);
    env.setSeed = [&](std::uint32_t tick) {
        fixedTicks = vtx::FixedTicks(tick);
        executor.session().setTickSource(&fixedTicks);
    };
    return vtx::cli::RunVtx(args, env);
}
