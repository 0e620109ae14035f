#include "app/win32/HelpWindow.h"

#include <algorithm>
#include <string>

#include "app/ResourceIds.h"

namespace {

constexpr char kHelpClass[] = "QuarnetHelp";
constexpr char kTextClass[] = "QuarnetHelpText";
constexpr char kCaptionPrefix[] = "Quarnet Help - ";
constexpr int kBackId = 1;
constexpr int kListId = 2;
constexpr int kMargin = 8;       // around the controls of the window
constexpr int kTextMargin = 12;  // around the text inside its pane
constexpr int kListWidth = 180;  // at the least; wider when a topic's title needs it
constexpr int kWheelLines = 3;
constexpr int kLineStep = 20;  // pixels an arrow of the scroll bar moves the text

constexpr COLORREF kLinkColour = RGB(0, 0, 160);
constexpr COLORREF kTraceColour = RGB(128, 0, 0);

// The help text as the resource compiler stored it; empty when the program has none.
std::string_view HelpSource() {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_HELP), RT_RCDATA);
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return {};
  return {static_cast<const char*>(bytes), SizeofResource(module, found)};
}

HFONT MakeFont(int pixels, int weight, bool underline, bool fixed) {
  return CreateFontA(-pixels, 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE, ANSI_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     fixed ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS,
                     fixed ? "Courier New" : "Arial");
}

// Measures in the help window's fonts on a device context; puts back the context's font.
class GdiHelpMetrics : public app::HelpMetrics {
 public:
  GdiHelpMetrics(HDC dc, const std::array<ui::ScopedFont, 5>& fonts)
      : m_dc(dc), m_fonts(fonts), m_restore(dc, fonts[0].Get()) {}
  GdiHelpMetrics(const GdiHelpMetrics&) = delete;
  GdiHelpMetrics& operator=(const GdiHelpMetrics&) = delete;

  int32_t TextWidth(std::string_view text, app::HelpFont font) override {
    Select(font);
    SIZE size{};
    GetTextExtentPoint32A(m_dc, text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
  }
  int32_t LineHeight(app::HelpFont font) override {
    Select(font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(m_dc, &metrics);
    return metrics.tmHeight;
  }
  void Select(app::HelpFont font) { SelectObject(m_dc, m_fonts[static_cast<size_t>(font)].Get()); }

 private:
  HDC m_dc;
  const std::array<ui::ScopedFont, 5>& m_fonts;
  ui::ScopedSelect m_restore;
};

}  // namespace

// The topic's text, laid out for the pane's width; scrolled down, and sideways where a trace
// line is wider than the pane.
class CHelpWindow::TextPane : public ui::Window {
 public:
  explicit TextPane(CHelpWindow& owner) : m_owner(owner) {}

  bool Create(HWND parent) {
    return RegisterWindowClass(kTextClass, 0, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr,
                               nullptr) &&
           ui::Window::Create(kTextClass, "",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                              WS_EX_CLIENTEDGE, 0, 0, 0, 0, parent, nullptr);
  }

  void SetTopic(const app::HelpTopic* topic) {
    m_topic = topic;
    m_x.pos = 0;
    m_y.pos = 0;
    Relayout();
  }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    result = 0;
    switch (message) {
      case WM_PAINT:
        Paint();
        return true;
      case WM_SIZE:
        m_x.client = LOWORD(lParam);
        m_y.client = HIWORD(lParam);
        Relayout();
        return true;
      case WM_VSCROLL:
        OnScroll(m_y, LOWORD(wParam));
        return true;
      case WM_HSCROLL:
        OnScroll(m_x, LOWORD(wParam));
        return true;
      case WM_MOUSEWHEEL: {
        const int notches = static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA;
        ScrollTo(m_y, m_y.pos - notches * kWheelLines * kLineStep);
        return true;
      }
      case WM_KEYDOWN:
        return OnKeyDown(wParam);
      case WM_LBUTTONDOWN:
        SetFocus(Hwnd());
        return true;
      case WM_LBUTTONUP:
        if (const app::HelpRun* link = LinkAt(lParam)) {
          if (auto topic = m_owner.m_book.FindKey(link->link)) m_owner.ShowTopic(*topic);
        }
        return true;
      case WM_SETCURSOR: {
        if (LOWORD(lParam) != HTCLIENT) return false;
        POINT point{};
        GetCursorPos(&point);
        ScreenToClient(Hwnd(), &point);
        const bool overLink = LinkAt(MAKELPARAM(point.x, point.y)) != nullptr;
        SetCursor(LoadCursorA(nullptr, overLink ? IDC_HAND : IDC_ARROW));
        result = TRUE;
        return true;
      }
      default:
        return false;
    }
  }

 private:
  // One scroll bar: the page's extent along it, the client's, and the position.
  struct Axis {
    int bar;
    int pos = 0;
    int client = 0;
    int extent = 0;
  };

