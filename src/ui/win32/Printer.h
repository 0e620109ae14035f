// The printer a job goes to: the system's print dialogs and the page loop of one job.
#pragma once

#include <windows.h>
// After windows.h, whose lean build leaves the common dialogs out.
#include <commdlg.h>

#include <functional>

namespace ui {

class Printer {
 public:
  Printer() = default;
  ~Printer();
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;

  // The system's Print Setup dialog; the printer and settings chosen there are used by the
  // next jobs.
  void Setup(HWND owner);

  struct Choice {
    HDC dc = nullptr;     // the printer's device context, to delete after the job
    bool failed = false;  // no printer could be had (as against a cancelled dialog)
  };
  // The Print dialog of a job, with no page range to choose.
  Choice ChooseForJob(HWND owner);

 private:
  bool Run(PRINTDLGA& dialog);

  HGLOBAL m_devMode = nullptr;
  HGLOBAL m_devNames = nullptr;
};

// One document on `dc`: `begin` once the job has started, then `page` on each page until it
// answers that no page follows. The wait cursor shows while the pages are sent. A page the
// printer refuses aborts the job. False when the printer refused the job at any point (some
// refuse only when the document is handed over at its end).
bool PrintDocument(HDC dc, const char* name, const std::function<void()>& begin,
                   const std::function<bool()>& page);

}  // namespace ui
