// The Winsock 2 mode: wsdemo2 (in the programs folder as wsdemo.exe) traced through Launch Pgm,
// its records shown in the window, the trace saved for the script to check against wsdemo2's own
// log and the expected text.
#include <windows.h>

#include <string>

#include "E2eSupport.h"
#include "app/ResourceIds.h"

namespace e2e {

int RunWinsock2(const std::string& work, const std::string& bin, const std::string& wsdemo2) {
  Folders folders;
  drive::Program monitor;
  if (!StartWithWsdemo(work, bin, wsdemo2, folders, monitor)) return check::Finish("e2e winsock2");
  monitor.Command(ID_FILE_BEGINTRACE);
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(folders.programs + "\\wsdemo.exe"));
  CHECK(drive::WaitForProcessRun("wsdemo.tmp", kLong));
  const int records = monitor.WaitForQuiet(2000, kLong);
  monitor.Command(ID_FILE_ENDTRACE);
  std::printf("records %d\n", records);
  CHECK(records > 50);
  CHECK(monitor.Pane(4).empty());  // no lost count

  // Verbose, at the end of the trace, where the IPv6 calls show their addresses.
  OfferVerboseScreenshot(monitor, folders, "winsock2", [](HWND view) {
    SendMessageA(view, WM_VSCROLL, SB_BOTTOM, 0);
    SendMessageA(view, WM_VSCROLL, SB_PAGEUP, 0);
  });

  const std::string saved = work + "\\saved\\wsdemo2.spy";
  CHECK(SaveTraceAs(monitor, saved));
  CHECK(monitor.Exit(kLong));
  return check::Finish("e2e winsock2");
}

}  // namespace e2e
