// A window object bound to its HWND: one trampoline window procedure finds the object and hands
// the message to the class's static message table.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "ui/win32/CommandTarget.h"

namespace ui {

template <class T>
struct MessageEntry {
  UINT message;
  LRESULT (T::*handler)(WPARAM, LPARAM);
};

// Looks `message` up in one class's table; true when the class handles it.
template <class T>
bool DispatchMessageTable(T* self, std::span<const MessageEntry<T>> table, UINT message,
                          WPARAM wParam, LPARAM lParam, LRESULT& result) {
  for (const auto& entry : table) {
    if (entry.message == message) {
      result = (self->*entry.handler)(wParam, lParam);
      return true;
    }
  }
  return false;
}

class Window : public CommandTarget {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  ~Window() override;

  HWND Hwnd() const { return m_hwnd; }

  // Registers a window class served by the trampoline; false on failure.
  static bool RegisterWindowClass(const char* name, UINT style, HBRUSH background, HICON icon,
                                  HCURSOR cursor);
  // `width` and `height` may be CW_USEDEFAULT, as in CreateWindowEx.
  bool Create(const char* className, const char* title, DWORD style, DWORD exStyle, int x, int y,
              int width, int height, HWND parent, HMENU menuOrId);
  void Invalidate(bool erase = true) const;
  void SetText(const std::string& text) const;
  std::string GetText() const;

 protected:
  // The class's own handling; return false to let the base class or DefWindowProc handle it.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) const;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND m_hwnd = nullptr;
};

// A string from the program's string table; empty when there is none.
std::string LoadResString(UINT id);

// Called inside a catch block of a window or dialog procedure (or the message loop): no
// exception may leave them. The message is dropped, the user is told once per run (a fault
// while painting would otherwise show a box at every paint), and the program goes on.
void ReportHandlerFailure(HWND window);

}  // namespace ui
