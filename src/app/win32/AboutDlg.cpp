#include "app/win32/AboutDlg.h"

#include "app/ResourceIds.h"
#include "app/ShellText.h"
#include "ui/win32/Scoped.h"

namespace {
// The part of the picture shown, from its top-left corner.
constexpr int kPictureWidth = 120;
constexpr int kPictureHeight = 50;
}  // namespace

CAboutDlg::CAboutDlg(int agentRevision) : Dialog(IDD_ABOUTBOX), m_nAgentRevision(agentRevision) {}

void CAboutDlg::OnInitDialog() {
  SetItemText(IDC_ABOUT_AGENT, app::AboutAgentLine(m_nAgentRevision));
}

bool CAboutDlg::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) {
  if (message != WM_PAINT) return false;
  PaintPicture();
  result = TRUE;
  return true;
}

// The invisible frame marks the place: its offset from the dialog's outer corner, taken as a
// position in the client area.
void CAboutDlg::PaintPicture() const {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(Hwnd(), &ps);
  RECT dialog{};
  RECT frame{};
  GetWindowRect(Hwnd(), &dialog);
  GetWindowRect(Item(IDC_ABOUT_PICTURE), &frame);
  const ui::ScopedBitmap picture(
      LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_ABOUT)));
  const ui::ScopedCompatibleDC source(CreateCompatibleDC(dc));
  if (picture && source) {
    const ui::ScopedSelect selected(source.Get(), picture.Get());
    BitBlt(dc, frame.left - dialog.left, frame.top - dialog.top, kPictureWidth, kPictureHeight,
           source.Get(), 0, 0, SRCCOPY);
  }
  EndPaint(Hwnd(), &ps);
}
