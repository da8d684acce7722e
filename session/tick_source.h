// The millisecond tick count that seeds the random effects (noise,
// diffusion). The session reads it through one TickSource so that tests and
// the vtx tool can fix it; by default it is the system's tick count, which
// changes from call to call.
#pragma once

#include <cstdint>

namespace vtx {

class TickSource {
public:
    virtual ~TickSource() = default;
    virtual std::uint32_t Now() = 0;
};

// The system's millisecond tick count (wrapping at 2^32).
TickSource& SystemTicks();

// A clock that always reads the same value.
class FixedTicks final : public TickSource {
public:
    explicit FixedTicks(std::uint32_t value) : value_(value) {}
    std::uint32_t Now() override { return value_; }

private:
    std::uint32_t value_;
};

}  // namespace vtx
