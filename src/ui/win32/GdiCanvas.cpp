#include "ui/win32/GdiCanvas.h"

#include <climits>

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
  HBRUSH brush = CreateSolidBrush(colour);
  if (brush == nullptr) return;
  HGDIOBJ old = SelectObject(m_dc, brush);
  PatBlt(m_dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, PATCOPY);
  SelectObject(m_dc, old);
  DeleteObject(brush);
}

void GdiCanvas::DrawBorderedRectangle(const display::Rect& rect, ColorRef fill) {
  HBRUSH brush = CreateSolidBrush(fill);
  if (brush == nullptr) return;
  HGDIOBJ old = SelectObject(m_dc, brush);
  Rectangle(m_dc, rect.left, rect.top, rect.right, rect.bottom);
  SelectObject(m_dc, old);
  DeleteObject(brush);
}

display::CharMetrics GdiCanvas::GetCharMetrics() {
  TEXTMETRICA tm{};
  GetTextMetricsA(m_dc, &tm);
  return {tm.tmAveCharWidth, tm.tmHeight};
}

}  // namespace ui
