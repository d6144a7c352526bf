// Describes the open message box titled "QuietSpin" (the dialog class #32770), one line per
// child window as "<class>\t<text>\t<left> <top> <right> <bottom>" (screen pixels), the text's
// line breaks written as \r and \n. The end-to-end tests read the install branch's boxes through
// it: their texts, and their buttons with the places to click them.
// Exit code 1 when no such box is open.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string out(n, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}

std::wstring Escaped(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\r')
      out += L"\\r";
    else if (c == L'\n')
      out += L"\\n";
    else
      out += c;
  }
  return out;
}

BOOL CALLBACK Describe(HWND child, LPARAM) {
  wchar_t cls[64]{};
  ::GetClassNameW(child, cls, 64);
  // WM_GETTEXT is carried across processes for the standard controls of a message box.
  const int length = ::GetWindowTextLengthW(child);
  std::wstring text(length + 1, L'\0');
  text.resize(::GetWindowTextW(child, text.data(), length + 1));
  RECT r{};
  ::GetWindowRect(child, &r);
  if (::IsWindowVisible(child)) {
    std::printf("%s\t%s\t%ld %ld %ld %ld\n", Utf8(cls).c_str(), Utf8(Escaped(text)).c_str(), r.left, r.top,
                r.right, r.bottom);
  }
  return TRUE;
}

}  // namespace

int main() {
  HWND box = ::FindWindowW(L"#32770", L"QuietSpin");
  if (!box) return 1;
  ::EnumChildWindows(box, Describe, 0);
  return 0;
}
