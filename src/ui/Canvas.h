// The drawing surface of the trace view, the colour sample and the printed pages. The Windows
// shell implements it on a device context; tests record what was drawn. Names stay clear of the
// Windows API's macros (TextOut, DrawText ...) so that a header with both compiles everywhere.
#pragma once

#include <cstdint>
#include <string_view>

// A colour as Windows stores it: red in the low byte, then green, then blue.
using ColorRef = uint32_t;
constexpr ColorRef Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<ColorRef>(r) | static_cast<ColorRef>(g) << 8 | static_cast<ColorRef>(b) << 16;
}

namespace display {

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  bool operator==(const Rect&) const = default;
};

struct TextExtent {
  int32_t width = 0;
  int32_t height = 0;
};

// The selected font's measurements: tmAveCharWidth and tmHeight.
struct CharMetrics {
  int32_t aveCharWidth = 0;
  int32_t height = 0;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  // Colour of the text drawn from now on. Text is always drawn with a transparent background.
  virtual void SetTextColour(ColorRef colour) = 0;
  // Draws `text` with its top-left corner at (x, y), in the selected font.
  virtual void DrawString(int32_t x, int32_t y, std::string_view text) = 0;
  // Width and height of `text` in the selected font (GetTextExtentPoint).
  virtual TextExtent MeasureString(std::string_view text) = 0;
  // Fills `rect` with a solid colour, no border (erasing the background).
  virtual void FillRectangle(const Rect& rect, ColorRef colour) = 0;
  // Fills `rect` with `fill` and outlines it with the current pen (Rectangle).
  virtual void DrawBorderedRectangle(const Rect& rect, ColorRef fill) = 0;
  // Metrics of the selected font.
  virtual CharMetrics GetCharMetrics() = 0;
};

}  // namespace display
