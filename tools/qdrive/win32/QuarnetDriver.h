// Drives a running quarnet.exe from another process, as a user would: finds its main window,
// sends menu commands, fills in the file dialogs, works the program's own dialogs control by
// control, answers message boxes, and reads the title, the status panes and the help window.
#pragma once

#include <commctrl.h>
#include <tlhelp32.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace drive {

inline constexpr char kFrameClass[] = "QuarnetFrame";
inline constexpr char kHelpClass[] = "QuarnetHelp";

inline bool WaitFor(DWORD timeoutMs, const auto& ready) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (ready()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
}

// One of the monitor's dialogs, worked through its controls' ids. Buttons are pressed with
// BM_CLICK, which the button handles as a mouse click (check boxes and radio buttons change
// state, the dialog hears BN_CLICKED); list boxes and spinners are told what a user's click
// would make them tell the dialog.
struct DialogWindow {
  HWND hwnd = nullptr;

  HWND Item(int id) const { return GetDlgItem(hwnd, id); }
  // A button whose handler returns at once.
  void Click(int id) const { SendMessageA(Item(id), BM_CLICK, 0, 0); }
  // A button that opens or closes a window: returns before its handler does.
  void Press(int id) const { PostMessageA(Item(id), BM_CLICK, 0, 0); }
  // The focus to a control, as Tab or a click puts it there; the control that had it hears
  // of its loss.
  void Focus(int id) const {
    SendMessageA(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
  }
  // A key pressed in the control that has the focus: Enter, Escape, or with `alt` a mnemonic.
  void Key(WPARAM key, bool alt = false) const {
    HWND target = FocusWindow() != nullptr ? FocusWindow() : hwnd;
    if (alt) {
      PostMessageA(target, WM_SYSCHAR, key, 1 << 29);
    } else {
      PostMessageA(target, WM_KEYDOWN, key, 1);
      PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    }
  }
  void SetText(int id, const std::string& text) const {
    SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  std::string Text(int id) const {
    char text[512] = {};
    GetDlgItemTextA(hwnd, id, text, sizeof text);
    return text;
  }
  bool Checked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != 0; }
  bool Visible(int id) const { return IsWindowVisible(Item(id)) != 0; }

  // Exactly these entries of a multiple-selection list become selected.
  void Select(int id, std::initializer_list<int> entries) const {
    HWND list = Item(id);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    for (int entry : entries) SendMessageA(list, LB_SETSEL, TRUE, entry);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  }
  std::vector<int> Selected(int id) const {
    std::vector<int> entries;
    const LRESULT count = SendMessageA(Item(id), LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
      if (SendMessageA(Item(id), LB_GETSEL, i, 0) > 0) entries.push_back(i);
    }
    return entries;
  }
  // An arrow of a spinner scroll bar: SB_LINEUP for the upper, SB_LINEDOWN for the lower.
  void Spin(int id, int code) const {
    const auto bar = reinterpret_cast<LPARAM>(Item(id));
    SendMessageA(hwnd, WM_VSCROLL, MAKEWPARAM(code, 0), bar);
    SendMessageA(hwnd, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), bar);
  }
  int SpinPosition(int id) const {
    return static_cast<int>(SendMessageA(Item(id), SBM_GETPOS, 0, 0));
  }

  // The control with the keyboard focus in the dialog's thread, and an edit's selection.
  HWND FocusWindow() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info) ? info.hwndFocus
                                                                            : nullptr;
  }
  bool HasFocus(int id) const { return FocusWindow() == Item(id); }
  bool AllSelected(int id) const {
    const auto range = static_cast<DWORD>(SendMessageA(Item(id), EM_GETSEL, 0, 0));
    return LOWORD(range) == 0 && HIWORD(range) == Text(id).size();
  }

  bool WaitClosed() const {
    return WaitFor(20000, [&] { return !IsWindow(hwnd); });
  }
};

// The process started by CreateProcess, with its main window once it has one.
struct Program {
  PROCESS_INFORMATION pi{};
  HWND frame = nullptr;

  bool Start(const std::string& exe, const std::string& folder) {
    return Launch(exe, folder) && WaitForMainWindow();
  }

