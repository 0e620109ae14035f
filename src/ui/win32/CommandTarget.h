// Commands and their update state, routed through a chain of targets (view, document, frame,
// application). Each class keeps static tables that map a command id to a member function.
#pragma once

#include <windows.h>

#include <span>

namespace ui {

// What an update handler may change on a menu item or toolbar button.
class CommandUI {
 public:
  explicit CommandUI(UINT id) : m_nID(id) {}
  virtual ~CommandUI() = default;
  virtual void Enable(bool on) = 0;
  virtual void SetCheck(bool on) = 0;
  virtual void SetText(const char* text) = 0;

  UINT m_nID;
};

template <class T>
struct CommandEntry {
  UINT id;
  void (T::*handler)();
};

template <class T>
struct UpdateEntry {
  UINT id;
  void (T::*handler)(CommandUI&);
};

class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  // Runs command `id`, or, when `state` is given, lets its update handler set the state. True
  // when this target handles the command. A command with a handler but no update handler is
  // enabled.
  virtual bool OnCmdMsg(UINT id, CommandUI* state) {
    (void)id;
    (void)state;
    return false;
  }
};

// Looks `id` up in one class's tables; used by each class's OnCmdMsg before its base's.
template <class T>
bool RouteCommand(T* self, std::span<const CommandEntry<T>> commands,
                  std::span<const UpdateEntry<T>> updates, UINT id, CommandUI* state) {
  if (state != nullptr) {
    for (const auto& entry : updates) {
      if (entry.id == id) {
        (self->*entry.handler)(*state);
        return true;
      }
    }
  }
  for (const auto& entry : commands) {
    if (entry.id == id) {
      if (state != nullptr) {
        state->Enable(true);
      } else {
        (self->*entry.handler)();
      }
      return true;
    }
  }
  return false;
}

}  // namespace ui
