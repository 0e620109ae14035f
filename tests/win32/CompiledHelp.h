// The help topics as a program carries them in its resources (loaded as data, not run).
#pragma once

#include <windows.h>

#include "app/HelpBook.h"
#include "app/ResourceIds.h"

inline app::HelpBook CompiledHelp(HMODULE program) {
  HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(IDR_HELP), RT_RCDATA);
  HGLOBAL loaded = found != nullptr ? LoadResource(program, found) : nullptr;
  const char* text = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  return app::HelpBook::Parse(text != nullptr
                                  ? std::string_view(text, SizeofResource(program, found))
                                  : std::string_view());
}
