// The program's help window: one topic at a time, the list of all topics beside it, links and
// Back. One instance, made on first use and hidden when closed, so that Back still works when
// it opens again; nothing is kept between runs. Its topics come from the program's resources.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string_view>

#include "app/HelpBook.h"
#include "app/HelpLayout.h"
#include "ui/win32/Scoped.h"
#include "ui/win32/Window.h"

class CHelpWindow : public ui::Window {
 public:
  CHelpWindow();
  ~CHelpWindow() override;

  // Each shows the window over `owner` at a topic; false, with nothing shown, when the help
  // holds no such topic.
  bool ShowContext(HWND owner, uint32_t context);
  bool ShowKey(HWND owner, std::string_view key);
  // The list of topics, with the overview beside it.
  bool ShowIndex(HWND owner);

  const app::HelpBook& Book() const { return m_book; }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  class TextPane;
  friend class TextPane;

  bool Open(HWND owner, std::optional<size_t> topic);
  void ShowTopic(size_t topic);
  void Back();
  // Shows what the history says: list selection, caption, Back's state, the text from its top.
  void Refresh();
  void ArrangeChildren();

  app::HelpBook m_book;
  app::HelpHistory m_history;
  std::unique_ptr<TextPane> m_text;
  HWND m_list = nullptr;
  int m_listWidth = 0;  // measured from the topics' titles
  HWND m_back = nullptr;
  std::array<ui::ScopedFont, 5> m_fonts{};  // by app::HelpFont
};
