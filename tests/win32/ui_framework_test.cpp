// The framework under Wine: message tables reach their handlers, commands go to the first
// target that handles them and only while enabled, menus show what update handlers decide, and
// the print loop's box and fonts work.
#include <windows.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Check.h"
#include "ui/win32/App.h"
#include "ui/win32/FrameWindow.h"
#include "ui/win32/Printer.h"
#include "ui/win32/PrintingBox.h"
#include "ui/win32/Scoped.h"

namespace {

constexpr UINT kPing = WM_USER + 7;
constexpr UINT kThrow = WM_USER + 9;
constexpr UINT kShared = 100;    // handled by view and document: the view wins
constexpr UINT kDocOnly = 101;   // handled by the document
constexpr UINT kDisabled = 102;  // has a handler, but its update handler disables it
constexpr UINT kOrphan = 103;    // nobody handles it

struct Counts {
  int viewShared = 0;
  int docShared = 0;
  int docOnly = 0;
  int disabled = 0;
  int pings = 0;
} g;

class TestView : public ui::Window {
 public:
  bool OnCmdMsg(UINT id, ui::CommandUI* state) override;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  LRESULT OnPing(WPARAM wParam, LPARAM) {
    g.pings += static_cast<int>(wParam);
    return 42;
  }
  LRESULT OnThrow(WPARAM, LPARAM) { throw std::runtime_error("injected"); }
  void OnShared() { ++g.viewShared; }
  void OnDisabled() { ++g.disabled; }
  void OnUpdateDisabled(ui::CommandUI& state) {
    state.Enable(false);
    state.SetCheck(true);
    state.SetText("Renamed");
  }
  static const ui::MessageEntry<TestView> kMessages[];
  static const ui::CommandEntry<TestView> kCommands[];
  static const ui::UpdateEntry<TestView> kUpdates[];
};

const ui::MessageEntry<TestView> TestView::kMessages[] = {{kPing, &TestView::OnPing},
                                                          {kThrow, &TestView::OnThrow}};
const ui::CommandEntry<TestView> TestView::kCommands[] = {{kShared, &TestView::OnShared},
                                                          {kDisabled, &TestView::OnDisabled}};
const ui::UpdateEntry<TestView> TestView::kUpdates[] = {{kDisabled, &TestView::OnUpdateDisabled}};

bool TestView::OnCmdMsg(UINT id, ui::CommandUI* state) {
  return ui::RouteCommand<TestView>(this, kCommands, kUpdates, id, state);
}

bool TestView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return ui::DispatchMessageTable<TestView>(this, kMessages, message, wParam, lParam, result);
}

class TestDoc : public ui::CommandTarget {
 public:
  bool OnCmdMsg(UINT id, ui::CommandUI* state) override;

 private:
  void OnShared() { ++g.docShared; }
  void OnDocOnly() { ++g.docOnly; }
  static const ui::CommandEntry<TestDoc> kCommands[];
};

const ui::CommandEntry<TestDoc> TestDoc::kCommands[] = {{kShared, &TestDoc::OnShared},
                                                        {kDocOnly, &TestDoc::OnDocOnly}};

bool TestDoc::OnCmdMsg(UINT id, ui::CommandUI* state) {
  return ui::RouteCommand<TestDoc>(this, kCommands, {}, id, state);
}

class TestFrame : public ui::FrameWindow {};

UINT MenuState(HMENU menu, UINT id) {
  return GetMenuState(menu, id, MF_BYCOMMAND);
}

std::string MenuText(HMENU menu, UINT id) {
  char text[64] = {};
  GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
  return text;
}

// Closes every "Internal Error" box that appears until told to stop; keeps the texts.
struct BoxCloser {
  volatile bool stop = false;
  std::vector<std::string> texts;

  static DWORD WINAPI Run(void* self) {
    auto* closer = static_cast<BoxCloser*>(self);
    while (!closer->stop) {
      if (HWND box = FindWindowA("#32770", "Internal Error")) {
        char text[512] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        closer->texts.push_back(text);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        while (IsWindow(box)) Sleep(10);
      }
      Sleep(10);
    }
    return 0;
  }
};

// The owners give back exactly once what they hold: a replaced or dropped brush is deleted, a
// moved-from owner deletes nothing, and a selection puts back what the DC had before.
void CheckScopedOwners() {
  HBRUSH first = CreateSolidBrush(RGB(1, 2, 3));
  HBRUSH second = CreateSolidBrush(RGB(4, 5, 6));
  {
    ui::ScopedBrush owner(first);
    owner.Reset(second);
    CHECK(GetObjectType(first) == 0);
    ui::ScopedBrush taken(std::move(owner));
    CHECK(!owner && taken.Get() == second);
  }
  CHECK(GetObjectType(second) == 0);

  const ui::ScopedCompatibleDC dc(CreateCompatibleDC(nullptr));
  const ui::ScopedBrush brush(CreateSolidBrush(RGB(7, 8, 9)));
  HGDIOBJ before = GetCurrentObject(dc.Get(), OBJ_BRUSH);
  {
    const ui::ScopedSelect selected(dc.Get(), brush.Get());
    CHECK(GetCurrentObject(dc.Get(), OBJ_BRUSH) == brush.Get());
  }
  CHECK(GetCurrentObject(dc.Get(), OBJ_BRUSH) == before);
}

