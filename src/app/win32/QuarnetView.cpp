#include "app/win32/QuarnetView.h"

#include <commdlg.h>

#include <cstring>
#include <optional>

#include "app/HelpBook.h"
#include "app/ResourceIds.h"
#include "app/win32/MainFrame.h"
#include "app/win32/QuarnetApp.h"
#include "capture/win32/AgentLibrary.h"
#include "config/Launcher.h"
#include "config/SettingsFile.h"
#include "dialogs/win32/CaptureFiltersDlg.h"
#include "dialogs/win32/DisplayColorsDlg.h"
#include "dialogs/win32/RangeDlg.h"
#include "dialogs/win32/TrapDlg.h"
#include "display/ClipboardCopy.h"
#include "display/DisplayFont.h"
#include "display/MenuState.h"
#include "ui/win32/Clipboard.h"
#include "ui/win32/FileDialog.h"
#include "ui/win32/GdiCanvas.h"

namespace {

constexpr char kViewClass[] = "QuarnetView";
constexpr UINT kViewId = 59648;  // the first pane of the frame
constexpr char kPrintNotStarted[] = "Could not start print job.";

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

const ui::MessageEntry<CQuarnetView> CQuarnetView::kMessages[] = {
    {WM_CREATE, &CQuarnetView::OnCreate},
    {WM_DESTROY, &CQuarnetView::OnDestroy},
    {WM_SIZE, &CQuarnetView::OnSize},
    {WM_PAINT, &CQuarnetView::OnPaint},
    {WM_ERASEBKGND, &CQuarnetView::OnEraseBkgnd},
    {WM_HSCROLL, &CQuarnetView::OnHScroll},
    {WM_VSCROLL, &CQuarnetView::OnVScroll},
    {kReceiveMessage, &CQuarnetView::OnReceive},
    {WM_LBUTTONDBLCLK, &CQuarnetView::OnLButtonDblClk},
};

const ui::CommandEntry<CQuarnetView> CQuarnetView::kCommands[] = {
    {ID_FILE_BEGINTRACE, &CQuarnetView::OnBeginTrace},
    {ID_FILE_ENDTRACE, &CQuarnetView::OnEndTrace},
    {ID_FILE_LAUNCHPGM, &CQuarnetView::OnLaunchPgm},
    {ID_FILE_OPEN, &CQuarnetView::OnFileOpen},
    {ID_FILE_SAVE_AS, &CQuarnetView::OnFileSaveAs},
    {ID_EDIT_CLEARBUFFER, &CQuarnetView::OnClearBuffer},
    {ID_EDIT_COPY, &CQuarnetView::OnEditCopy},
    {ID_FILE_PRINT, &CQuarnetView::OnFilePrint},
    {ID_VIEW_TRAPBUFFER, &CQuarnetView::OnTrapBuffer},
    {ID_SETUP_FILTERS, &CQuarnetView::OnSetupFilters},
    {ID_TRIGGER_ENABLE, &CQuarnetView::OnTriggerEnable},
    {ID_TRIGGER_SPECIFY, &CQuarnetView::OnTriggerSpecify},
    {ID_PREFERENCES_COLORS, &CQuarnetView::OnColors},
    {ID_PREFERENCES_FONT, &CQuarnetView::OnFont},
    {ID_PREFERENCES_DATAONLY, &CQuarnetView::OnDataOnly},
    {ID_PREFERENCES_SHOWTIME, &CQuarnetView::OnShowTime},
    {ID_PREFERENCES_VERBOSE, &CQuarnetView::OnVerbose},
    {ID_PREFERENCES_VERTSPACE, &CQuarnetView::OnVertSpace},
};

const ui::UpdateEntry<CQuarnetView> CQuarnetView::kUpdates[] = {
    {ID_PREFERENCES_DATAONLY, &CQuarnetView::OnUpdateDataOnly},
    {ID_PREFERENCES_SHOWTIME, &CQuarnetView::OnUpdateShowTime},
    {ID_PREFERENCES_VERBOSE, &CQuarnetView::OnUpdateVerbose},
    {ID_PREFERENCES_VERTSPACE, &CQuarnetView::OnUpdateVertSpace},
    {ID_FILE_BEGINTRACE, &CQuarnetView::OnUpdateBeginTrace},
    {ID_FILE_ENDTRACE, &CQuarnetView::OnUpdateEndTrace},
    {ID_FILE_OPEN, &CQuarnetView::OnUpdateOpenOrSave},
    {ID_FILE_SAVE_AS, &CQuarnetView::OnUpdateOpenOrSave},
    {ID_VIEW_TRAPBUFFER, &CQuarnetView::OnUpdateTrapBuffer},
    {ID_EDIT_CLEARBUFFER, &CQuarnetView::OnUpdateClearBuffer},
    {ID_TRIGGER_ENABLE, &CQuarnetView::OnUpdateTriggerEnable},
    {ID_TRIGGER_SPECIFY, &CQuarnetView::OnUpdateTriggerSpecify},
    {ID_EDIT_COPY, &CQuarnetView::OnUpdateCopy},
    {ID_FILE_PRINT, &CQuarnetView::OnUpdatePrint},
};

CQuarnetView::CQuarnetView()
    : m_strProgramFolder(ui::ProgramFolder()),
      m_session(m_options, m_clock, std::make_unique<capture::AgentLibrary>(m_strProgramFolder)) {
  CQuarnetApp::Get()->m_pView = this;
  m_bSocketOpen = m_socket.Open(m_strProgramFolder);
  m_strSettingsPath = m_strProgramFolder + std::string(config::kSettingsFileName);
  m_options = config::LoadSettingsFile(ui::PathFromAnsi(m_strSettingsPath));
  CreateDisplayFont(m_options.m_logFont);
}

// The settings are written before the socket closes (the members go after this body).
CQuarnetView::~CQuarnetView() {
  config::SaveSettingsFile(ui::PathFromAnsi(m_strSettingsPath), m_options);
}

bool CQuarnetView::Create(HWND frame) {
  if (!RegisterWindowClass(kViewClass, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, nullptr, nullptr,
                           nullptr)) {
    return false;
  }
  return ui::Window::Create(kViewClass, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL,
                            WS_EX_CLIENTEDGE, 0, 0, 0, 0, frame,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kViewId)));
}

