#include "shell/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "common/unique_handle.h"

namespace qs {

bool HasTraySwitch(const wchar_t* command_line) {
  int count = 0;
  UniqueLocal<wchar_t**> args(::CommandLineToArgvW(command_line, &count));
  if (!args) return false;
  // The first argument is the program's own name.
  for (int i = 1; i < count; ++i) {
    if (::CompareStringOrdinal(args.get()[i], -1, L"/tray", -1, TRUE) == CSTR_EQUAL) return true;
  }
  return false;
}

}  // namespace qs
