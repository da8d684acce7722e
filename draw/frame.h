// The frame around every drawing-surface call: the rows are put top row
// first, a surface is opened over the image's own memory, the member draws,
// the surface is flushed and closed, the rows go back to buffer order, and
// every alpha byte of the image becomes 0.
#pragma once

#include <utility>

#include "draw/surface.h"
#include "session/image_session.h"

namespace vtx::draw {

// Reverses the order of the image's rows in place.
void ReverseRows(ImageSession& s);
// Sets the alpha byte of every pixel of the image to 0.
void ClearAlpha(ImageSession& s);

// Runs draw(surface) inside the frame. The session must hold an image.
// When the platform cannot open a surface nothing is drawn, but the alpha
// bytes are still cleared, as after any drawing.
template <class Draw>
void WithSurface(ImageSession& s, Draw&& draw) {
    ReverseRows(s);
    {
        std::unique_ptr<DrawingSurface> surface = OpenSurface(s.pixels(), s.width(), s.height());
        if (surface != nullptr) {
            std::forward<Draw>(draw)(*surface);
            surface->Flush();
        }
    }  // the surface is closed before the rows go back
    ReverseRows(s);
    ClearAlpha(s);
}

}  // namespace vtx::draw
