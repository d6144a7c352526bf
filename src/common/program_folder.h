// The running program's folder (see program_path.h for the rule).
#pragma once
#include <string>
#include <string_view>

namespace qs {

const std::wstring& ProgramFolder();
// ProgramFolder() + literal, e.g. SkinPath(L"\\GIF\\Mask.bmp").
std::wstring FromProgramFolder(std::wstring_view literal);

}  // namespace qs
