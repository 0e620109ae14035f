// The printer a job goes to: the system's print dialogs and the page loop of one job.
#pragma once

#include <windows.h>
// After windows.h, whose lean build leaves the common dialogs out.
#include <commdlg.h>

#include <functional>

#include "ui/win32/Scoped.h"

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

// The fonts of a job on a printer's device context: the printer's default font, selected when
// the context is made, and fixed-pitch fonts by whole point size. A fixed-pitch font chosen with
// UseFixed stays selected until the object goes, which puts the default font back.
class PrinterFonts {
 public:
  explicit PrinterFonts(HDC dc);
  ~PrinterFonts();
  PrinterFonts(const PrinterFonts&) = delete;
  PrinterFonts& operator=(const PrinterFonts&) = delete;

  // The size of the printer's default font, in whole points.
  int DefaultPoints() const { return m_defaultPoints; }
  // The width of one character of the fixed-pitch font at `points`, in device pixels; 0 when the
  // printer has no such font.
  int FixedCharWidth(int points) const;
  // Selects the fixed-pitch font at `points`; false leaves the default font selected.
  bool UseFixed(int points);

 private:
  HFONT MakeFixed(int points) const;

  HDC m_dc;
  int m_defaultPoints = 0;
  ScopedFont m_fixed;
  HGDIOBJ m_default = nullptr;  // selected before the fixed-pitch font
};

enum class PrintOutcome { kPrinted, kCancelled, kFailed };

// One document on `dc`: `begin` once the job has started, then `page` on each page until it
// answers that no page follows. While the pages go out, `owner` (the main window) is disabled and
// the "Printing" box shows the page number; its Cancel aborts the job, so that nothing more
// reaches the printer. A page the printer refuses aborts the job too. kFailed when the printer
// refused the job at any point (some refuse only when the document is handed over at its end).
PrintOutcome PrintDocument(HWND owner, HDC dc, const char* name, const std::function<void()>& begin,
                           const std::function<bool()>& page);
}  // namespace ui
