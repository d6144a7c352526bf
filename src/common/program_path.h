// The program-folder rule: the folder of the running executable as the platform reports it,
// with no trailing separator except at a drive root; data paths append a literal that begins
// with a backslash, so a folder at a drive root gives a doubled separator, used as built.
#pragma once
#include <string>
#include <string_view>

namespace qs {

// "C:\Program Files\QuietSpin\QuietSpin.exe" -> "C:\Program Files\QuietSpin"; "C:\QuietSpin.exe" -> "C:\".
std::wstring ProgramFolderOf(std::wstring_view module_path);

// Folder + literal, exactly as given: no separator added or removed.
inline std::wstring ProgramPath(std::wstring_view folder, std::wstring_view literal) {
  std::wstring path(folder);
  path += literal;
  return path;
}

}  // namespace qs
