#include "ui/win32/Window.h"

#include <exception>
#include <vector>

namespace ui {

Window::~Window() {
  if (m_hwnd != nullptr) {
    SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, 0);
    DestroyWindow(m_hwnd);
  }
}

bool Window::RegisterWindowClass(const char* name, UINT style, HBRUSH background, HICON icon,
                                 HCURSOR cursor) {
  WNDCLASSA wc{};
  wc.style = style;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = icon;
  wc.hCursor = cursor != nullptr ? cursor : LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool Window::Create(const char* className, const char* title, DWORD style, DWORD exStyle, int x,
                    int y, int width, int height, HWND parent, HMENU menuOrId) {
  return CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menuOrId,
                         GetModuleHandleA(nullptr), this) != nullptr;
}

void Window::Invalidate(bool erase) const {
  InvalidateRect(m_hwnd, nullptr, erase);
}

void Window::SetText(const std::string& text) const {
  SetWindowTextA(m_hwnd, text.c_str());
}

std::string Window::GetText() const {
  std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(m_hwnd)) + 1);
  const int n = GetWindowTextA(m_hwnd, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), static_cast<size_t>(n > 0 ? n : 0));
}

bool Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  (void)message;
  (void)wParam;
  (void)lParam;
  (void)result;
  return false;
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam) const {
  return DefWindowProcA(m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->m_hwnd = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  LRESULT result = 0;
  bool handled = false;
  try {
    handled = self->OnMessage(message, wParam, lParam, result);
  } catch (...) {
    ReportHandlerFailure(hwnd);
    handled = true;
    result = 0;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->m_hwnd = nullptr;
  }
  return handled ? result : DefWindowProcA(hwnd, message, wParam, lParam);
}

void ReportHandlerFailure(HWND window) {
  static bool told = false;
  if (told) return;
  told = true;
  std::string what = "an unknown error";
  try {
    throw;
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
  }
  const std::string text = "A command failed and was stopped (" + what +
                           "). The program goes on; save your trace and restart it to be safe.";
  MessageBoxA(IsWindow(window) ? GetAncestor(window, GA_ROOT) : nullptr, text.c_str(),
              "Internal Error", MB_OK | MB_ICONSTOP);
}

std::string LoadResString(UINT id) {
  char text[512];
  const int n = LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
  return std::string(text, static_cast<size_t>(n > 0 ? n : 0));
}

}  // namespace ui
