#include "session/tick_source.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#endif

namespace vtx {

namespace {

class SystemTickSource final : public TickSource {
public:
    std::uint32_t Now() override {
#ifdef _WIN32
        return static_cast<std::uint32_t>(GetTickCount());
#else
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms.count()));
#endif
    }
};

}  // namespace

TickSource& SystemTicks() {
    static SystemTickSource source;
    return source;
}

}  // namespace vtx