  bool Launch(const std::string& exe, const std::string& folder) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = "\"" + exe + "\"";
    return CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &si, &pi) != 0;
  }

  // Started: the window is shown and the first idle pass has filled the status panes.
  bool WaitForMainWindow() {
    return WaitFor(60000, [&] {
      frame = FindMainWindow();
      return frame != nullptr && IsWindowVisible(frame) && !Pane(1).empty();
    });
  }

  HWND FindMainWindow() const { return FindTopWindow(kFrameClass); }

  // The monitor's top-level window of this class, shown or not.
  HWND FindTopWindow(const char* windowClass) const {
    HWND found = nullptr;
    for (HWND w = FindWindowExA(nullptr, nullptr, windowClass, nullptr); w != nullptr;
         w = FindWindowExA(nullptr, w, windowClass, nullptr)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == pi.dwProcessId) found = w;
    }
    return found;
  }

  // The help window's caption once it is shown ("Quarnet Help - " and the topic's title), or
  // empty when it is not.
  std::string HelpCaption() const {
    HWND help = FindTopWindow(kHelpClass);
    if (help == nullptr || !IsWindowVisible(help)) return {};
    char text[256] = {};
    GetWindowTextA(help, text, sizeof text);
    return text;
  }

  // The entries of the help window's topic list, in order. The system carries list-box texts
  // between processes; asked for in UTF-16, they arrive whole under Wine too.
  std::vector<std::string> HelpTopicList() const {
    HWND list = FindWindowExA(FindTopWindow(kHelpClass), nullptr, "ListBox", nullptr);
    std::vector<std::string> entries;
    const LRESULT count = list != nullptr ? SendMessageW(list, LB_GETCOUNT, 0, 0) : 0;
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t wide[256] = {};
      char text[256] = {};
      if (SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) < 256) {
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
      }
      entries.emplace_back(text);
    }
    return entries;
  }

  // Runs a command and returns once the monitor has handled it. A sent message is handled
  // inside the monitor's GetMessage, which returns nothing: the posted WM_NULL lets its idle
  // update (toolbar, status panes) run, as it does after a user's click.
  void Command(UINT id) const {
    SendMessageA(frame, WM_COMMAND, id, 0);
    PostMessageA(frame, WM_NULL, 0, 0);
  }
  // Starts a command that opens a modal dialog.
  void PostCommand(UINT id) const { PostMessageA(frame, WM_COMMAND, id, 0); }

  std::string Title() const {
    char text[256] = {};
    GetWindowTextA(frame, text, sizeof text);
    return text;
  }

  // A status pane's text, read through memory in the monitor's process (the status bar's
  // messages carry pointers, which are not passed between processes).
  std::string Pane(int pane) const {
    HWND bar = FindWindowExA(frame, nullptr, STATUSCLASSNAMEA, nullptr);
    if (bar == nullptr) return "<no status bar>";
    return RemoteText(bar, SB_GETTEXTA, pane,
                      LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, pane, 0)));
  }

  // A toolbar button's rectangle, in the toolbar's client coordinates.
  RECT ToolbarButtonRect(UINT command) const {
    HWND toolbar = FindWindowExA(frame, nullptr, TOOLBARCLASSNAMEA, nullptr);
    RECT rect{};
    const std::string bytes = RemoteText(toolbar, TB_GETRECT, command, sizeof rect);
    if (bytes.size() == sizeof rect) std::memcpy(&rect, bytes.data(), sizeof rect);
    return rect;
  }

  // What a control writes into memory of the monitor's process for `message`: `length` bytes
  // (or characters of text).
  std::string RemoteText(HWND control, UINT message, WPARAM wParam, LRESULT length) const {
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 pi.dwProcessId);
    if (process == nullptr) return "<no access>";
    void* remote = VirtualAllocEx(process, nullptr, 512, MEM_COMMIT, PAGE_READWRITE);
    std::string text;
    if (remote != nullptr) {
      SendMessageA(control, message, wParam, reinterpret_cast<LPARAM>(remote));
      char buffer[512] = {};
      SIZE_T read = 0;
      ReadProcessMemory(process, remote, buffer, sizeof buffer - 1, &read);
      text.assign(buffer, length >= 0 && static_cast<SIZE_T>(length) < read
                              ? static_cast<size_t>(length)
                              : read);
      VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
  }

  // Pane 3 holds "first:count"; the count, or -1 when the pane is empty or unreadable.
  int RecordCount() const {
    const std::string text = Pane(3);
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return text.empty() ? 0 : -1;
    return std::atoi(text.c_str() + colon + 1);
  }

  // Waits until the count has stayed the same for `quietMs`.
  int WaitForQuiet(DWORD quietMs, DWORD timeoutMs) const {
    int last = RecordCount();
    DWORD since = GetTickCount();
    const DWORD start = since;
    while (GetTickCount() - start < timeoutMs) {
      Sleep(100);
      const int now = RecordCount();
      if (now != last) {
        last = now;
        since = GetTickCount();
      } else if (GetTickCount() - since >= quietMs) {
        break;
      }
    }
    return last;
  }

  // Visible dialog windows of the monitor's process with this caption (any when null), the
  // topmost first.
  std::vector<HWND> FindDialogs(const char* caption) const {
    DialogSearch search{pi.dwProcessId, caption, {}};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  HWND FindDialog(const char* caption) const {
    const std::vector<HWND> found = FindDialogs(caption);
    return found.empty() ? nullptr : found.front();
  }
  // Waits for the program's dialog with this caption.
  DialogWindow WaitDialog(const char* caption) const {
    DialogWindow dialog;
    WaitFor(20000, [&] { return (dialog.hwnd = FindDialog(caption)) != nullptr; });
    return dialog;
  }

  // Fills the open or save dialog's file name with `path` and presses its default button.
  bool ChooseInFileDialog(const std::string& path) const {
    HWND dialog = nullptr;
    if (!WaitFor(20000, [&] { return (dialog = FindDialog(nullptr)) != nullptr; })) return false;
    Sleep(300);                             // let the dialog finish filling its lists
    HWND name = GetDlgItem(dialog, 0x47C);  // the file name combo box
    if (name != nullptr) {
      HWND edit = FindWindowExA(name, nullptr, "Edit", nullptr);
      if (edit != nullptr) name = edit;
    } else {
      name = GetDlgItem(dialog, 0x480);  // the file name edit
    }
    if (name == nullptr) return false;
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return WaitFor(20000, [&] { return !IsWindow(dialog); });
  }

  struct DialogSearch {
    DWORD pid;
    const char* caption;
    std::vector<HWND> found;
  };

  static BOOL CALLBACK MatchDialog(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<DialogSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = {};
    char text[512] = {};  // a caption may carry a long path
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, text, sizeof text);
    if (pid == s->pid && IsWindowVisible(w) && std::string(cls) == "#32770" &&
        (s->caption == nullptr || std::string(text) == s->caption)) {
      s->found.push_back(w);
    }
    return TRUE;
  }

  // The text of the monitor's message box, empty while none is shown.
  std::string MessageBoxText(HWND* box = nullptr) const {
    for (HWND w : FindDialogs(nullptr)) {
      char said[512] = {};
      GetDlgItemTextA(w, 0xFFFF, said, sizeof said);  // the message box's text
      if (said[0] != '\0') {
        if (box != nullptr) *box = w;
        return said;
      }
    }
    return {};
  }

  // Waits for a message box of the monitor that says `text` and closes it with `button`.
  bool AnswerMessageBox(const std::string& text, int button) const {
    HWND box = nullptr;
    std::string said;
    const bool shown = WaitFor(20000, [&] { return (said = MessageBoxText(&box)) == text; });
    if (!shown) {
      std::printf("message box: expected \"%s\", shown \"%s\"\n", text.c_str(), said.c_str());
      return false;
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    return WaitFor(20000, [&] { return !IsWindow(box); });
  }

  bool Exit(DWORD timeoutMs) {
    PostMessageA(frame, WM_COMMAND, 57665 /* File, Exit */, 0);
    const bool ended = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ended;
  }
};

// Waits for a process of this file name (e.g. "wsdemo.tmp") to start and then to end.
inline bool WaitForProcessRun(const char* name, DWORD timeoutMs) {
  auto running = [name] {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL ok = Process32First(snapshot, &entry); ok && !found;
         ok = Process32Next(snapshot, &entry)) {
      found = lstrcmpiA(entry.szExeFile, name) == 0;
    }
    CloseHandle(snapshot);
    return found;
  };
  WaitFor(timeoutMs, running);
  return WaitFor(timeoutMs, [&] { return !running(); });
}

inline bool CopyInto(const std::string& from, const std::string& folder, const std::string& name) {
  return CopyFileA(from.c_str(), (folder + "\\" + name).c_str(), FALSE) != 0;
}

inline long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<long>(data.nFileSizeLow);
}

}  // namespace drive
