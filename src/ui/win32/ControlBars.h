// The toolbar and the status bar, made from the common controls.
#pragma once

#include <windows.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "ui/win32/CommandTarget.h"

namespace ui {

class ToolBar {
 public:
  // `slots` lists the buttons in order, 0 for a separator; the images of bitmap `bitmapId`
  // (16 by 15 each) go to the buttons in order.
  bool Create(HWND parent, UINT id, UINT bitmapId, std::span<const UINT> slots);
  HWND Hwnd() const { return m_hwnd; }
  bool IsVisible() const { return m_hwnd != nullptr && IsWindowVisible(m_hwnd); }
  // Lets `route` set each button's enabled and checked state.
  void UpdateButtons(const std::function<bool(UINT, CommandUI*)>& route) const;

 private:
  HWND m_hwnd = nullptr;
  std::vector<UINT> m_commands;
};

class StatusBar {
 public:
  // `indicators` lists the panes; pane 0 stretches, every other pane is as wide as the string
  // table text under its id.
  bool Create(HWND parent, UINT id, std::span<const UINT> indicators);
  HWND Hwnd() const { return m_hwnd; }
  bool IsVisible() const { return m_hwnd != nullptr && IsWindowVisible(m_hwnd); }
  // Sets a pane's text and repaints it at once when it changed.
  void SetPaneText(int pane, const std::string& text);
  void Resize();

 private:
  HWND m_hwnd = nullptr;
  std::vector<int> m_widths;  // panes 1.. in pixels
  std::vector<std::string> m_texts;
};

}  // namespace ui
