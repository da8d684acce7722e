// A host's image other than the session's own: the second image of an
// overlay, the output array of a resize. 4-byte pixels (blue, green, red,
// alpha), rows bottom-up, stride 4·width, in memory the host owns. The
// adapters build it from their own array types after checking them; a null
// view stands for an array that failed those checks.
#pragma once

#include <cstdint>

namespace vtx {

struct ImageView {
    std::uint8_t* data = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

}  // namespace vtx