// The "Printing" box comes from a template built in memory: it shows, keeps its owner disabled
// while it lives, names the page going out, and its Cancel stops the job.
void CheckPrintingBox(HWND owner) {
  {
    ui::PrintingBox box(owner, "Quarnet");
    HWND window = FindWindowA(nullptr, "Printing");
    CHECK(window != nullptr && IsWindowVisible(window));
    CHECK(!IsWindowEnabled(owner));
    CHECK(FindWindowExA(window, nullptr, "Static", "Quarnet") != nullptr);
    box.ShowPage(3);
    CHECK(FindWindowExA(window, nullptr, "Static", "Page 3") != nullptr);
    CHECK(box.Pump() && !box.Cancelled());
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    CHECK(!box.Pump() && box.Cancelled());
  }
  CHECK(IsWindowEnabled(owner));
  CHECK(FindWindowA(nullptr, "Printing") == nullptr);
}

// Fixed-pitch fonts grow with their size, and the default font is selected again at the end.
void CheckPrinterFonts() {
  const ui::ScopedCompatibleDC dc(CreateCompatibleDC(nullptr));
  HGDIOBJ before = GetCurrentObject(dc.Get(), OBJ_FONT);
  {
    ui::PrinterFonts fonts(dc.Get());
    CHECK(fonts.DefaultPoints() > 0);
    const int small = fonts.FixedCharWidth(8);
    CHECK(small > 0 && fonts.FixedCharWidth(24) > small);
    CHECK(fonts.UseFixed(8));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc.Get(), &tm);
    CHECK(tm.tmAveCharWidth == small);
  }
  CHECK(GetCurrentObject(dc.Get(), OBJ_FONT) == before);
}

}  // namespace

int main() {
  ui::App app;
  CHECK(ui::Window::RegisterWindowClass("TestFrame", 0, nullptr, nullptr, nullptr));
  CHECK(ui::Window::RegisterWindowClass("TestView", 0, nullptr, nullptr, nullptr));
  TestFrame frame;
  HMENU menu = CreateMenu();
  HMENU popup = CreatePopupMenu();
  for (UINT id : {kShared, kDocOnly, kDisabled, kOrphan}) AppendMenuA(popup, MF_STRING, id, "x");
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "&Test");
  CHECK(frame.Create("TestFrame", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 0, 300, 200, nullptr, menu));
  TestView view;
  CHECK(view.Create("TestView", "", WS_CHILD, 0, 0, 0, 10, 10, frame.Hwnd(), nullptr));
  TestDoc doc;
  frame.m_pView = &view;
  frame.m_pDocument = &doc;
  app.m_pMainWnd = &frame;

  // The message table reaches the handler; other messages go to DefWindowProc.
  CHECK(SendMessageA(view.Hwnd(), kPing, 3, 0) == 42);
  CHECK(g.pings == 3);
  CHECK(SendMessageA(view.Hwnd(), WM_USER + 8, 0, 0) == 0);

  // Menu commands and accelerators arrive as WM_COMMAND at the frame.
  SendMessageA(frame.Hwnd(), WM_COMMAND, kShared, 0);
  SendMessageA(frame.Hwnd(), WM_COMMAND, kDocOnly, 0);
  SendMessageA(frame.Hwnd(), WM_COMMAND, kDisabled, 0);
  SendMessageA(frame.Hwnd(), WM_COMMAND, kOrphan, 0);
  CHECK(g.viewShared == 1 && g.docShared == 0);
  CHECK(g.docOnly == 1);
  CHECK(g.disabled == 0);

  // Opening the menu asks the update handlers; items nobody handles are greyed.
  SendMessageA(frame.Hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
  CHECK(!(MenuState(popup, kShared) & MF_GRAYED));
  CHECK(!(MenuState(popup, kDocOnly) & MF_GRAYED));
  CHECK(MenuState(popup, kDisabled) & MF_GRAYED);
  CHECK(MenuState(popup, kDisabled) & MF_CHECKED);
  CHECK(MenuText(popup, kDisabled) == "Renamed");
  CHECK(MenuState(popup, kOrphan) & MF_GRAYED);

  // A handler's exception stops at the window procedure: the user is told once, and the
  // program and the window go on.
  BoxCloser closer;
  HANDLE thread = CreateThread(nullptr, 0, BoxCloser::Run, &closer, 0, nullptr);
  CHECK(SendMessageA(view.Hwnd(), kThrow, 0, 0) == 0);
  CHECK(SendMessageA(view.Hwnd(), kThrow, 0, 0) == 0);
  closer.stop = true;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  CHECK(closer.texts.size() == 1);
  CHECK(!closer.texts.empty() && closer.texts[0].find("(injected)") != std::string::npos);
  CHECK(SendMessageA(view.Hwnd(), kPing, 1, 0) == 42);

  CheckPrintingBox(frame.Hwnd());
  DestroyWindow(frame.Hwnd());
  CheckScopedOwners();
  CheckPrinterFonts();
  return check::Finish("ui_framework_test");
}