bool CQuarnetView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return ui::DispatchMessageTable<CQuarnetView>(this, kMessages, message, wParam, lParam, result);
}

bool CQuarnetView::OnCmdMsg(UINT id, ui::CommandUI* state) {
  return ui::RouteCommand<CQuarnetView>(this, kCommands, kUpdates, id, state);
}

int CQuarnetView::GetDisplayCount() const {
  return display::TraceView::GetDisplayCount(Displayed());
}

uint32_t CQuarnetView::HelpContextAt(int y) const {
  const display::DoubleClick hit = m_display.OnDoubleClick(Displayed(), y, false);
  return hit.action == display::DoubleClick::kHelp ? hit.helpContext : app::kHelpContextOverview;
}

// --- window life ---

LRESULT CQuarnetView::OnCreate(WPARAM, LPARAM lParam) {
  const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
  m_display.OnSize(create->cy);
  if (!m_bSocketOpen) {
    MessageBoxStop("Quarnet Startup Failure", "Socket Unavailable");
  } else {
    m_socket.SelectReadNotifications(Hwnd(), kReceiveMessage);
    m_nAgentRevision = m_session.ContactAgent(Hwnd(), m_socket.Port());
    if (m_nAgentRevision == 0) MessageBoxStop("Failure to Contact Dll", "Klvnt32A");
  }
  MeasureFont();
  const display::ScrollBarState h = display::TraceView::InitialHScrollBar();
  SetScrollRange(Hwnd(), SB_HORZ, h.rangeMin, h.rangeMax, FALSE);
  SetScrollPos(Hwnd(), SB_HORZ, h.position, TRUE);
  ApplyVScrollBar(display::TraceView::DisabledVScrollBar());
  return 0;
}

LRESULT CQuarnetView::OnDestroy(WPARAM, LPARAM) {
  if (m_bSocketOpen) m_session.EndContact(Hwnd());
  return 0;
}

