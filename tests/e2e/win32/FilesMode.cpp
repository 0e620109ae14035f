// The files mode: folders and files as a careful user meets them, in names that only the ANSI
// code page spells right, huge and short trace files, and a program that is none.
#include <windows.h>
// After windows.h, which they build on:
#include <psapi.h>
#include <winioctl.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "app/ResourceIds.h"
#include "config/Launcher.h"
#include "display/TraceView.h"
#include "format/WideText.h"
#include "protocol/Calls.h"
#include "store/TraceFile.h"

namespace e2e {

namespace {

// A file of `size` bytes that holds `head` and then nothing (sparse where the system can).
bool WriteSparse(const std::string& path, const std::vector<uint8_t>& head, uint64_t size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  DWORD ignored = 0;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size);
  const bool ok =
      ::WriteFile(file, head.data(), static_cast<DWORD>(head.size()), &written, nullptr) &&
      SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  return ok;
}

// Opens `path` by File, Open; `message` is the box it must show, none when empty.
void Open(const drive::Program& monitor, const std::string& path, const std::string& message) {
  monitor.PostCommand(ID_FILE_OPEN);
  CHECK(monitor.ChooseInFileDialog(path));
  if (!message.empty()) {
    CHECK(monitor.AnswerMessageBox(message, IDOK));
  } else {
    Sleep(500);
    const HWND box = monitor.FindDialog(nullptr);
    if (box != nullptr) {
      char said[512] = {};
      GetDlgItemTextA(box, 0xFFFF, said, sizeof said);
      std::printf("opening %s said \"%s\"\n", path.c_str(), said);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    CHECK(box == nullptr);
  }
}

}  // namespace

int RunFiles(const std::string& work, const std::string& bin, const std::string& burst) {
  // Names that only the ANSI code page spells right: in 1252 the euro sign, curly quotes and
  // e acute; in 1251 a Cyrillic folder name, curly quotes and the euro sign (0x88 there).
  std::printf("ANSI code page %u\n", GetACP());
  const bool cyrillic = GetACP() == 1251;
  const std::string odd =
      work + (cyrillic ? "\\\xCF\xE0\xEF\xEA\xE0 \x93q\x94" : "\\A\x80 \x93q\x94 \xE9");
  const std::string euroSign = cyrillic ? "\x88" : "\x80";
  // The wide texts of traced calls show in the same code page, '?' for what it cannot hold:
  // Zhe, the euro sign and e acute.
  CHECK(format::AnsiFromUtf8("\xD0\x96\xE2\x82\xAC\xC3\xA9") ==
        (cyrillic ? "\xC6\x88?" : "?\x80\xE9"));
  CreateDirectoryA(odd.c_str(), nullptr);
  Folders folders;
  config::Options options;
  options.m_bShowTime = 0;  // seen on the toolbar only when the settings file was read
  options.m_bViewTrap = 1;  // closed while showing the Trap Buffer
  CHECK(PrepareMonitor(odd, bin, folders, options));
  // The test script takes screenshots that are asked for in its own folder.
  const Folders shots{work, folders.monitor, folders.programs};
  std::vector<SpyMsgPtr> two;
  for (int id : {7, 8}) {
    two.push_back(std::make_unique<CSpyMsg>());
    two.back()->m_nApiId = id;
  }
  const std::string euro = odd + "\\euro" + euroSign + ".spy";
  CHECK(WriteFile(euro, store::WriteTraceFile(two)));
  std::vector<uint8_t> early = store::WriteTraceFile(two);
  early[11] = early[12] = 0xFF;  // a count of 65535 that ends after 2 records
  CHECK(WriteFile(odd + "\\early.spy", early));
  CHECK(WriteSparse(work + "\\1GiB.spy", {'M', 'Z'}, 1ull << 30));
  CHECK(WriteSparse(work + "\\3GiB.spy", {'M', 'Z'}, 3ull << 30));
  CHECK(WriteFile(odd + "\\notes.exe", {'n', 'o', 't', 'e', 's'}));
  CHECK(drive::CopyInto(burst, odd, "burst.exe"));
  CHECK(drive::CopyInto(bin + "\\nowinsock.exe", odd, "nowinsock.exe"));

  drive::Program monitor;
  CHECK(monitor.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (monitor.frame == nullptr) return check::Finish("e2e files");

  // The settings were read from the odd folder. The program starts on the Trace Buffer, under
  // its title, and shows the records of a program launched from the odd folder as they come.
  HWND toolbar = FindWindowExA(monitor.frame, nullptr, TOOLBARCLASSNAMEA, nullptr);
  CHECK(!(SendMessageA(toolbar, TB_GETSTATE, ID_PREFERENCES_SHOWTIME, 0) & TBSTATE_CHECKED));
  CHECK(monitor.Title() == display::kTraceTitle);
  monitor.Command(ID_FILE_BEGINTRACE);
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(odd + "\\burst.exe"));
  CHECK(drive::WaitFor(kLong, [&] { return monitor.RecordCount() > 100; }));
  monitor.WaitForQuiet(1500, kLong);

  // A program launched from a folder without the agent runs there, as it would untraced, and is
  // traced: wscwd writes the folder it runs in to wscwd.txt, a relative path.
  const size_t burstRecords = static_cast<size_t>(monitor.RecordCount());
  const std::string written = odd + "\\wscwd.txt";
  CHECK(drive::CopyInto(bin + "\\wscwd.exe", odd, "wscwd.exe"));
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(odd + "\\wscwd.exe"));
  CHECK(drive::WaitFor(kLong, [&] { return drive::FileSize(written) > 0; }));
  std::ifstream file(written);
  std::string folder;
  std::getline(file, folder);
  CHECK(folder == odd);
  monitor.WaitForQuiet(1500, kLong);
  monitor.Command(ID_FILE_ENDTRACE);
  const std::string launched = work + "\\launched.spy";
  CHECK(SaveTraceAs(monitor, launched));
  const std::vector<SpyMsgPtr> records = ReadRecords(launched);
  CHECK(records.size() > burstRecords &&
        records[burstRecords]->m_nApiId == static_cast<int32_t>(protocol::calls::Id::WSAStartup));

