// ASPICHK <layer in the system folder> <our layer>
// Tells INSTASPI.BAT, one "key=value" line at a time, whose layer the system folder holds and
// whether it works:
//   origin=foreign|ours-older|ours-same|ours-newer
//   version=a.b.c.d          the installed layer's file version (0.0.0.0 without a resource)
//   state=works|no-drive|no-adapter|no-load|no-answer
// The origin is printed before the layer is loaded: a layer that brings the check down leaves
// "origin" without "state", which the batch file reads as a layer that does not load.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "aspicheck/layer_verdict.h"
#include "common/unique_handle.h"

namespace qs::aspicheck {
namespace {

// Long enough for a layer that scans its buses at load; a layer that takes longer counts as broken.
constexpr DWORD kAnswerTimeoutMs = 20000;

std::wstring QueryText(const std::vector<BYTE>& block, const std::wstring& path) {
  void* value = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), path.c_str(), &value, &length) || !value || length == 0) return {};
  return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

std::optional<Identity> ReadIdentity(const wchar_t* file) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file, &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> block(size);
  if (!::GetFileVersionInfoW(file, 0, size, block.data())) return std::nullopt;
  Identity identity;
  void* fixed = nullptr;
  UINT length = 0;
  if (::VerQueryValueW(block.data(), L"\\", &fixed, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    identity.version = (uint64_t{info->dwFileVersionMS} << 32) | info->dwFileVersionLS;
  }
  // The names are read in the resource's first language, as Explorer shows them.
  void* translation = nullptr;
  if (::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &length) && length >= 4) {
    const auto* pair = static_cast<const WORD*>(translation);
    wchar_t table[16];
    swprintf(table, 16, L"%04x%04x", pair[0], pair[1]);
    const std::wstring base = std::wstring(L"\\StringFileInfo\\") + table + L"\\";
    identity.company = QueryText(block, base + L"CompanyName");
    identity.product = QueryText(block, base + L"ProductName");
  }
  return identity;
}

bool HasOpticalDrive() {
  const DWORD drives = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if (!(drives & (1u << letter))) continue;
    const wchar_t root[] = {static_cast<wchar_t>(L'A' + letter), L':', L'\\', L'\0'};
    if (::GetDriveTypeW(root) == DRIVE_CDROM) return true;
  }
  return false;
}

struct Probe {
  const wchar_t* path = nullptr;
  State state = State::kNoLoad;
};

DWORD WINAPI AskLayer(void* parameter) {
  auto* probe = static_cast<Probe*>(parameter);
  // The layer's own libraries are looked up beside it, as they are for a program that uses it.
  UniqueModule layer(::LoadLibraryExW(probe->path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!layer) return 0;
  using SupportInfo = DWORD(__cdecl*)();
  const auto support = reinterpret_cast<SupportInfo>(
      reinterpret_cast<void*>(::GetProcAddress(layer.get(), "GetASPI32SupportInfo")));
  if (!support) return 0;
  probe->state = JudgeSupport(support(), HasOpticalDrive());
  return 0;
}

void Print(const char* key, const std::string& value) {
  std::printf("%s=%s\n", key, value.c_str());
  std::fflush(stdout);
}

}  // namespace
}  // namespace qs::aspicheck

int wmain(int argc, wchar_t** argv) {
  using namespace qs::aspicheck;
  // A layer that crashes, or lacks a library it needs, must not stop the hidden batch file
  // with a box that nobody can see.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  if (argc != 3) {
    std::fputs("usage: ASPICHK <installed layer> <our layer>\n", stderr);
    return 2;
  }
  const std::optional<Identity> ours = ReadIdentity(argv[2]);
  if (!ours) {
    std::fputs("our layer has no version resource\n", stderr);
    return 3;
  }
  const std::optional<Identity> installed = ReadIdentity(argv[1]);
  Print("origin", OriginWord(JudgeOrigin(installed, *ours)));
  Print("version", VersionText(installed ? installed->version : 0));

  Probe probe{argv[1]};
  qs::UniqueHandle worker(::CreateThread(nullptr, 0, AskLayer, &probe, 0, nullptr));
  if (!worker) return 4;
  if (::WaitForSingleObject(worker.get(), kAnswerTimeoutMs) != WAIT_OBJECT_0) {
    Print("state", StateWord(State::kNoAnswer));
    // The worker is stuck inside the layer: end without waiting for it or unloading anything.
    ::TerminateProcess(::GetCurrentProcess(), 0);
  }
  Print("state", StateWord(probe.state));
  return 0;
}
