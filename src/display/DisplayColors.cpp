#include "display/DisplayColors.h"

namespace display {

ColorRef* ColorForButton(DisplayColors& colors, int32_t controlId) {
  for (const ColorButton& button : kColorButtons) {
    if (button.id == controlId) return &(colors.*button.role);
  }
  return nullptr;
}

namespace {

// One sample call: its line in the API Calls colour, " = 21" behind it in the Returns colour,
// and two data rows in the colour of its direction. Returns the line height.
int32_t PaintSampleCall(Canvas& canvas, int32_t x, int32_t y, std::string_view call,
                        const DisplayColors& colors, ColorRef dataColour, std::string_view row1,
                        std::string_view row2) {
  canvas.SetTextColour(colors.m_crApiCalls);
  canvas.DrawString(x, y, call);
  const TextExtent extent = canvas.MeasureString(call);
  canvas.SetTextColour(colors.m_crReturns);
  canvas.DrawString(x + extent.width, y, " = 21");
  canvas.SetTextColour(dataColour);
  canvas.DrawString(x, y + extent.height, row1);
  canvas.DrawString(x, y + 2 * extent.height, row2);
  return extent.height;
}

}  // namespace

void PaintColorSample(Canvas& canvas, const Rect& sample, const DisplayColors& colors) {
  canvas.DrawBorderedRectangle(sample, colors.m_crBackground);
  const int32_t x = sample.left + 2;
  const int32_t y = sample.top + 2;
  const int32_t lineHeight =
      PaintSampleCall(canvas, x, y, "send (SOCKET=0x0001,...)", colors, colors.m_crSend,
                      "00 01 10 23 00 00 11 0A . . .", "AA 55 AA 55 00");
  // One empty line between the two calls.
  const int32_t recvY = y + 4 * lineHeight;
  PaintSampleCall(canvas, x, recvY, "recv (SOCKET=0x0001,...)", colors, colors.m_crRecv,
                  "FF FE EF C6 FF FF EE F5 . . .", "55 AA 55 AA FF");
}

}  // namespace display
