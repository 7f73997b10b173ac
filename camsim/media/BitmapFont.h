#pragma once
// A tiny built-in 5x7 font for the camera's on-screen text, drawn straight
// into the luma plane of a picture: light glyphs with a dark outline, so the
// text reads on any background.
#include <cstdint>
#include <string_view>

namespace camsim {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kCellWidth = 6;  // glyph and one column of space
inline constexpr int kCellHeight = 9; // glyph and a row of space above and below

// Column bits of a printable ASCII character (bit 0 the top row); other
// bytes show as '?'.
const uint8_t* GlyphColumns(char c);

// Width and height in pixels of `text` at `scale`.
int TextWidth(std::string_view text, int scale);
inline int TextHeight(int scale)
{
    return kCellHeight * scale;
}

// Draws `text` with its top-left corner at (x, y); whatever falls outside
// the plane is clipped.
void DrawText(uint8_t* luma, int width, int height, int stride, int x, int y, std::string_view text,
              int scale);

} // namespace camsim
