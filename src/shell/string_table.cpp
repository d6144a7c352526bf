#include "shell/string_table.h"

#include <windows.h>

namespace qs {

std::wstring LoadText(StringId id) {
  // With a zero buffer size LoadStringW hands back a pointer into the mapped resource and the
  // text's length, so no text is ever cut to a buffer's size. The resource is not
  // NUL-terminated: copy exactly the length it reports.
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return std::wstring(text, static_cast<std::size_t>(length));
}

Language ChooseLanguage() { return LanguageFromLcid(static_cast<std::uint32_t>(::GetSystemDefaultLCID())); }

}  // namespace qs
