#include "common/program_path.h"

namespace qs {

std::wstring ProgramFolderOf(std::wstring_view module_path) {
  const auto slash = module_path.find_last_of(L"\\/");
  if (slash == std::wstring_view::npos) return std::wstring();
  std::wstring folder(module_path.substr(0, slash));
  // A drive root keeps its separator: "C:" alone would mean the current folder of drive C.
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return folder;
}

}  // namespace qs
