// The "Printing" box of a print job: modeless, in front of its owner, which is disabled while
// the box lives. It shows the document's name and the number of the page going out; its Cancel
// button (or Escape) asks the job to stop.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

class PrintingBox {
 public:
  PrintingBox(HWND owner, const std::string& document);
  ~PrintingBox();
  PrintingBox(const PrintingBox&) = delete;
  PrintingBox& operator=(const PrintingBox&) = delete;

  void ShowPage(int page) const;
  // Hands what waits in the queue to its windows, the box first, until the queue is empty or
  // Cancel is pressed. True while the job may go on.
  bool Pump();
  bool Cancelled() const { return m_cancelled; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_owner;
  bool m_ownerDisabled = false;  // by us, so we enable it again
  HWND m_hwnd = nullptr;
  bool m_cancelled = false;
};

}  // namespace ui
