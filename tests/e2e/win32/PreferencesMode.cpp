// The preferences mode: Colors and Font, the view in the chosen colour and font, both kept after
// a restart.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "E2eSupport.h"
#include "app/ResourceIds.h"
#include "config/SettingsFile.h"
#include "display/DisplayColorsIds.h"
#include "display/TraceView.h"

namespace e2e {

namespace {

// Pixels of the window's client area in exactly `colour`, read off the screen (another process's
// window keeps its pixels to itself).
int CountPixels(HWND window, COLORREF colour) {
  RECT rc{};
  GetClientRect(window, &rc);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = rc.right;
  info.bmiHeader.biHeight = -rc.bottom;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, rc.right, rc.bottom, screen, origin.x, origin.y, SRCCOPY);
  int count = 0;
  const auto* pixel = static_cast<const uint32_t*>(bits);
  const uint32_t wanted = GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
  for (long i = 0; bits != nullptr && i < static_cast<long>(rc.right) * rc.bottom; ++i) {
    count += (pixel[i] & 0xFFFFFF) == wanted;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return count;
}

// Picks the entry `text` of a chooser's list, as a click on it does.
void Pick(const drive::DialogWindow& dialog, int id, const char* text) {
  HWND combo = dialog.Item(id);
  const LRESULT entry = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text));
  CHECK(entry != CB_ERR);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
  SendMessageA(dialog.hwnd, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

// The system colour chooser opened by a role's button: red, green and blue typed, then OK.
void ChooseColour(const drive::Program& monitor, const drive::DialogWindow& colors, int button,
                  COLORREF colour) {
  colors.Press(button);
  const drive::DialogWindow chooser = monitor.WaitDialog("Color");
  CHECK(chooser.hwnd != nullptr);
  constexpr int kRed = 706, kGreen = 707, kBlue = 708;  // the chooser's edits
  chooser.SetText(kRed, std::to_string(GetRValue(colour)));
  chooser.SetText(kGreen, std::to_string(GetGValue(colour)));
  chooser.SetText(kBlue, std::to_string(GetBValue(colour)));
  Close(chooser, IDOK);
}

constexpr COLORREF kSendColour = RGB(0, 0, 255);
constexpr int kFontCombo = 0x470, kSizeCombo = 0x472;  // the font chooser's face and size
constexpr char kFontFace[] = "Liberation Mono";

}  // namespace

int RunPreferences(const std::string& work, const std::string& bin, const std::string& wsdemo) {
  Folders folders;
  drive::Program monitor;
  if (!StartWithWsdemo(work, bin, wsdemo, folders, monitor))
    return check::Finish("e2e preferences");
  Tracer tracer{monitor, folders.programs};
  MoveWindow(monitor.frame, 0, 0, 1024, 740, TRUE);
  HWND view = FindWindowExA(monitor.frame, nullptr, "QuarnetView", nullptr);

  // Cancel in the dialog leaves the view's colours; OK hands them over.
  monitor.PostCommand(ID_PREFERENCES_COLORS);
  drive::DialogWindow colors = monitor.WaitDialog("Select Display Colors");
  CheckModal(colors, monitor.frame);
  ChooseColour(monitor, colors, IDC_COLOR_SEND, RGB(0, 255, 0));
  Close(colors, IDCANCEL);
  monitor.PostCommand(ID_PREFERENCES_COLORS);
  colors = monitor.WaitDialog("Select Display Colors");
  ChooseColour(monitor, colors, IDC_COLOR_SEND, kSendColour);
  Sleep(300);
  CHECK(CountPixels(colors.hwnd, kSendColour) > 0);  // the sample, repainted at once
  OfferScreenshot(folders, "display-colors", colors.hwnd);
  Close(colors, IDOK);

  // Send dumps in the chosen colour, and nothing else in it.
  tracer.Run(1);
  monitor.Command(ID_PREFERENCES_VERBOSE);
  SendMessageA(view, WM_VSCROLL, MAKEWPARAM(display::kThumbPosition, 36), 0);
  PostMessageA(monitor.frame, WM_NULL, 0, 0);
  Sleep(500);
  const int sendPixels = CountPixels(view, kSendColour);
  std::printf("send-coloured pixels %d\n", sendPixels);
  CHECK(sendPixels > 50);
  CHECK(CountPixels(view, RGB(0, 255, 0)) == 0);
  OfferScreenshot(folders, "colors-view");
  monitor.Command(ID_PREFERENCES_VERBOSE);
  monitor.Command(ID_EDIT_CLEARBUFFER);

  // While a trace longer than a page follows the newest record, a larger font leaves fewer
  // whole records on the page: the first one shown moves on.
  monitor.Command(ID_FILE_BEGINTRACE);
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(folders.programs + "\\wsdemo.exe"));
  CHECK(monitor.AnswerMessageBox(folders.programs + "\\wsdemo.tmp already exists", IDYES));
  CHECK(drive::WaitForProcessRun("wsdemo.tmp", kLong));
  const int records = monitor.WaitForQuiet(2000, kLong);
  PostMessageA(monitor.frame, WM_NULL, 0, 0);
  Sleep(300);
  const int firstBefore = std::atoi(monitor.Pane(3).c_str());
  monitor.PostCommand(ID_PREFERENCES_FONT);
  const drive::DialogWindow font = monitor.WaitDialog("Font");
  CHECK(font.hwnd != nullptr);
  Sleep(300);
  Pick(font, kFontCombo, kFontFace);
  Pick(font, kSizeCombo, "20");
  OfferScreenshot(folders, "font", font.hwnd);
  Close(font, IDOK);
  PostMessageA(monitor.frame, WM_NULL, 0, 0);
  CHECK(drive::WaitFor(5000, [&] { return std::atoi(monitor.Pane(3).c_str()) > firstBefore; }));
  std::printf("records %d, first shown %d, then %s\n", records, firstBefore,
              monitor.Pane(3).c_str());
  OfferScreenshot(folders, "font-view");
  monitor.Command(ID_FILE_ENDTRACE);
  CHECK(monitor.Exit(kLong));

  const config::Options options =
      config::LoadSettingsFile(std::filesystem::path(folders.monitor + "\\quarnt32.cfg"));
  CHECK(options.m_crSend == kSendColour);
  CHECK(options.m_logFont.lfHeight < -13 &&
        options.m_logFont.lfFaceName.data() == std::string(kFontFace));
  drive::Program again;
  CHECK(again.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (again.frame == nullptr) return check::Finish("e2e preferences");
  again.PostCommand(ID_PREFERENCES_FONT);
  const drive::DialogWindow reopened = again.WaitDialog("Font");
  Sleep(300);
  CHECK(reopened.Text(kSizeCombo) == "20");
  CHECK(reopened.Text(kFontCombo) == kFontFace);
  Close(reopened, IDCANCEL);
  CHECK(again.Exit(kLong));
  return check::Finish("e2e preferences");
}

}  // namespace e2e
