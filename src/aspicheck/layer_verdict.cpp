#include "aspicheck/layer_verdict.h"

#include "common/aspi_records.h"

namespace qs::aspicheck {

Origin JudgeOrigin(const std::optional<Identity>& installed, const Identity& ours) {
  if (!installed || ours.company.empty() || ours.product.empty() || installed->company != ours.company ||
      installed->product != ours.product)
    return Origin::kForeign;
  if (installed->version < ours.version) return Origin::kOursOlder;
  if (installed->version > ours.version) return Origin::kOursNewer;
  return Origin::kOursSame;
}

State JudgeSupport(uint32_t support_word, bool has_optical_drive) {
  if (aspi::SupportAdapterCount(support_word) > 0) return State::kWorks;
  return has_optical_drive ? State::kNoAdapter : State::kNoDrive;
}

const char* OriginWord(Origin origin) {
  switch (origin) {
    case Origin::kOursOlder:
      return "ours-older";
    case Origin::kOursSame:
      return "ours-same";
    case Origin::kOursNewer:
      return "ours-newer";
    case Origin::kForeign:
      break;
  }
  return "foreign";
}

const char* StateWord(State state) {
  switch (state) {
    case State::kWorks:
      return "works";
    case State::kNoDrive:
      return "no-drive";
    case State::kNoAdapter:
      return "no-adapter";
    case State::kNoAnswer:
      return "no-answer";
    case State::kNoLoad:
      break;
  }
  return "no-load";
}

std::string VersionText(uint64_t version) {
  std::string text;
  for (int shift = 48; shift >= 0; shift -= 16) {
    text += std::to_string((version >> shift) & 0xFFFF);
    if (shift) text += '.';
  }
  return text;
}

}  // namespace qs::aspicheck
