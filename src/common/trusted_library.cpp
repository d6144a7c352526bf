#include "common/trusted_library.h"

#include <string>

#include "common/program_folder.h"

namespace qs {
namespace {

// folder\file, with one separator also when the folder is a drive root ("C:\").
std::wstring InFolder(std::wstring folder, const wchar_t* file_name) {
  if (folder.empty()) return {};
  if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder + file_name;
}

std::wstring SystemFolder() {
  std::wstring path(MAX_PATH, L'\0');
  const UINT n = ::GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  return path;
}

}  // namespace

UniqueModule LoadFromTrustedFolders(const wchar_t* file_name) {
  for (const std::wstring& path : {InFolder(ProgramFolder(), file_name), InFolder(SystemFolder(), file_name)}) {
    if (path.empty()) continue;
    UniqueModule module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (module) return module;
  }
  return UniqueModule();
}

}  // namespace qs