  const app::HelpRun* LinkAt(LPARAM point) const {
    return app::HelpLinkAt(m_page, static_cast<short>(LOWORD(point)) + m_x.pos,
                           static_cast<short>(HIWORD(point)) + m_y.pos);
  }

  void Relayout() {
    if (m_topic == nullptr || Hwnd() == nullptr) return;
    {
      const ui::ScopedWindowDC dc(Hwnd());
      GdiHelpMetrics metrics(dc.Get(), m_owner.m_fonts);
      m_page = app::LayoutHelpTopic(*m_topic, m_x.client, kTextMargin, metrics);
    }
    m_x.extent = m_page.width;
    m_y.extent = m_page.height;
    ScrollTo(m_y, m_y.pos);
    ScrollTo(m_x, m_x.pos);
  }

  // The down bar stays, greyed when all fits, so that the text's width does not change; the
  // sideways bar shows only for a trace line wider than the pane.
  void ScrollTo(Axis& axis, int pos) {
    axis.pos = std::clamp(pos, 0, std::max(0, axis.extent - axis.client));
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL | (axis.bar == SB_VERT ? SIF_DISABLENOSCROLL : 0);
    info.nMax = std::max(0, axis.extent - 1);
    info.nPage = static_cast<UINT>(std::max(0, axis.client));
    info.nPos = axis.pos;
    SetScrollInfo(Hwnd(), axis.bar, &info, TRUE);
    Invalidate();
  }

  void OnScroll(Axis& axis, int code) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(Hwnd(), axis.bar, &info);
    const int page = std::max(kLineStep, axis.client - kLineStep);
    const int line = code == SB_LINEUP ? -kLineStep : code == SB_LINEDOWN ? kLineStep : 0;
    const int pages = code == SB_PAGEUP ? -page : code == SB_PAGEDOWN ? page : 0;
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
      ScrollTo(axis, info.nTrackPos);
    } else if (code == SB_TOP || code == SB_BOTTOM) {
      ScrollTo(axis, code == SB_TOP ? 0 : axis.extent);
    } else {
      ScrollTo(axis, axis.pos + line + pages);
    }
  }

  bool OnKeyDown(WPARAM key) {
    if (key == VK_BACK) {
      m_owner.Back();
      return true;
    }
    struct Move {
      WPARAM key;
      bool sideways;
      int code;
    };
    static constexpr Move kMoves[] = {
        {VK_UP, false, SB_LINEUP},     {VK_DOWN, false, SB_LINEDOWN}, {VK_PRIOR, false, SB_PAGEUP},
        {VK_NEXT, false, SB_PAGEDOWN}, {VK_HOME, false, SB_TOP},      {VK_END, false, SB_BOTTOM},
        {VK_LEFT, true, SB_LINEUP},    {VK_RIGHT, true, SB_LINEDOWN},
    };
    for (const Move& move : kMoves) {
      if (move.key == key) {
        OnScroll(move.sideways ? m_x : m_y, move.code);
        return true;
      }
    }
    return false;
  }

  void Paint() {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(Hwnd(), &ps);
    SetBkMode(dc, TRANSPARENT);
    GdiHelpMetrics fonts(dc, m_owner.m_fonts);
    for (const app::HelpRun& run : m_page.runs) {
      const int y = run.y - m_y.pos;
      if (y + run.height < ps.rcPaint.top || y > ps.rcPaint.bottom) continue;
      fonts.Select(run.font);
      SetTextColor(dc, run.font == app::HelpFont::kLink    ? kLinkColour
                       : run.font == app::HelpFont::kTrace ? kTraceColour
                                                           : GetSysColor(COLOR_WINDOWTEXT));
      TextOutA(dc, run.x - m_x.pos, y, run.text.data(), static_cast<int>(run.text.size()));
    }
    EndPaint(Hwnd(), &ps);
  }

  CHelpWindow& m_owner;
  const app::HelpTopic* m_topic = nullptr;
  app::HelpPage m_page;
  Axis m_x{SB_HORZ};
  Axis m_y{SB_VERT};
};

CHelpWindow::CHelpWindow() : m_book(app::HelpBook::Parse(HelpSource())) {
  m_fonts[static_cast<size_t>(app::HelpFont::kText)].Reset(MakeFont(15, FW_NORMAL, false, false));
  m_fonts[static_cast<size_t>(app::HelpFont::kTitle)].Reset(MakeFont(22, FW_BOLD, false, false));
  m_fonts[static_cast<size_t>(app::HelpFont::kHeading)].Reset(MakeFont(15, FW_BOLD, false, false));
  m_fonts[static_cast<size_t>(app::HelpFont::kTrace)].Reset(MakeFont(13, FW_NORMAL, false, true));
  m_fonts[static_cast<size_t>(app::HelpFont::kLink)].Reset(MakeFont(15, FW_NORMAL, true, false));
}

CHelpWindow::~CHelpWindow() {
  m_text.reset();
  if (Hwnd() != nullptr) DestroyWindow(Hwnd());
}

