#include "dialogs/win32/DisplayColorsDlg.h"

#include <commdlg.h>

#include "ui/win32/GdiCanvas.h"

CDisplayColorsDlg::CDisplayColorsDlg(display::DisplayColors& colors)
    : ui::Dialog(IDD_DISPLAY_COLORS), m_colors(colors) {}

void CDisplayColorsDlg::OnInitDialog() {
  GetWindowRect(Item(display::kSampleFrameId), &m_rcSample);
  MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&m_rcSample), 2);
}

bool CDisplayColorsDlg::OnControl(int id, UINT notification) {
  ui::ColorRef* role = display::ColorForButton(m_colors, id);
  if (role == nullptr || notification != BN_CLICKED) return false;
  // The chooser's custom colours last as long as the program, as a user expects of them.
  static COLORREF custom[16] = {};
  CHOOSECOLORA choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = Hwnd();
  choose.rgbResult = *role;
  choose.lpCustColors = custom;
  choose.Flags = CC_RGBINIT;
  if (ChooseColorA(&choose)) {
    *role = choose.rgbResult;
    InvalidateRect(Hwnd(), nullptr, TRUE);
  }
  return true;
}

bool CDisplayColorsDlg::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) {
  if (message != WM_PAINT) return false;
  PaintSample();
  result = TRUE;
  return true;
}

// In the paint context's own font: the sample shows colours, not the dialog's lettering.
void CDisplayColorsDlg::PaintSample() const {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(Hwnd(), &ps);
  if (dc == nullptr) return;
  ui::GdiCanvas canvas(dc);
  display::PaintColorSample(
      canvas, {m_rcSample.left, m_rcSample.top, m_rcSample.right, m_rcSample.bottom}, m_colors);
  EndPaint(Hwnd(), &ps);
}
