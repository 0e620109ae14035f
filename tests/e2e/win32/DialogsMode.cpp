// The dialogs mode: Setup, Filters and Buffer Allocation worked as a user works them, each choice
// applied to a trace of wsdemo saved under WORK\saved for the script to check, and the choices
// kept in the settings file for the next start.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "E2eSupport.h"
#include "app/ResourceIds.h"
#include "config/SettingsFile.h"
#include "dialogs/BufferAllocIds.h"
#include "dialogs/CaptureFiltersIds.h"
#include "dialogs/CaptureFiltersModel.h"
#include "format/EventFormatter.h"
#include "protocol/Calls.h"

namespace e2e {

namespace {

// The list entry of a call, which is its API id.
int Entry(std::string_view name) {
  const auto& names = dialogs::CaptureFiltersModel::kListNames;
  return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
}

// The socket of the first send in a saved trace, as the user reads it off the screen.
std::string SendSocket(const std::string& path) {
  for (const SpyMsgPtr& record : ReadRecords(path)) {
    std::vector<std::string> lines;
    format::FormatEvent(*record, lines, false, false);
    constexpr std::string_view kSend = "send (SOCKET=";
    if (lines.front().starts_with(kSend)) {
      return lines.front().substr(kSend.size(), lines.front().find(',') - kSend.size());
    }
  }
  return {};
}

// Capture Filters as it opens: "Trace Some" whatever was chosen before, the list from the flags.
void CheckFiltersOpen(const drive::DialogWindow& filters, const std::vector<int>& selected,
                      bool restrict, const std::string& socketId) {
  CHECK(filters.Checked(IDC_TRACE_SOME) && !filters.Checked(IDC_TRACE_ALL));
  CHECK(filters.Enabled(IDC_FILTER_LIST));
  CHECK(filters.Selected(IDC_FILTER_LIST) == selected);
  CHECK(filters.Checked(IDC_RESTRICT_SOCKET) == restrict);
  CHECK(filters.Enabled(IDC_SOCKET_ID) == restrict);
  CHECK(filters.Text(IDC_SOCKET_ID) == socketId);
  CHECK(filters.Enabled(IDC_CONFIGURE_BUFFERS));
  CHECK(!filters.Visible(IDC_BUFFERS_IDLE_NOTE));
}

// Which calls, which errors, which socket: each choice of Capture Filters applied to a trace of
// wsdemo, saved for the script to read with qntdump. Returns the socket the trace was restricted
// to, which stays in the settings.
std::string CheckCaptureFilters(const Folders& folders, const drive::Program& monitor,
                                Tracer& tracer) {
  const std::string saved = folders.work + "\\saved\\";
  std::vector<int> all(dialogs::CaptureFiltersModel::kListedApis);
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);

  drive::DialogWindow filters = OpenFilters(monitor);
  CheckFiltersOpen(filters, all, false, "0");
  CheckModal(filters, monitor.frame);
  OfferScreenshot(folders, "capture-filters", filters.hwnd);
  CHECK(filters.Text(IDC_BUFFERS_IDLE_NOTE) == "Buffers may only be changed when idle.");
  filters.Click(IDC_TRACE_NONE);
  CHECK(!filters.Enabled(IDC_FILTER_LIST) && filters.Selected(IDC_FILTER_LIST).empty());
  filters.Click(IDC_TRACE_SOME);
  CHECK(filters.Enabled(IDC_FILTER_LIST));
  filters.Select(IDC_FILTER_LIST, {Entry("connect"), Entry("send")});
  // Alt+R is "Restrict to Specified Socket", which enables the socket id.
  filters.Key('r', true);
  CHECK(drive::WaitFor(5000, [&] { return filters.Enabled(IDC_SOCKET_ID); }));
  filters.Key('r', true);
  CHECK(drive::WaitFor(5000, [&] { return !filters.Enabled(IDC_SOCKET_ID); }));
  filters.Key(VK_RETURN);  // OK
  CHECK(filters.WaitClosed());
  CHECK(IsWindowEnabled(monitor.frame));
  tracer.Run(1, saved + "some.spy");

  // The first send's socket, read off this trace, for the restriction below.
  const std::string socket = SendSocket(saved + "some.spy");
  std::printf("send socket %s\n", socket.c_str());
  CHECK(!socket.empty());

