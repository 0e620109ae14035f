// The application object: start-up in the order the program depends on, the status panes on
// idle, and the end of the command route.
#pragma once

#include <memory>

#include "ui/win32/App.h"
#include "ui/win32/ControlBars.h"
#include "ui/win32/Printer.h"

class CQuarnetDoc;
class CQuarnetView;
class CMainFrame;

class CQuarnetApp : public ui::App {
 public:
  CQuarnetApp();
  ~CQuarnetApp() override;

  bool InitInstance();
  // Destroys the document and the frame with its view: the settings are written, the socket is
  // closed.
  void ExitInstance();
  bool OnIdle(long count) override;
  bool OnCmdMsg(UINT id, ui::CommandUI* state) override;
  bool PreTranslateMessage(const MSG& msg) override;

  static CQuarnetApp* Get() { return static_cast<CQuarnetApp*>(Current()); }

  // Non-owning; set by the constructors of the objects they point at.
  CQuarnetDoc* m_pDoc = nullptr;
  CQuarnetView* m_pView = nullptr;
  CMainFrame* m_pMainFrame = nullptr;
  ui::StatusBar* m_pStatusBar = nullptr;
  // Chosen in Print Setup, used by Print.
  ui::Printer m_printer;

 private:
  void OnFileNew();
  void OnAppExit();
  void OnAppAbout();
  void OnFilePrintSetup();

  std::unique_ptr<CQuarnetDoc> m_document;
  std::unique_ptr<CMainFrame> m_frame;

  static const ui::CommandEntry<CQuarnetApp> kCommands[];
};