bool CHelpWindow::ShowContext(HWND owner, uint32_t context) {
  return Open(owner, m_book.FindContext(context));
}

bool CHelpWindow::ShowKey(HWND owner, std::string_view key) {
  return Open(owner, m_book.FindKey(key));
}

bool CHelpWindow::ShowIndex(HWND owner) {
  if (!Open(owner, m_book.FindContext(app::kHelpContextOverview))) return false;
  SetFocus(m_list);
  return true;
}

bool CHelpWindow::Open(HWND owner, std::optional<size_t> topic) {
  if (!topic) return false;
  if (Hwnd() == nullptr) {
    if (!RegisterWindowClass(kHelpClass, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                             LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)),
                             nullptr) ||
        !Create(kHelpClass, kCaptionPrefix, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, CW_USEDEFAULT,
                CW_USEDEFAULT, 700, 520, owner, nullptr)) {
      return false;
    }
  }
  ShowTopic(*topic);
  ShowWindow(Hwnd(), IsIconic(Hwnd()) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(Hwnd());
  return true;
}

void CHelpWindow::ShowTopic(size_t topic) {
  m_history.Show(topic);
  Refresh();
}

void CHelpWindow::Back() {
  m_history.Back();
  Refresh();
}

void CHelpWindow::Refresh() {
  const std::optional<size_t> current = m_history.Current();
  if (!current || Hwnd() == nullptr) return;
  const app::HelpTopic& topic = m_book.Topics()[*current];
  SendMessageA(m_list, LB_SETCURSEL, *current, 0);
  SetText(kCaptionPrefix + topic.title);
  EnableWindow(m_back, m_history.CanGoBack() ? TRUE : FALSE);
  m_text->SetTopic(&topic);
}

void CHelpWindow::ArrangeChildren() {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  const int buttonHeight = 28;
  const int listTop = kMargin + buttonHeight + kMargin;
  MoveWindow(m_back, kMargin, kMargin, 90, buttonHeight, TRUE);
  MoveWindow(m_list, kMargin, listTop, m_listWidth,
             std::max(0, static_cast<int>(client.bottom) - listTop - kMargin), TRUE);
  const int textLeft = kMargin + m_listWidth + kMargin;
  MoveWindow(m_text->Hwnd(), textLeft, kMargin,
             std::max(0, static_cast<int>(client.right) - textLeft - kMargin),
             std::max(0, static_cast<int>(client.bottom) - 2 * kMargin), TRUE);
}

bool CHelpWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_CREATE: {
      HINSTANCE instance = GetModuleHandleA(nullptr);
      m_back = CreateWindowExA(0, "BUTTON", "&Back", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0,
                               Hwnd(), reinterpret_cast<HMENU>(kBackId), instance, nullptr);
      m_list =
          CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY |
                              LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT,
                          0, 0, 0, 0, Hwnd(), reinterpret_cast<HMENU>(kListId), instance, nullptr);
      m_text = std::make_unique<TextPane>(*this);
      if (m_back == nullptr || m_list == nullptr || !m_text->Create(Hwnd())) {
        result = -1;
        return true;
      }
      const WPARAM font = reinterpret_cast<WPARAM>(m_fonts[0].Get());
      SendMessageA(m_back, WM_SETFONT, font, FALSE);
      SendMessageA(m_list, WM_SETFONT, font, FALSE);
      // The list is as wide as its longest title ("WSAStringToAddressA (Winsock 2)"), with its
      // border and scroll bar.
      HDC dc = GetDC(m_list);
      const HGDIOBJ previous = SelectObject(dc, m_fonts[0].Get());
      int widest = 0;
      for (const app::HelpTopic& topic : m_book.Topics()) {
        SendMessageA(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(topic.title.c_str()));
        SIZE size{};
        GetTextExtentPoint32A(dc, topic.title.c_str(), static_cast<int>(topic.title.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
      }
      SelectObject(dc, previous);
      ReleaseDC(m_list, dc);
      m_listWidth = std::max(kListWidth, widest + GetSystemMetrics(SM_CXVSCROLL) +
                                             4 * GetSystemMetrics(SM_CXEDGE) + 4);
      return true;
    }
    case WM_SIZE:
      ArrangeChildren();
      return true;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {420, 300};
      return true;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kBackId && HIWORD(wParam) == BN_CLICKED) {
        Back();
      } else if (LOWORD(wParam) == kListId && HIWORD(wParam) == LBN_SELCHANGE) {
        const LRESULT selected = SendMessageA(m_list, LB_GETCURSEL, 0, 0);
        if (selected >= 0) ShowTopic(static_cast<size_t>(selected));
      }
      return true;
    case WM_VKEYTOITEM:
      if (LOWORD(wParam) == VK_BACK) {
        Back();
        result = -2;  // handled here
      } else {
        result = -1;  // the list's own handling
      }
      return true;
    case WM_CLOSE:
      ShowWindow(Hwnd(), SW_HIDE);
      return true;
    default:
      return false;
  }
}
