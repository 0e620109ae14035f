// The view's file commands: Open, Save As and Launch Pgm.
#include <optional>

#include "app/win32/QuarnetView.h"
#include "config/Launcher.h"
#include "ui/win32/FileDialog.h"

void CQuarnetView::OnFileOpen() {
  SetCurrentDirectoryA(m_strProgramFolder.c_str());
  const auto path = ui::ChooseFile(Hwnd(), true, "*.spy");
  if (!path) return;
  const store::TraceStore::OpenResult result = Store().OpenTraceFile(ui::PathFromAnsi(*path));
  if (result.loaded) ShowTraceBufferFromStart();
  if (!result.message.empty()) MessageBoxStop(result.message, "Quarnet");
}

void CQuarnetView::OnFileSaveAs() {
  SetCurrentDirectoryA(m_strProgramFolder.c_str());
  const auto path = ui::ChooseFile(Hwnd(), false, "*.spy");
  if (!path) return;
  const std::string message = Store().SaveTraceFile(ui::PathFromAnsi(*path));
  if (!message.empty()) MessageBoxStop(message, "Quarnet");
}

void CQuarnetView::OnLaunchPgm() {
  const auto chosen = ui::ChooseFile(Hwnd(), true, "*.exe");
  if (!chosen) return;
  SetCapture(Hwnd());
  // Ends before the program starts: the wait covers only the plan and the copy.
  std::optional<ui::ScopedWaitCursor> wait(std::in_place, *ui::App::Current());
  const config::launcher::LaunchPlan plan = config::launcher::PlanLaunch(*chosen);
  bool go = plan.step != config::launcher::LaunchPlan::Step::kRefuse;
  if (plan.step == config::launcher::LaunchPlan::Step::kRefuse) {
    MessageBoxStop(plan.message.text, plan.message.caption);
  } else if (plan.step == config::launcher::LaunchPlan::Step::kConfirmOverwrite) {
    go = MessageBoxA(Hwnd(), plan.message.text.c_str(), plan.message.caption.c_str(), MB_YESNO) ==
         IDYES;
    wait->Restore();
  }
  bool copied = false;
  if (go) {
    const config::launcher::CopyResult copy =
        config::launcher::CopyWithModuleRedirect(*chosen, plan.copyPath);
    copied = copy.ok;
    if (!copy.ok) MessageBoxStop(copy.error.text, copy.error.caption);
  }
  wait.reset();
  ReleaseCapture();
  if (!copied) return;
  // The copy loads Klvnt32.dll from the current directory, which it inherits: the monitor's
  // folder, wherever the chosen program lies.
  SetCurrentDirectoryA(m_strProgramFolder.c_str());
  const std::string command = "\"" + plan.copyPath + "\"";
  if (const auto failure =
          config::launcher::StartFailure(*chosen, WinExec(command.c_str(), SW_RESTORE))) {
    DeleteFileA(plan.copyPath.c_str());
    MessageBoxStop(failure->text, failure->caption);
  }
}
