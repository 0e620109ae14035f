// The view's file commands: Open, Save As and Launch Pgm.
#include <optional>

#include "app/ShellText.h"
#include "app/win32/QuarnetView.h"
#include "config/Launcher.h"
#include "config/win32/ChildPath.h"
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
  // Without the agent's contact (another monitor holds it) nothing would be traced here.
  if (!m_session.EnsureContact() && MessageBoxA(Hwnd(), std::string(app::kNoContactLaunch).c_str(),
                                                "Quarnet", MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
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
  std::optional<config::launcher::CopyResult> copy;
  if (go) {
    copy = config::launcher::CopyWithModuleRedirect(*chosen, plan.copyPath);
    if (!copy->ok) MessageBoxStop(copy->error.text, copy->error.caption);
  }
  wait.reset();
  ReleaseCapture();
  if (!copy || !copy->ok) return;
  // A copy that loads no agent would run untraced: the user decides whether it runs at all.
  if (const auto warning = config::launcher::UntracedWarning(*chosen, copy->rewrites)) {
    const config::launcher::Message question = config::launcher::LaunchAnyway(*warning);
    if (MessageBoxA(Hwnd(), question.text.c_str(), question.caption.c_str(),
                    MB_YESNO | MB_ICONQUESTION) != IDYES) {
      DeleteFileA(plan.copyPath.c_str());
      return;
    }
  }
  // The copy runs in the current directory the file dialog left, normally its own folder, as
  // it would untraced; it finds Klvnt32.dll on its PATH, where the monitor's folder comes first.
  const std::string command = "\"" + plan.copyPath + "\"";
  UINT started = 0;
  {
    const config::ScopedChildPath path(m_strProgramFolder);
    started = WinExec(command.c_str(), SW_RESTORE);
  }
  if (const auto failure = config::launcher::StartFailure(*chosen, started)) {
    DeleteFileA(plan.copyPath.c_str());
    MessageBoxStop(failure->text, failure->caption);
  }
}
