// The demo gallery: every method of the member table that changes the image,
// applied to one picture at several Completeness values, shrunk to thumbnails
// and laid out in a grid, each labelled with its call; and a transition
// sequence of whole frames with Completeness rising from 0 to 1.
//
// The calls are plain vtx call strings run through an Executor, so every
// label can be pasted onto a vtx command line to reproduce its thumbnail.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "session/members.h"
#include "tools/vtx/executor.h"
#include "tools/vtx/image.h"

namespace vtx::cli {

struct GalleryOptions {
    std::int32_t thumbWidth = 200;
    std::int32_t thumbHeight = 150;
    std::int32_t blocksPerRow = 2;  // members side by side
    std::vector<double> completeness{0.25, 0.5, 1.0};
};

// True for the members shown: methods that change the session's image (not
// the image exchange methods, nor a method that writes into another array).
bool IsGalleryMember(const MemberInfo& m);

// The calls shown for a member, one per cell: for a member whose first
// parameter is Completeness, one call per Completeness value with the member's
// demo arguments; for others, the demo argument lists of the member.
std::vector<std::string> GalleryCalls(const MemberInfo& m, const GalleryOptions& options);

struct GalleryCell {
    std::string call;
    std::int32_t result = 0;
};

struct GalleryReport {
    std::vector<GalleryCell> cells;
    std::string error;  // set when a call could not be parsed or prepared
};

// Renders the gallery of `source`. Every cell's call and result code are
// reported; the image is complete also when calls return 1 (their label says
// so). Throws std::bad_alloc when memory runs out.
Image RenderGallery(Executor& executor, const Image& source, const GalleryOptions& options, GalleryReport& report);

// The transition: `frames` whole-size frames, frame i at Completeness
// i / (frames - 1), of the first member of a short list of preferred
// transitions that the table has. `call` receives the call of the last frame.
std::vector<Image> RenderTransition(Executor& executor, const Image& source, std::int32_t frames, std::string& call,
                                    std::string& error);

// Shrinks (area average) or enlarges (nearest) `source` to fit a w x h box,
// keeping its aspect ratio; the picture is centred on `background`.
Image FitImage(const Image& source, std::int32_t w, std::int32_t h, const std::uint8_t background[3]);

// Draws text with the 5 x 7 font at picture position (x, y) of the top-left
// corner of its first cell, clipped to the image; `scale` enlarges each font
// pixel to scale x scale. Colour as B, G, R.
void DrawLabel(Image& image, std::int32_t x, std::int32_t y, std::string_view text, const std::uint8_t bgr[3],
               std::int32_t scale = 1);

}  // namespace vtx::cli
