#include "ui/win32/ControlBars.h"

#include <commctrl.h>

#include "ui/win32/Scoped.h"
#include "ui/win32/Window.h"

namespace ui {

namespace {

// The toolbar's view of one button's state, applied when an update handler sets it.
class ToolButtonUI : public CommandUI {
 public:
  ToolButtonUI(HWND toolbar, UINT id) : CommandUI(id), m_toolbar(toolbar) {}
  void Enable(bool on) override { m_enabled = on; }
  void SetCheck(bool on) override { m_checked = on; }
  void SetText(const char*) override {}  // buttons show no text
  void Apply() const {
    const LRESULT old = SendMessageA(m_toolbar, TB_GETSTATE, m_nID, 0);
    if (old == -1) return;
    LRESULT state = old & ~(TBSTATE_ENABLED | TBSTATE_CHECKED);
    if (m_enabled) state |= TBSTATE_ENABLED;
    if (m_checked) state |= TBSTATE_CHECKED;
    if (state != old) SendMessageA(m_toolbar, TB_SETSTATE, m_nID, MAKELPARAM(state, 0));
  }

 private:
  HWND m_toolbar;
  bool m_enabled = false;
  bool m_checked = false;
};

}  // namespace

bool ToolBar::Create(HWND parent, UINT id, UINT bitmapId, std::span<const UINT> slots) {
  m_hwnd = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | CCS_TOP, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
  if (m_hwnd == nullptr) return false;
  SendMessageA(m_hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(m_hwnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 15));
  int images = 0;
  for (UINT command : slots) images += command != 0 ? 1 : 0;
  TBADDBITMAP bitmap{GetModuleHandleA(nullptr), bitmapId};
  if (SendMessageA(m_hwnd, TB_ADDBITMAP, static_cast<WPARAM>(images),
                   reinterpret_cast<LPARAM>(&bitmap)) == -1) {
    return false;
  }
  std::vector<TBBUTTON> buttons;
  int image = 0;
  for (UINT command : slots) {
    TBBUTTON button{};
    if (command == 0) {
      button.fsStyle = TBSTYLE_SEP;
    } else {
      button.iBitmap = image++;
      button.idCommand = static_cast<int>(command);
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = TBSTYLE_BUTTON;
      m_commands.push_back(command);
    }
    buttons.push_back(button);
  }
  if (!SendMessageA(m_hwnd, TB_ADDBUTTONSA, buttons.size(),
                    reinterpret_cast<LPARAM>(buttons.data()))) {
    return false;
  }
  SendMessageA(m_hwnd, TB_AUTOSIZE, 0, 0);
  return true;
}

void ToolBar::UpdateButtons(const std::function<bool(UINT, CommandUI*)>& route) const {
  if (!IsVisible()) return;
  for (UINT command : m_commands) {
    ToolButtonUI state(m_hwnd, command);
    route(command, &state);  // unhandled commands stay disabled
    state.Apply();
  }
}

bool StatusBar::Create(HWND parent, UINT id, std::span<const UINT> indicators) {
  m_hwnd = CreateWindowExA(0, STATUSCLASSNAMEA, nullptr,
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBARS_SIZEGRIP, 0, 0, 0, 0,
                           parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
  if (m_hwnd == nullptr || indicators.empty()) return false;
  const ScopedWindowDC dc(m_hwnd);
  if (!dc) return false;
  auto font = reinterpret_cast<HFONT>(SendMessageA(m_hwnd, WM_GETFONT, 0, 0));
  const ScopedSelect selected(dc.Get(), font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  m_texts.assign(indicators.size(), std::string());
  for (size_t i = 1; i < indicators.size(); ++i) {
    const std::string text = LoadResString(indicators[i]);
    SIZE size{};
    if (text.empty() ||
        !GetTextExtentPoint32A(dc.Get(), text.data(), static_cast<int>(text.size()), &size)) {
      return false;
    }
    m_widths.push_back(size.cx + 2 * GetSystemMetrics(SM_CXEDGE) + 8);
  }
  Resize();
  return true;
}

void StatusBar::Resize() {
  SendMessageA(m_hwnd, WM_SIZE, 0, 0);
  RECT rc{};
  GetClientRect(m_hwnd, &rc);
  // The size grip takes the bar's height at its right end.
  int right = rc.right - (rc.bottom - rc.top);
  std::vector<int> edges(m_widths.size() + 1);
  for (size_t i = m_widths.size(); i > 0; --i) {
    edges[i] = right;
    right -= m_widths[i - 1];
  }
  edges[0] = right > 0 ? right : 0;
  SendMessageA(m_hwnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (size_t i = 0; i < m_texts.size(); ++i) {
    SendMessageA(m_hwnd, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(m_texts[i].c_str()));
  }
}

void StatusBar::SetPaneText(int pane, const std::string& text) {
  if (pane < 0 || static_cast<size_t>(pane) >= m_texts.size()) return;
  if (m_texts[static_cast<size_t>(pane)] == text) return;
  m_texts[static_cast<size_t>(pane)] = text;
  SendMessageA(m_hwnd, SB_SETTEXTA, static_cast<WPARAM>(pane),
               reinterpret_cast<LPARAM>(text.c_str()));
  UpdateWindow(m_hwnd);
}

}  // namespace ui
