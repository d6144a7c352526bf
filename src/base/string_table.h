// Reading QuietSpin's localised texts from the string table linked into the executable
// (src/resources/strings.rc). Texts are loaded at the moment of use; nothing is cached.
#pragma once

#include <string>
#include <string_view>

#include "base/language.h"

namespace qs {

// The text of string `id` from the running executable's string table, whatever its length;
// empty when the table has no such string.
std::wstring LoadText(StringId id);

// A message of the English-only block with "%1" and "%2" replaced by the arguments.
std::wstring LoadMessage(Message message, std::wstring_view first = {}, std::wstring_view second = {});

// The language for this run, from the system's default locale (GetSystemDefaultLCID). The
// caller keeps it in LanguageId; it is chosen once at start-up.
Language ChooseLanguage();

}  // namespace qs