LRESULT CQuarnetView::OnSize(WPARAM, LPARAM lParam) {
  m_display.OnSize(HIWORD(lParam));
  return 0;
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

// --- painting and scrolling ---

LRESULT CQuarnetView::OnPaint(WPARAM, LPARAM) {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(Hwnd(), &ps);
  if (dc == nullptr) return 0;
  {
    const ui::ScopedSelect font(dc, m_font ? m_font.Get() : GetStockObject(SYSTEM_FIXED_FONT));
    ui::GdiCanvas canvas(dc);
    m_display.OnDraw(canvas, Displayed(), IsTracing());
  }
  EndPaint(Hwnd(), &ps);
  return 0;
}

LRESULT CQuarnetView::OnEraseBkgnd(WPARAM wParam, LPARAM) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  RECT clip{};
  GetClipBox(dc, &clip);
  ui::GdiCanvas canvas(dc);
  m_display.OnEraseBackground(canvas, {clip.left, clip.top, clip.right, clip.bottom});
  return 1;
}

LRESULT CQuarnetView::OnHScroll(WPARAM wParam, LPARAM lParam) {
  const int32_t position = m_display.OnHScroll(LOWORD(wParam), HIWORD(wParam));
  SetScrollPos(Hwnd(), SB_HORZ, position, TRUE);
  Invalidate();
  return Default(WM_HSCROLL, wParam, lParam);
}

LRESULT CQuarnetView::OnVScroll(WPARAM wParam, LPARAM) {
  const display::ScrollOutcome outcome =
      m_display.OnVScroll(Displayed(), LOWORD(wParam), HIWORD(wParam));
  if (outcome.vThumb) SetScrollPos(Hwnd(), SB_VERT, *outcome.vThumb, TRUE);
  if (outcome.invalidate) Invalidate();
  return 0;
}

void CQuarnetView::ApplyVScrollBar(const display::ScrollBarState& bar) {
  // Kept visible while disabled, so that the text does not jump when tracing starts or stops.
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_DISABLENOSCROLL;
  info.nMin = bar.rangeMin;
  info.nMax = bar.rangeMax;
  SetScrollInfo(Hwnd(), SB_VERT, &info, bar.redrawRange);
  EnableScrollBar(Hwnd(), SB_VERT, bar.enabled ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH);
  SetScrollPos(Hwnd(), SB_VERT, bar.position, TRUE);
}

// --- capture ---

LRESULT CQuarnetView::OnReceive(WPARAM, LPARAM) {
  capture::SteadyPassTimer timer;
  if (m_bSocketOpen) m_session.ReceivePass(m_socket, timer);
  Invalidate();  // the next paint formats only what is visible
  return 0;
}

void CQuarnetView::OnBeginTrace() {
  m_session.BeginTrace();
  ApplyVScrollBar(display::TraceView::DisabledVScrollBar());
  SetFrameTitle();
  Invalidate();
}

void CQuarnetView::OnEndTrace() {
  m_session.EndTrace();
  if (auto bar = m_display.TraceShownVScrollBar(Store().m_traceBuf)) ApplyVScrollBar(*bar);
  Invalidate();
}

void CQuarnetView::OnClearBuffer() {
  Store().ClearBuffer();
  Invalidate();
}

// The dialog edits a copy; Cancel, in it or in Buffer Allocation, leaves everything as it was.
void CQuarnetView::OnSetupFilters() {
  dialogs::CaptureFiltersModel model(m_options, IsTracing());
  CCaptureFiltersDlg dialog(model);
  if (dialog.DoModal() != IDOK) return;
  m_session.ApplyCaptureFilters(model);
  Invalidate();
}

void CQuarnetView::OnTriggerEnable() {
  Store().ToggleTriggerEnable();
}

