#include "ui/win32/GdiCanvas.h"

#include <climits>

#include "ui/win32/Scoped.h"

namespace ui {

namespace {

int ClampedLength(std::string_view text) {
  return text.size() > INT_MAX ? INT_MAX : static_cast<int>(text.size());
}

}  // namespace

GdiCanvas::GdiCanvas(HDC dc) : m_dc(dc) {
  SetBkMode(m_dc, TRANSPARENT);
}

void GdiCanvas::SetTextColour(ColorRef colour) {
  SetTextColor(m_dc, colour);
}

void GdiCanvas::DrawString(int32_t x, int32_t y, std::string_view text) {
  TextOutA(m_dc, x, y, text.data(), ClampedLength(text));
}

display::TextExtent GdiCanvas::MeasureString(std::string_view text) {
  SIZE size{};
  GetTextExtentPoint32A(m_dc, text.data(), ClampedLength(text), &size);
  return {size.cx, size.cy};
}

void GdiCanvas::FillRectangle(const display::Rect& rect, ColorRef colour) {
  const ScopedBrush brush(CreateSolidBrush(colour));
  if (!brush) return;
  const ScopedSelect selected(m_dc, brush.Get());
  PatBlt(m_dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, PATCOPY);
}

void GdiCanvas::DrawBorderedRectangle(const display::Rect& rect, ColorRef fill) {
  const ScopedBrush brush(CreateSolidBrush(fill));
  if (!brush) return;
  const ScopedSelect selected(m_dc, brush.Get());
  Rectangle(m_dc, rect.left, rect.top, rect.right, rect.bottom);
}

display::CharMetrics GdiCanvas::GetCharMetrics() {
  TEXTMETRICA tm{};
  GetTextMetricsA(m_dc, &tm);
  return {tm.tmAveCharWidth, tm.tmHeight};
}

}  // namespace ui
