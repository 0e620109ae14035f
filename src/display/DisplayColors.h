// The five colour roles of the display, the Colors dialog's buttons and its painted sample.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "display/DisplayColorsIds.h"
#include "ui/Canvas.h"

namespace display {

// The dialog's copy of the view's colours, in the order the dialog copies them.
struct DisplayColors {
  ui::ColorRef m_crBackground = ui::Rgb(255, 255, 255);
  ui::ColorRef m_crApiCalls = ui::Rgb(0, 0, 0);
  ui::ColorRef m_crSend = ui::Rgb(0, 0, 0);
  ui::ColorRef m_crRecv = ui::Rgb(150, 150, 150);
  ui::ColorRef m_crReturns = ui::Rgb(255, 0, 0);

  bool operator==(const DisplayColors&) const = default;
};

// One colour button of the dialog: its control id, its label and the role it edits.
struct ColorButton {
  int32_t id;
  std::string_view label;
  ui::ColorRef DisplayColors::*role;
};

constexpr std::array<ColorButton, 5> kColorButtons = {{
    {IDC_COLOR_BACKGROUND, "Window Background", &DisplayColors::m_crBackground},
    {IDC_COLOR_API_CALLS, "API Calls", &DisplayColors::m_crApiCalls},
    {IDC_COLOR_SEND, "Send", &DisplayColors::m_crSend},
    {IDC_COLOR_RECV, "Recv", &DisplayColors::m_crRecv},
    {IDC_COLOR_RETURNS, "Returns", &DisplayColors::m_crReturns},
}};

// Control id of the invisible frame that marks the sample area.
constexpr int32_t kSampleFrameId = IDC_COLOR_SAMPLE;

// The role a button edits, or nullptr for any other control id.
ui::ColorRef* ColorForButton(DisplayColors& colors, int32_t controlId);

// WM_PAINT of the dialog: one send and one receive call, each with its returns text and two data
// rows, on the background colour inside `sample` (in the dialog's default font).
void PaintColorSample(ui::Canvas& canvas, const ui::Rect& sample, const DisplayColors& colors);

}  // namespace display