  // Open in the odd folder; huge files that are no trace are refused at their header, with
  // the records kept and little memory used; a file that ends early keeps what it holds.
  Open(monitor, euro, "");
  CHECK(drive::WaitFor(5000, [&] { return monitor.RecordCount() == 2; }));
  Open(monitor, work + "\\1GiB.spy", "File Read Error");
  Open(monitor, work + "\\3GiB.spy", "File Read Error");
  CHECK(monitor.RecordCount() == 2);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  CHECK(GetProcessMemoryInfo(monitor.pi.hProcess, &memory, sizeof memory));
  std::printf("peak working set %lu KiB\n",
              static_cast<unsigned long>(memory.PeakWorkingSetSize >> 10));
  CHECK(memory.PeakWorkingSetSize < (64u << 20));
  DeleteFileA((work + "\\1GiB.spy").c_str());
  DeleteFileA((work + "\\3GiB.spy").c_str());
  Open(monitor, odd + "\\early.spy",
       "File Read Error: the trace file ends early; 2 of 65535 records read.");
  CHECK(monitor.RecordCount() == 2);

  // Save As under a name with the euro sign writes that very file.
  const std::string price = odd + "\\price" + euroSign + ".spy";
  CHECK(SaveTraceAs(monitor, price));

  // A program that names no Winsock library would run untraced: the monitor asks first, and No
  // leaves no copy behind.
  const auto untraced = [](const std::string& program) {
    return config::launcher::LaunchAnyway(*config::launcher::UntracedWarning(program, {})).text;
  };
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(odd + "\\nowinsock.exe"));
  OfferMessageBoxScreenshot(monitor, shots, "launch-untraced");
  CHECK(monitor.AnswerMessageBox(untraced(odd + "\\nowinsock.exe"), IDNO));
  CHECK(GetFileAttributesA((odd + "\\nowinsock.tmp").c_str()) == INVALID_FILE_ATTRIBUTES);

  // A text file named .exe is no program: its header refuses it before anything is copied.
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(odd + "\\notes.exe"));
  OfferMessageBoxScreenshot(monitor, shots, "launch-not-a-program");
  CHECK(monitor.AnswerMessageBox(odd + "\\notes.exe is not a Windows program.", IDOK));
  CHECK(GetFileAttributesA((odd + "\\notes.tmp").c_str()) == INVALID_FILE_ATTRIBUTES);

  CHECK(monitor.Exit(kLong));
  CHECK(drive::FileSize(folders.monitor + "\\quarnt32.cfg") == 319);
  return check::Finish("e2e files");
}

}  // namespace e2e
