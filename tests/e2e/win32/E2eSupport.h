// What the e2e driver's modes share: the prepared folders, the monitor started in them, waits
// on what it shows, the dialogs worked as a user works them, wsdemo traced through Launch Pgm,
// and the screenshots the test script takes on request.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Check.h"
#include "QuarnetDriver.h"
#include "config/Options.h"
#include "store/SpyMsg.h"

namespace e2e {

constexpr DWORD kLong = 60000;

struct Folders {
  std::string work;
  std::string monitor;
  std::string programs;
};

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool WriteText(const std::string& path, const std::string& text);
// The records of a trace file, none when it cannot be read.
std::vector<SpyMsgPtr> ReadRecords(const std::string& path);

// A fresh monitor folder with the three files and the prepared settings.
bool PrepareMonitor(const std::string& work, const std::string& bin, Folders& folders,
                    config::Options options = {}, int32_t traceSize = 2000);
// Fresh folders for the monitor and wsdemo, and the monitor started; false when it did not start.
bool StartWithWsdemo(const std::string& work, const std::string& bin, const std::string& wsdemo,
                     Folders& folders, drive::Program& monitor);

// File, Save As through the file dialog to `path`; true once the file holds more than its
// header.
bool SaveTraceAs(const drive::Program& monitor, const std::string& path);
// True once the pane shows `text` (the idle pass after a command sets it).
bool Shows(const drive::Program& monitor, int pane, const std::string& text);
void CheckIdlePanes(const drive::Program& monitor, const char* trap, const char* trigger);
LRESULT ToolbarState(const drive::Program& monitor, UINT id);

// Asks the test script for a screenshot named `name` of `window` (the whole desktop when null)
// and waits until it was taken.
void OfferScreenshot(const Folders& folders, const std::string& name, HWND window = nullptr);
// Once the monitor shows a message box: a screenshot of it named `name` (it stays open).
void OfferMessageBoxScreenshot(const drive::Program& monitor, const Folders& folders,
                               const std::string& name);
// The monitor in Verbose, in a window as large as the desktop, its view scrolled by `scroll`:
// a screenshot named `name`, then Brief again.
void OfferVerboseScreenshot(const drive::Program& monitor, const Folders& folders,
                            const std::string& name, const std::function<void(HWND view)>& scroll);

// Sends one complete single-datagram message from `from` (host order) to the monitor.
bool SendRecord(uint32_t from, uint32_t to, uint16_t port, uint16_t msgNum);

// Starts PROGRAM with ARGS in FOLDER and waits for its end (at most kLong); its exit code, 1 when
// it could not start.
DWORD RunToEnd(const std::string& program, const std::string& args, const std::string& folder);

void Close(const drive::DialogWindow& dialog, int button);
// Types `text` into an edit and leaves it, as Tab does.
void Type(const drive::DialogWindow& dialog, int edit, const std::string& text, int next);
// OK refuses the edit's text with `message`: the dialog stays open with the focus back on the
// edit and its text selected.
void CheckRefused(const drive::Program& monitor, const drive::DialogWindow& dialog, int edit,
                  const std::string& message);
// A dialog opens in the middle of the screen, and the window it belongs to waits for it.
void CheckModal(const drive::DialogWindow& dialog, HWND owner);

// Setup, Filters; its Buffer Allocation button.
drive::DialogWindow OpenFilters(const drive::Program& monitor);
drive::DialogWindow OpenBuffers(const drive::Program& monitor, const drive::DialogWindow& filters);

// Begins a trace, launches wsdemo `runs` times through Launch Pgm, ends the trace and, when a
// path is given, saves it there and clears the Trace Buffer. Returns the records it held.
struct Tracer {
  const drive::Program& monitor;
  std::string programs;
  int launches = 0;

  int Run(int runs, const std::string& saveAs = {});
};

// The modes, one file each (TraceMode.cpp and so on); e2e_driver.cpp says what each is given.
// Each returns the driver's exit status.
int RunTrace(const std::string& work, const std::string& bin, const std::string& wsdemo);
int RunBurst(const std::string& work, const std::string& bin, const std::string& burst);
int RunForeign(const std::string& work, const std::string& bin, const std::string& address);
int RunDialogs(const std::string& work, const std::string& bin, const std::string& wsdemo);
int RunTrigger(const std::string& work, const std::string& bin, const std::string& wsdemo);
int RunPreferences(const std::string& work, const std::string& bin, const std::string& wsdemo);
int RunFiles(const std::string& work, const std::string& bin, const std::string& burst);
int RunPrint(const std::string& work, const std::string& bin, const std::string& wsdemo);
int RunWinsock2(const std::string& work, const std::string& bin, const std::string& wsdemo2);
int RunBothWidths(const std::string& work, const std::string& bin, const std::string& other);

}  // namespace e2e
