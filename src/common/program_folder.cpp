#include "common/program_folder.h"

#include <windows.h>

#include "common/program_path.h"

namespace qs {

const std::wstring& ProgramFolder() {
  static const std::wstring folder = [] {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (n < path.size()) {
        path.resize(n);
        break;
      }
      path.resize(path.size() * 2);
    }
    return ProgramFolderOf(path);
  }();
  return folder;
}

std::wstring FromProgramFolder(std::wstring_view literal) { return ProgramPath(ProgramFolder(), literal); }

}  // namespace qs
