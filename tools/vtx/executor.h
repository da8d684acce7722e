// What vtx needs from the component: hand it an image, run parsed calls,
// read the image back. The native build drives an ImageSession through the
// C++ functions directly (native_executor.h); a Windows build can drive the
// COM component through IDispatch behind the same interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/vtx/call_parser.h"
#include "tools/vtx/image.h"

namespace vtx::cli {

// A parsed call with the images its image arguments name, loaded by the
// caller: one entry per input image argument (InputImagePaths), in order.
// The images must stay in place while the session may work on them (an image
// set in place stays the session's image until another is set).
struct PreparedCall {
    ParsedCall call;
    std::vector<Image> images;
};

// An image a call hands back to be written as a file (GetSafeArray).
struct ImageOutput {
    std::string path;
    Image image;
};

struct CallOutcome {
    std::int32_t result = 0;
    std::string value;  // "Mask = -1" for a property get; empty otherwise
};

class Executor {
public:
    virtual ~Executor() = default;

    // Hands the session a copy of the image; returns the result code of
    // setting it (1 when the session refuses it, e.g. below 2 x 2).
    virtual std::int32_t SetImage(const Image& image) = 0;

    // The session's image; when the session refused the last image handed
    // to it, that image as it was. False only when no image was ever given.
    virtual bool GetImage(Image& out) = 0;

    // Runs one call. Images that the call hands back are appended to outputs.
    virtual CallOutcome Run(PreparedCall& call, std::vector<ImageOutput>& outputs) = 0;
};

}  // namespace vtx::cli
