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

  // Launch Pgm's answers: message boxes, and the start by WinExec. The wait cursor covers only
  // the header, the plan and the copy.
  class Dialogs : public config::launcher::LaunchShell {
   public:
    Dialogs(CQuarnetView& view, const std::string& chosen) : m_view(view), m_chosen(chosen) {}
    ~Dialogs() override { Busy(false); }
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;

    // Without the agents' contact (another monitor holds it) nothing would be traced here.
    bool Contact() override {
      if (!m_view.m_session.EnsureContact() &&
          MessageBoxA(m_view.Hwnd(), std::string(app::kNoContactLaunch).c_str(), "Quarnet",
                      MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return false;
      }
      Busy(true);
      return true;
    }
    void Refuse(const config::launcher::Message& message) override {
      m_view.MessageBoxStop(message.text, message.caption);
    }
    bool ReplaceCopy(const config::launcher::Message& question) override {
      const bool yes = MessageBoxA(m_view.Hwnd(), question.text.c_str(), question.caption.c_str(),
                                   MB_YESNO) == IDYES;
      m_wait->Restore();
      return yes;
    }
    // A copy that loads no agent would run untraced: the user decides whether it runs at all.
    bool StartUntraced(const std::string& warning) override {
      Busy(false);
      const config::launcher::Message question = config::launcher::LaunchAnyway(warning);
      return MessageBoxA(m_view.Hwnd(), question.text.c_str(), question.caption.c_str(),
                         MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
    // The copy runs in the current directory the file dialog left, normally its own folder, as
    // it would untraced; it finds its agent on its PATH, where the monitor's folder comes first.
    std::optional<config::launcher::Message> Start(const std::string& copyPath) override {
      Busy(false);
      const config::ScopedChildPath path(m_view.m_strProgramFolder);
      const UINT started = WinExec(("\"" + copyPath + "\"").c_str(), SW_RESTORE);
      return config::launcher::StartFailure(m_chosen, started);
    }

   private:
    void Busy(bool busy) {
      if (busy == m_wait.has_value()) return;
      if (busy) {
        SetCapture(m_view.Hwnd());
        m_wait.emplace(*ui::App::Current());
      } else {
        m_wait.reset();
        ReleaseCapture();
      }
    }

    CQuarnetView& m_view;
    const std::string& m_chosen;
    std::optional<ui::ScopedWaitCursor> m_wait;
  };
  Dialogs dialogs(*this, *chosen);
  config::launcher::Launch(*chosen, dialogs);
}
