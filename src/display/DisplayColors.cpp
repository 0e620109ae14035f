#include "display/DisplayColors.h"

namespace display {

DisplayColors ColorsOf(const Options& options) {
  return {options.m_crBackground, options.m_crApiCalls, options.m_crSend, options.m_crRecv,
          options.m_crReturns};
}

void StoreColors(const DisplayColors& colors, Options& options) {
  options.m_crBackground = colors.m_crBackground;
  options.m_crApiCalls = colors.m_crApiCalls;
  options.m_crSend = colors.m_crSend;
  options.m_crRecv = colors.m_crRecv;
  options.m_crReturns = colors.m_crReturns;
}

ColorRef* ColorForButton(DisplayColors& colors, int32_t controlId) {
  for (const ColorButton& button : kColorButtons) {
    if (button.id == controlId) return &(colors.*button.role);
  }
  return nullptr;
}

void PaintColorSample(Canvas& canvas, const Rect& sample, const DisplayColors& colors) {
  canvas.DrawBorderedRectangle(sample, colors.m_crBackground);
  const int32_t x = sample.left + 2;
  const int32_t y = sample.top + 2;

  constexpr std::string_view kSendCall = "send (SOCKET=0x0001,...)";
  canvas.SetTextColour(colors.m_crApiCalls);
  canvas.DrawString(x, y, kSendCall);
  const TextExtent send = canvas.MeasureString(kSendCall);
  canvas.SetTextColour(colors.m_crReturns);
  canvas.DrawString(x + send.width, y, " = 21");
  canvas.SetTextColour(colors.m_crSend);
  canvas.DrawString(x, y + send.height, "00 01 10 23 00 00 11 0A . . .");
  canvas.DrawString(x, y + 2 * send.height, "AA 55 AA 55 00");

  // One empty line between the two calls.
  const int32_t recvY = y + 4 * send.height;
  constexpr std::string_view kRecvCall = "recv (SOCKET=0x0001,...)";
  canvas.SetTextColour(colors.m_crApiCalls);
  canvas.DrawString(x, recvY, kRecvCall);
  const TextExtent recv = canvas.MeasureString(kRecvCall);
  canvas.SetTextColour(colors.m_crReturns);
  canvas.DrawString(x + recv.width, recvY, " = 21");
  canvas.SetTextColour(colors.m_crRecv);
  canvas.DrawString(x, recvY + recv.height, "FF FE EF C6 FF FF EE F5 . . .");
  canvas.DrawString(x, recvY + 2 * recv.height, "55 AA 55 AA FF");
}

}  // namespace display