  filters = OpenFilters(monitor);
  CheckFiltersOpen(filters, {Entry("connect"), Entry("send")}, false, "0");
  filters.Click(IDC_TRACE_ALL);
  CHECK(!filters.Enabled(IDC_FILTER_LIST) && filters.Selected(IDC_FILTER_LIST) == all);
  filters.Click(IDC_ERRORS_ONLY);
  filters.Click(IDC_IGNORE_WOULDBLOCK);
  Close(filters, IDOK);
  tracer.Run(1, saved + "errors.spy");

  filters = OpenFilters(monitor);
  CHECK(filters.Checked(IDC_ERRORS_ONLY) && filters.Checked(IDC_IGNORE_WOULDBLOCK));
  filters.Click(IDC_IGNORE_WOULDBLOCK);
  Close(filters, IDOK);
  tracer.Run(1, saved + "peek.spy");

  filters = OpenFilters(monitor);
  filters.Click(IDC_ERRORS_ONLY);
  filters.Click(IDC_RESTRICT_SOCKET);
  CHECK(filters.Enabled(IDC_SOCKET_ID) && filters.Enabled(IDC_SOCKET_ID_LABEL));
  filters.SetText(IDC_SOCKET_ID, "-" + socket);
  CheckRefused(monitor, filters, IDC_SOCKET_ID, "Please enter a positive integer.");
  filters.SetText(IDC_SOCKET_ID, socket);
  Close(filters, IDOK);
  tracer.Run(1, saved + "socket.spy");

  filters = OpenFilters(monitor);
  CheckFiltersOpen(filters, all, true, socket);
  filters.Click(IDC_RESTRICT_SOCKET);
  Close(filters, IDOK);
  return socket;
}

// The buffer sizes and the data byte limit through Buffer Allocation: refused values, Cancel,
// typed and spun sizes, and what the Trace Buffer keeps of two wsdemo runs.
void CheckBufferAllocation(const Folders& folders, const drive::Program& monitor, Tracer& tracer) {
  // Only while idle.
  monitor.Command(ID_FILE_BEGINTRACE);
  drive::DialogWindow filters = OpenFilters(monitor);
  CHECK(!filters.Enabled(IDC_CONFIGURE_BUFFERS) && filters.Visible(IDC_BUFFERS_IDLE_NOTE));
  Close(filters, IDCANCEL);
  monitor.Command(ID_FILE_ENDTRACE);

  filters = OpenFilters(monitor);
  drive::DialogWindow buffers = OpenBuffers(monitor, filters);
  CheckModal(buffers, filters.hwnd);
  OfferScreenshot(folders, "buffer-allocation", buffers.hwnd);
  CHECK(buffers.Text(IDC_TRACE_SIZE) == "2000" && buffers.SpinPosition(IDC_TRACE_SPIN) == 2000);
  CHECK(buffers.Text(IDC_TRAP_SIZE) == "10" && buffers.SpinPosition(IDC_TRAP_SPIN) == 10);
  CHECK(buffers.Checked(IDC_SAVE_ENTIRE) && !buffers.Enabled(IDC_SAVE_BYTES));
  const std::string traceRange = "Please enter an integer between 50 and 2000.";
  Type(buffers, IDC_TRACE_SIZE, "49", IDC_TRAP_SIZE);
  CheckRefused(monitor, buffers, IDC_TRACE_SIZE, traceRange);
  Type(buffers, IDC_TRACE_SIZE, "2001", IDC_TRAP_SIZE);
  CHECK(buffers.SpinPosition(IDC_TRACE_SPIN) == 2000);  // leaving the edit moved it to its end
  CheckRefused(monitor, buffers, IDC_TRACE_SIZE, traceRange);
  Type(buffers, IDC_TRACE_SIZE, "60", IDC_TRAP_SIZE);
  Type(buffers, IDC_TRAP_SIZE, "", IDC_TRACE_SIZE);
  CheckRefused(monitor, buffers, IDC_TRAP_SIZE, "Please enter an integer.");
  Type(buffers, IDC_TRAP_SIZE, "10", IDC_TRACE_SIZE);
  buffers.Click(IDC_SAVE_UPTO);
  CHECK(buffers.Enabled(IDC_SAVE_BYTES));
  buffers.SetText(IDC_SAVE_BYTES, "abc");
  CheckRefused(monitor, buffers, IDC_SAVE_BYTES, "Please enter an integer.");
  // Escape is Cancel: what was accepted there and in Capture Filters stays as it was.
  buffers.Key(VK_ESCAPE);
  CHECK(buffers.WaitClosed());
  Close(filters, IDOK);
  filters = OpenFilters(monitor);
  buffers = OpenBuffers(monitor, filters);
  CHECK(buffers.Text(IDC_TRACE_SIZE) == "2000" && buffers.Checked(IDC_SAVE_ENTIRE));

  Type(buffers, IDC_TRACE_SIZE, "60", IDC_TRAP_SIZE);
  CHECK(buffers.SpinPosition(IDC_TRACE_SPIN) == 60);
  buffers.Click(IDC_SAVE_UPTO);
  buffers.SetText(IDC_SAVE_BYTES, "8");
  Close(buffers, IDOK);
  Close(filters, IDOK);
  // Two runs of 66 calls: the receive passes leave the newest 59.
  CHECK(tracer.Run(2) == 59);
  const std::string saved = folders.work + "\\saved\\buffers.spy";
  CHECK(SaveTraceAs(monitor, saved));

  // Down to 51 by the spinner's lower arrow; OK keeps the newest 51 at once.
  filters = OpenFilters(monitor);
  buffers = OpenBuffers(monitor, filters);
  CHECK(buffers.Text(IDC_TRACE_SIZE) == "60" && buffers.Checked(IDC_SAVE_UPTO));
  for (int i = 0; i < 9; ++i) buffers.Spin(IDC_TRACE_SPIN, SB_LINEDOWN);
  CHECK(buffers.Text(IDC_TRACE_SIZE) == "51" && buffers.SpinPosition(IDC_TRACE_SPIN) == 51);
  Close(buffers, IDOK);
  Close(filters, IDOK);
  CHECK(drive::WaitFor(5000, [&] { return monitor.RecordCount() == 51; }));
  CHECK(tracer.Run(1) == 50);
}

}  // namespace

