#include "base/string_table.h"

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

std::wstring LoadMessage(Message message, std::wstring_view first, std::wstring_view second) {
  const std::wstring pattern = LoadText(static_cast<StringId>(message));
  std::wstring text;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == L'%' && i + 1 < pattern.size() && (pattern[i + 1] == L'1' || pattern[i + 1] == L'2')) {
      text += pattern[++i] == L'1' ? first : second;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

Language ChooseLanguage() { return LanguageFromLcid(static_cast<std::uint32_t>(::GetSystemDefaultLCID())); }

}  // namespace qs