// Enabled and filling are not the dialog's: a trigger that fires meanwhile stays fired.
void CQuarnetView::OnTriggerSpecify() {
  dialogs::TrapModel model(m_options);
  CTrapDlg dialog(model);
  if (dialog.DoModal() == IDOK) static_cast<store::TriggerOptions&>(m_options) = model.m_trigger;
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

// --- display modes and buffers ---

void CQuarnetView::OnDataOnly() {
  display::InvertFlag(m_options.m_bDataOnly);
  Invalidate();
}

void CQuarnetView::OnShowTime() {
  display::InvertFlag(m_options.m_bShowTime);
  Invalidate();
}

void CQuarnetView::OnVerbose() {
  display::InvertFlag(m_options.m_bVerbose);
  Invalidate();
}

void CQuarnetView::OnVertSpace() {
  display::InvertFlag(m_options.m_bVertSpace);
  Invalidate();
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

// --- files ---

void CQuarnetView::OnFileOpen() {
  SetCurrentDirectoryA(m_strProgramFolder.c_str());
  const auto path = ui::ChooseFile(Hwnd(), true, "*.spy");
  if (!path) return;
  const store::TraceStore::OpenResult result = Store().OpenTraceFile(ui::PathFromAnsi(*path));
  if (result.loaded) ShowTraceBufferFromStart();
  if (!result.message.empty()) MessageBoxStop(result.message, "Quarnet");
}

void CQuarnetView::OnFileSaveAs() {
  SetCurrentDirectoryA(m_strProgramFolder.c_str());
  const auto path = ui::ChooseFile(Hwnd(), false, "*.spy");
  if (!path) return;
  const std::string message = Store().SaveTraceFile(ui::PathFromAnsi(*path));
  if (!message.empty()) MessageBoxStop(message, "Quarnet");
}

void CQuarnetView::OnLaunchPgm() {
  const auto chosen = ui::ChooseFile(Hwnd(), true, "*.exe");
  if (!chosen) return;
  SetCapture(Hwnd());
  // Ends before the program starts: the wait covers only the plan and the copy.
  std::optional<ui::ScopedWaitCursor> wait(std::in_place, *ui::App::Current());
  const config::launcher::LaunchPlan plan = config::launcher::PlanLaunch(*chosen);
  bool go = plan.step != config::launcher::LaunchPlan::Step::kRefuse;
  if (plan.step == config::launcher::LaunchPlan::Step::kRefuse) {
    MessageBoxStop(plan.message.text, plan.message.caption);
  } else if (plan.step == config::launcher::LaunchPlan::Step::kConfirmOverwrite) {
    go = MessageBoxA(Hwnd(), plan.message.text.c_str(), plan.message.caption.c_str(), MB_YESNO) ==
         IDYES;
    wait->Restore();
  }
  bool copied = false;
  if (go) {
    const config::launcher::CopyResult copy =
        config::launcher::CopyWithModuleRedirect(*chosen, plan.copyPath);
    copied = copy.ok;
    if (!copy.ok) MessageBoxStop(copy.error.text, copy.error.caption);
  }
  wait.reset();
  ReleaseCapture();
  if (!copied) return;
  // The copy loads Klvnt32.dll from the current directory, which it inherits: the monitor's
  // folder, wherever the chosen program lies.
  SetCurrentDirectoryA(m_strProgramFolder.c_str());
  const std::string command = "\"" + plan.copyPath + "\"";
  if (const auto failure =
          config::launcher::StartFailure(*chosen, WinExec(command.c_str(), SW_RESTORE))) {
    DeleteFileA(plan.copyPath.c_str());
    MessageBoxStop(failure->text, failure->caption);
  }
}

// --- clipboard and printer ---

std::optional<CQuarnetView::RecordRange> CQuarnetView::ChooseRange(const char* caption) const {
  dialogs::RangeModel model;
  model.m_strCaption = caption;
  const RangeView range(*this);
  CRangeDlg dialog(model, range);
  if (dialog.DoModal() != IDOK) return std::nullopt;
  return RecordRange{model.m_nFrom, model.m_nTo};
}

void CQuarnetView::OnEditCopy() {
  const auto range = ChooseRange("Copy to Clipboard");
  if (!range) return;
  const display::ClipboardCopy copy = display::PrepareClipboardCopy(
      Displayed(), range->from, range->to, format::DisplayModes::FromOptions(m_options),
      [this](const CSpyMsg& record) { return m_display.GetRecordLines(record); });
  if (copy.refused) {
    MessageBoxStop(std::string(display::kClipboardTooLarge), "Quarnet");
  } else if (!ui::PutClipboardText(Hwnd(), copy.block)) {
    MessageBoxStop("The trace could not be put on the Clipboard; the Clipboard is unchanged.",
                   "Quarnet");
  }
}

// The records are copied before the print dialog opens, so the job prints what the range held
// even if the buffers change meanwhile; a cancelled dialog leaves the copies until the next job.
void CQuarnetView::OnFilePrint() {
  const auto range = ChooseRange("Print");
  if (!range || !m_printJob.Prepare(Displayed(), range->from, range->to)) return;
  ui::Printer& printer = CQuarnetApp::Get()->m_printer;
  const ui::Printer::Choice choice = printer.ChooseForJob(Hwnd());
  if (choice.dc == nullptr) {
    if (choice.failed) MessageBoxStop(kPrintNotStarted, "Quarnet");
    return;
  }
  // The printer's own default font stays selected: the display font is for the screen.
  ui::GdiCanvas canvas(choice.dc);
  const bool printed = ui::PrintDocument(
      choice.dc, "Quarnet",
      [&] {
        m_printJob.Begin(canvas.GetCharMetrics(), GetDeviceCaps(choice.dc, HORZRES),
                         GetDeviceCaps(choice.dc, VERTRES));
      },
      [&] { return m_printJob.PrintPage(canvas, m_options); });
  DeleteDC(choice.dc);
  if (!printed) MessageBoxStop(kPrintNotStarted, "Quarnet");
}

int CQuarnetView::MessageBoxStop(const std::string& text, const std::string& caption, UINT extra) {
  return MessageBoxA(Hwnd(), text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP | extra);
}

// --- update handlers ---

display::ViewFacts CQuarnetView::Facts() const {
  return display::FactsOf(Store(), m_options);
}

void CQuarnetView::OnUpdateDataOnly(ui::CommandUI& s) {
  Apply(display::UpdateDataOnly(Facts()), s);
}
void CQuarnetView::OnUpdateShowTime(ui::CommandUI& s) {
  Apply(display::UpdateShowTime(Facts()), s);
}
void CQuarnetView::OnUpdateVerbose(ui::CommandUI& s) {
  Apply(display::UpdateVerbose(Facts()), s);
}
void CQuarnetView::OnUpdateVertSpace(ui::CommandUI& s) {
  Apply(display::UpdateVertSpace(Facts()), s);
}
void CQuarnetView::OnUpdateBeginTrace(ui::CommandUI& s) {
  Apply(display::UpdateBeginTrace(Facts()), s);
}
void CQuarnetView::OnUpdateEndTrace(ui::CommandUI& s) {
  Apply(display::UpdateEndTrace(Facts()), s);
}
void CQuarnetView::OnUpdateOpenOrSave(ui::CommandUI& s) {
  Apply(display::UpdateOpen(Facts()), s);
}
void CQuarnetView::OnUpdateTrapBuffer(ui::CommandUI& s) {
  Apply(display::UpdateTrapBuffer(Facts()), s);
}
void CQuarnetView::OnUpdateClearBuffer(ui::CommandUI& s) {
  Apply(display::UpdateClearBuffer(Facts()), s);
}
void CQuarnetView::OnUpdateTriggerEnable(ui::CommandUI& s) {
  Apply(display::UpdateTriggerEnable(Facts()), s);
}
void CQuarnetView::OnUpdateTriggerSpecify(ui::CommandUI& s) {
  Apply(display::UpdateTriggerSpecify(Facts()), s);
}
void CQuarnetView::OnUpdateCopy(ui::CommandUI& s) {
  Apply(display::UpdateCopy(Facts()), s);
}
void CQuarnetView::OnUpdatePrint(ui::CommandUI& s) {
  Apply(display::UpdatePrint(Facts()), s);
}

LRESULT CQuarnetView::OnLButtonDblClk(WPARAM wParam, LPARAM lParam) {
  const display::DoubleClick hit =
      m_display.OnDoubleClick(Displayed(), static_cast<short>(HIWORD(lParam)), IsTracing());
  if (hit.action == display::DoubleClick::kHelp) {
    CQuarnetApp::Get()->m_pMainFrame->OpenHelp(hit.helpContext);
  } else if (hit.action == display::DoubleClick::kDefault) {
    return Default(WM_LBUTTONDBLCLK, wParam, lParam);
  }
  return 0;
}
