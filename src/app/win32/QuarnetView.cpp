#include "app/win32/QuarnetView.h"

#include "app/HelpBook.h"
#include "app/ResourceIds.h"
#include "app/win32/MainFrame.h"
#include "app/win32/QuarnetApp.h"
#include "capture/win32/AgentLibrary.h"
#include "config/SettingsFile.h"
#include "ui/win32/FileDialog.h"
#include "ui/win32/GdiCanvas.h"

namespace {

constexpr char kViewClass[] = "QuarnetView";
constexpr UINT kViewId = 59648;  // the first pane of the frame

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
    {kChannelMessage, &CQuarnetView::OnChannel},
    {WM_TIMER, &CQuarnetView::OnChannel},  // the report channel's poll, its only timer
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
  return OnTableCommand(id, state) ||
         ui::RouteCommand<CQuarnetView>(this, kCommands, {}, id, state);
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
    if (m_channel.Open(Hwnd(), kChannelMessage)) {
      m_session.AttachChannel(m_channel.Bytes(), m_channel.Id());
    }
    if (m_session.ContactAgent(Hwnd(), m_socket.Port()) == 0)
      MessageBoxStop("Failure to Contact Dll", "Klvnt32A");
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

int CQuarnetView::MessageBoxStop(const std::string& text, const std::string& caption, UINT extra) {
  return MessageBoxA(Hwnd(), text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP | extra);
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
