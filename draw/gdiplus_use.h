// GDI+ start-up for the Windows drawing surface (Windows builds only).
//
// GDI+ must be started before any of its objects is made and shut down after
// the last one is deleted, and neither may happen inside a module's entry
// point. Every holder of a GdiplusUse keeps GDI+ started: each surface holds
// one while it is open, so the surface works wherever it is opened; a
// longer-lived holder (the COM object) keeps GDI+ up between its calls. Nested
// start-ups are counted by GDI+ itself; the last shut-down ends it.
#pragma once

#include <cstdint>

namespace vtx::draw {

class GdiplusUse {
public:
    GdiplusUse();
    ~GdiplusUse();
    GdiplusUse(const GdiplusUse&) = delete;
    GdiplusUse& operator=(const GdiplusUse&) = delete;

    bool started() const { return started_; }

private:
    std::uintptr_t token_ = 0;
    bool started_ = false;
};

}  // namespace vtx::draw
