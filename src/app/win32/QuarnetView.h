// The trace view: owns the capture socket and the report channel, the options, the trace session
// and the display position; turns window messages and commands into calls on the core.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "app/TraceSession.h"
#include "capture/win32/CaptureSocket.h"
#include "capture/win32/ChannelMapping.h"
#include "config/Options.h"
#include "dialogs/RangeModel.h"
#include "display/MenuState.h"
#include "display/PrintJob.h"
#include "display/TraceView.h"
#include "ui/win32/Scoped.h"
#include "ui/win32/Window.h"

class CQuarnetView : public ui::Window {
 public:
  static constexpr UINT kReceiveMessage = WM_USER + 1;
  // The report channel's writers wake the view with this message.
  static constexpr UINT kChannelMessage = WM_USER + 3;

  CQuarnetView();
  ~CQuarnetView() override;

  bool Create(HWND frame);
  bool OnCmdMsg(UINT id, ui::CommandUI* state) override;

  // What the status panes and other windows read.
  std::string TrapStatusText() const { return Store().TrapStatusText(); }
  uint64_t LostCount() const { return m_session.LostCount(); }
  bool IsTriggerEnabled() const { return Store().m_bTriggerEnabled != 0; }
  int GetDisplayCount() const;
  int GetFirstVisible() const { return m_display.GetFirstVisible(); }
  bool IsTracing() const { return Store().m_bTracing != 0; }
  // Help context of the record at client height `y`, the overview's where there is none.
  uint32_t HelpContextAt(int y) const;

  // The agent revision the contact returned; 0 while the monitor lacks the contact.
  int AgentRevision() const { return m_session.AgentRevision(); }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  LRESULT OnCreate(WPARAM, LPARAM);
  LRESULT OnDestroy(WPARAM, LPARAM);
  LRESULT OnSize(WPARAM, LPARAM);
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM);
  LRESULT OnHScroll(WPARAM, LPARAM);
  LRESULT OnVScroll(WPARAM, LPARAM);
  LRESULT OnReceive(WPARAM, LPARAM);
  LRESULT OnChannel(WPARAM, LPARAM);
  LRESULT OnLButtonDblClk(WPARAM, LPARAM);

  // Window life, painting and scrolling (QuarnetView.cpp).
  void ApplyVScrollBar(const display::ScrollBarState& bar);
  int MessageBoxStop(const std::string& text, const std::string& caption, UINT extra = 0);

  // Capture (ViewCapture.cpp).
  void OnBeginTrace();
  void OnEndTrace();
  void OnClearBuffer();
  void OnSetupFilters();
  void OnTriggerEnable();
  void OnTriggerSpecify();

  // Display modes, the buffer shown, colours and font (ViewDisplayModes.cpp). The menu states
  // and the mode switches are tables (app/ViewCommands.h): true when `id` is one of theirs.
  bool OnTableCommand(UINT id, ui::CommandUI* state);
  display::ViewFacts Facts() const;
  void OnTrapBuffer();
  void OnColors();
  void OnFont();
  void SetFrameTitle() const;
  void ShowTraceBufferFromStart();
  bool CreateDisplayFont(const display::LogFont& font);
  void MeasureFont();

  // Files and launch (ViewFiles.cpp).
  void OnFileOpen();
  void OnFileSaveAs();
  void OnLaunchPgm();

  // Clipboard and printer (ViewClipboardPrint.cpp).
  void OnEditCopy();
  void OnFilePrint();

  // The displayed buffer's range as the range dialog asks for it.
  class RangeView : public dialogs::IRangeView {
   public:
    explicit RangeView(const CQuarnetView& view) : m_view(view) {}
    int32_t GetDisplayCount() const override { return m_view.GetDisplayCount(); }
    int32_t GetFirstVisible() const override { return m_view.GetFirstVisible(); }
    int32_t GetLastVisible() const override {
      return m_view.m_display.GetLastVisible(m_view.Displayed());
    }

   private:
    const CQuarnetView& m_view;
  };

  struct RecordRange {
    int32_t from = 0;
    int32_t to = 0;
  };
  // The range dialog with `caption`; the records chosen, or nothing on Cancel.
  std::optional<RecordRange> ChooseRange(const char* caption) const;
  store::TraceStore& Store() { return m_session.Store(); }
  const store::TraceStore& Store() const { return m_session.Store(); }
  display::RecordList Displayed() const { return Store().DisplayedBuffer(); }

  std::string m_strProgramFolder;
  std::string m_strSettingsPath;
  config::Options m_options;
  capture::SystemClock m_clock;
  display::TraceView m_display{m_options};
  capture::CaptureSocket m_socket;
  bool m_bSocketOpen = false;
  capture::ChannelMapping m_channel;
  app::TraceSession m_session;
  ui::ScopedFont m_font;
  display::PrintJob m_printJob;
  bool m_bPrinting = false;  // a job's pages are going out

  static const ui::MessageEntry<CQuarnetView> kMessages[];
  static const ui::CommandEntry<CQuarnetView> kCommands[];
};
