// The display's canvas on a Windows device context.
#pragma once

#include <windows.h>

#include "ui/Canvas.h"

namespace ui {

class GdiCanvas : public display::Canvas {
 public:
  // Draws on `dc` with its selected font; text is drawn with a transparent background.
  explicit GdiCanvas(HDC dc);

  void SetTextColour(ColorRef colour) override;
  void DrawString(int32_t x, int32_t y, std::string_view text) override;
  display::TextExtent MeasureString(std::string_view text) override;
  void FillRectangle(const display::Rect& rect, ColorRef colour) override;
  void DrawBorderedRectangle(const display::Rect& rect, ColorRef fill) override;
  display::CharMetrics GetCharMetrics() override;

 private:
  HDC m_dc;
};

}  // namespace ui
