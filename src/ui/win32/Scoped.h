// Owners for Win32 handles that give them back when they go out of scope, so that an early
// return or a later edit cannot leak a font, a device context or a library.
#pragma once

#include <windows.h>

#include <utility>

#include "ui/win32/App.h"

namespace ui {

// Owns `handle` and hands it to Free when replaced or destroyed; null owns nothing.
template <typename Handle, auto Free>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : m_handle(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(ScopedHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.m_handle, nullptr));
    return *this;
  }

  void Reset(Handle handle = nullptr) {
    if (m_handle != nullptr) Free(m_handle);
    m_handle = handle;
  }
  Handle Get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }

 private:
  Handle m_handle = nullptr;
};

using ScopedModule = ScopedHandle<HMODULE, &FreeLibrary>;
template <typename GdiObject>
using ScopedGdiObject = ScopedHandle<GdiObject, &DeleteObject>;
using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;
// A memory DC from CreateCompatibleDC.
using ScopedCompatibleDC = ScopedHandle<HDC, &DeleteDC>;

// A window's DC from GetDC, released to the same window.
class ScopedWindowDC {
 public:
  explicit ScopedWindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
  ~ScopedWindowDC() {
    if (m_dc != nullptr) ReleaseDC(m_hwnd, m_dc);
  }
  ScopedWindowDC(const ScopedWindowDC&) = delete;
  ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;

  HDC Get() const { return m_dc; }
  explicit operator bool() const { return m_dc != nullptr; }

 private:
  HWND m_hwnd;
  HDC m_dc;
};

// Selects `object` into `dc` and puts back what was selected before.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)) {}
  ~ScopedSelect() {
    if (m_old != nullptr) SelectObject(m_dc, m_old);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

// The application's wait cursor for as long as it lives; nests.
class ScopedWaitCursor {
 public:
  explicit ScopedWaitCursor(App& app) : m_app(app) { m_app.DoWaitCursor(1); }
  ~ScopedWaitCursor() { m_app.DoWaitCursor(-1); }
  ScopedWaitCursor(const ScopedWaitCursor&) = delete;
  ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;

  // Shows it again after something (a message box) put up its own cursor.
  void Restore() { m_app.DoWaitCursor(0); }

 private:
  App& m_app;
};

}  // namespace ui
