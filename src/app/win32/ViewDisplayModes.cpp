// The view's display commands: the mode switches and the menu states (both tables), the buffer
// shown, colours and font.
#include "app/win32/QuarnetView.h"

#include <commdlg.h>

#include <cstring>

#include "app/ViewCommands.h"
#include "app/win32/MainFrame.h"
#include "app/win32/QuarnetApp.h"
#include "dialogs/win32/DisplayColorsDlg.h"
#include "display/DisplayFont.h"
#include "ui/win32/GdiCanvas.h"

namespace {

void Apply(const display::CommandUI& answer, ui::CommandUI& state) {
  state.Enable(answer.enabled);
  if (answer.checked) state.SetCheck(*answer.checked);
  if (answer.text) state.SetText(std::string(*answer.text).c_str());
}

LOGFONTA ToLogFont(const display::LogFont& font) {
  LOGFONTA lf{};
  lf.lfHeight = font.lfHeight;
  lf.lfWidth = font.lfWidth;
  lf.lfEscapement = font.lfEscapement;
  lf.lfOrientation = font.lfOrientation;
  lf.lfWeight = font.lfWeight;
  lf.lfItalic = font.lfItalic;
  lf.lfUnderline = font.lfUnderline;
  lf.lfStrikeOut = font.lfStrikeOut;
  lf.lfCharSet = font.lfCharSet;
  lf.lfOutPrecision = font.lfOutPrecision;
  lf.lfClipPrecision = font.lfClipPrecision;
  lf.lfQuality = font.lfQuality;
  lf.lfPitchAndFamily = font.lfPitchAndFamily;
  static_assert(sizeof lf.lfFaceName == sizeof font.lfFaceName);
  std::memcpy(lf.lfFaceName, font.lfFaceName.data(), sizeof lf.lfFaceName);
  lf.lfFaceName[sizeof lf.lfFaceName - 1] = '\0';  // the settings file may hold anything
  return lf;
}

display::LogFont FromLogFont(const LOGFONTA& lf) {
  display::LogFont font;
  font.lfHeight = lf.lfHeight;
  font.lfWidth = lf.lfWidth;
  font.lfEscapement = lf.lfEscapement;
  font.lfOrientation = lf.lfOrientation;
  font.lfWeight = lf.lfWeight;
  font.lfItalic = lf.lfItalic;
  font.lfUnderline = lf.lfUnderline;
  font.lfStrikeOut = lf.lfStrikeOut;
  font.lfCharSet = lf.lfCharSet;
  font.lfOutPrecision = lf.lfOutPrecision;
  font.lfClipPrecision = lf.lfClipPrecision;
  font.lfQuality = lf.lfQuality;
  font.lfPitchAndFamily = lf.lfPitchAndFamily;
  std::memcpy(font.lfFaceName.data(), lf.lfFaceName, sizeof lf.lfFaceName);
  font.lfFaceName.back() = '\0';
  return font;
}

}  // namespace

display::ViewFacts CQuarnetView::Facts() const {
  return display::FactsOf(Store(), m_options);
}

bool CQuarnetView::OnTableCommand(UINT id, ui::CommandUI* state) {
  if (state != nullptr) {
    const app::UpdateRule* update = app::FindById(app::kUpdateRules, id);
    if (update == nullptr) return false;
    Apply(update->rule(Facts()), *state);
    return true;
  }
  const app::DisplayToggle* toggle = app::FindById(app::kDisplayToggles, id);
  if (toggle == nullptr) return false;
  display::InvertFlag(m_options.*toggle->flag);
  Invalidate();
  return true;
}

void CQuarnetView::OnTrapBuffer() {
  const display::BufferSwitch result = m_display.SwitchBuffer();
  SetScrollPos(Hwnd(), SB_VERT, result.vThumb, TRUE);
  SetFrameTitle();
  Invalidate();
}

void CQuarnetView::SetFrameTitle() const {
  if (CMainFrame* frame = CQuarnetApp::Get()->m_pMainFrame) {
    frame->SetText(std::string(display::WindowTitle(m_options.m_bViewTrap != 0)));
  }
}

void CQuarnetView::ShowTraceBufferFromStart() {
  m_options.m_bViewTrap = 0;
  m_display.ResetPosition();
  if (auto bar = m_display.TraceShownVScrollBar(Store().m_traceBuf)) ApplyVScrollBar(*bar);
  SetFrameTitle();
  Invalidate();
}

void CQuarnetView::OnColors() {
  display::DisplayColors colors = m_options;
  CDisplayColorsDlg dialog(colors);
  if (dialog.DoModal() != IDOK) return;
  static_cast<display::DisplayColors&>(m_options) = colors;
  InvalidateRect(Hwnd(), nullptr, TRUE);
}

// The chooser edits a copy of the description, so a font that cannot be made leaves the view,
// and the settings file, with the one it had.
void CQuarnetView::OnFont() {
  LOGFONTA lf = ToLogFont(m_options.m_logFont);
  CHOOSEFONTA choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = Hwnd();
  choose.lpLogFont = &lf;
  choose.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE | CF_FORCEFONTEXIST;
  choose.nSizeMin = 4;
  choose.nSizeMax = 60;
  if (!ChooseFontA(&choose)) return;
  const bool made = display::AcceptChosenFont(
      m_options.m_logFont, FromLogFont(lf),
      [this](const display::LogFont& font) { return CreateDisplayFont(font); });
  if (!made) {
    MessageBoxStop(std::string(display::kFontUnavailable), "Quarnet");
    return;
  }
  MeasureFont();
  InvalidateRect(Hwnd(), nullptr, TRUE);
}

// On failure the previous font stays.
bool CQuarnetView::CreateDisplayFont(const display::LogFont& description) {
  const LOGFONTA lf = ToLogFont(description);
  HFONT font = CreateFontIndirectA(&lf);
  if (font == nullptr) return false;
  m_font.Reset(font);
  return true;
}

void CQuarnetView::MeasureFont() {
  const ui::ScopedWindowDC dc(Hwnd());
  if (!dc) return;
  const ui::ScopedSelect font(dc.Get(), m_font ? m_font.Get() : GetStockObject(SYSTEM_FIXED_FONT));
  ui::GdiCanvas canvas(dc.Get());
  m_display.SetMetrics(canvas.GetCharMetrics());
}
