// What ASPICHK tells INSTASPI.BAT about the ASPI layer in the system folder: whose it is (ours,
// older, the same or newer, or someone else's) and whether it works.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace qs::aspicheck {

// What a library's version resource says about it.
struct Identity {
  std::wstring company;
  std::wstring product;
  uint64_t version = 0;  // the fixed file version, most significant part first
};

enum class Origin { kForeign, kOursOlder, kOursSame, kOursNewer };

// A layer is ours when its resource names the same company and product as the layer we ship;
// one without a resource, or without those names, is someone else's.
Origin JudgeOrigin(const std::optional<Identity>& installed, const Identity& ours);

enum class State {
  kWorks,      // it reports at least one host adapter
  kNoDrive,    // no adapter, and the system has no optical drive it could have found
  kNoAdapter,  // no adapter (or an error) although the system has an optical drive
  kNoLoad,     // it does not load, or lacks GetASPI32SupportInfo
  kNoAnswer,   // loading or asking it did not finish in time
};

// Judges the answer of GetASPI32SupportInfo: status in bits 8..15, adapter count in bits 0..7.
State JudgeSupport(uint32_t support_word, bool has_optical_drive);

// The words printed for the batch file.
const char* OriginWord(Origin origin);
const char* StateWord(State state);
std::string VersionText(uint64_t version);

}  // namespace qs::aspicheck
