// The vtx command line:
//
//   vtx [--in FILE] [--size WxH] [--out FILE] [--keep-alpha] [--quiet]
//       [--cpu LEVEL] [--seed N] CALL...
//   vtx demo [--in FILE] [--size WxH] [--out DIR]
//   vtx --help | vtx help NAME
//
// Exit codes: 0 when every call gave 0, 1 when one gave 1 (the image is still
// written), 2 for usage and file errors (nothing written).
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "tools/vtx/executor.h"

namespace vtx::cli {

constexpr int kExitOk = 0;
constexpr int kExitCallFailed = 1;
constexpr int kExitUsage = 2;

struct Environment {
    Executor* executor = nullptr;
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    // Sets the processor level for --cpu; false with a message when the
    // level is unknown or the build cannot force one.
    std::function<bool(std::string_view level, std::string& error)> setCpuLevel;
    // Fixes the tick count the random effects are seeded with (--seed);
    // empty where the build cannot reach the component's clock.
    std::function<void(std::uint32_t tick)> setSeed;
};

int RunVtx(const std::vector<std::string>& args, Environment& env);

// The text of vtx --help: usage and every member with its parameters.
std::string HelpText();
// The text of vtx help NAME; false when no member has that name.
bool MemberHelpText(std::string_view name, std::string& text);

}  // namespace vtx::cli
