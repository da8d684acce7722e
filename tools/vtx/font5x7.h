// A small bitmap font for gallery labels: 5 x 7 pixel glyphs for printable
// ASCII (32..126), drawn on a 6 x 9 pixel cell. Other characters show as '?'.
#pragma once

#include <cstdint>

namespace vtx::cli {

constexpr std::int32_t kGlyphWidth = 5;
constexpr std::int32_t kGlyphHeight = 7;
constexpr std::int32_t kGlyphAdvance = 6;
constexpr std::int32_t kGlyphLineHeight = 9;

// Row r (0 = top) of the glyph of c: bit 4 is the leftmost pixel.
std::uint8_t GlyphRow(char c, std::int32_t row);
// Rows by which the glyph of c is drawn lower than the others: 2 for the
// letters with descenders, which then reach into the line's last two rows.
std::int32_t GlyphDrop(char c);

}  // namespace vtx::cli