int RunDialogs(const std::string& work, const std::string& bin, const std::string& wsdemo) {
  Folders folders;
  drive::Program monitor;
  if (!StartWithWsdemo(work, bin, wsdemo, folders, monitor)) return check::Finish("e2e dialogs");
  Tracer tracer{monitor, folders.programs};
  const std::string socket = CheckCaptureFilters(folders, monitor, tracer);
  CheckBufferAllocation(folders, monitor, tracer);
  CHECK(monitor.Exit(kLong));

  // The settings file holds what the dialogs chose, and the next start shows it in them.
  const config::Options options =
      config::LoadSettingsFile(std::filesystem::path(folders.monitor + "\\quarnt32.cfg"));
  CHECK(options.m_nTraceSize == 51 && options.m_nTrapSize == 10);
  CHECK(options.m_bSaveEntire == 0 && options.m_nSaveBytes == 8);
  CHECK(options.m_bErrorsOnly == 0 && options.m_bIgnoreWouldBlock == 0);
  CHECK(options.m_bRestrictSocket == 0 && std::to_string(options.m_nSocketId) == socket);
  for (int id = 0; id < protocol::calls::kFlagCount; ++id) {
    CHECK(options.m_apiEnable[static_cast<size_t>(id)] ==
          (id < dialogs::CaptureFiltersModel::kListedApis));
  }
  drive::Program again;
  CHECK(again.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (again.frame == nullptr) return check::Finish("e2e dialogs");
  const drive::DialogWindow filters = OpenFilters(again);
  CHECK(filters.Selected(IDC_FILTER_LIST).size() == dialogs::CaptureFiltersModel::kListedApis);
  CHECK(filters.Text(IDC_SOCKET_ID) == socket);
  const drive::DialogWindow buffers = OpenBuffers(again, filters);
  CHECK(buffers.Text(IDC_TRACE_SIZE) == "51" && buffers.SpinPosition(IDC_TRACE_SPIN) == 51);
  CHECK(buffers.Checked(IDC_SAVE_UPTO) && buffers.Text(IDC_SAVE_BYTES) == "8");
  Close(buffers, IDCANCEL);
  Close(filters, IDCANCEL);
  CHECK(again.Exit(kLong));
  return check::Finish("e2e dialogs");
}

}  // namespace e2e
