// ASPIshim.dll: __stdcall entry points with plain names that forward to the cdecl entry points of
// the ASPI layer. When no layer can be bound the shim answers as a layer with no host adapters,
// so that callers never need to special-case a missing layer.
#include <windows.h>

#include <cstddef>

#include "aspishim/aspi_layer.h"
#include "common/aspi_records.h"

namespace {

using qs::aspi::SS_INVALID_HA, qs::aspi::SS_INVALID_SRB, qs::aspi::SS_NO_ADAPTERS;
constexpr size_t kStatusOffset = offsetof(qs::aspi::records::SRB_Header, SRB_Status);

}  // namespace

extern "C" DWORD __stdcall GetASPI32SupportInfoEx() {
  if (const auto* layer = qs::aspishim::BoundLayer()) return layer->get_support_info();
  return qs::aspi::MakeSupportWord(SS_NO_ADAPTERS, 0);
}

// Without a layer there are no host adapters, so whatever SRB_HaId the record names is not a
// valid adapter: the record is answered with SS_INVALID_HA, as a layer answers an adapter number
// beyond its count. The status is non-zero, so a caller polling an execute request stops waiting.
extern "C" DWORD __stdcall SendASPI32CommandEx(LPVOID record) {
  if (record == nullptr) return SS_INVALID_SRB;
  if (const auto* layer = qs::aspishim::BoundLayer()) return layer->send_command(record);
  static_cast<volatile BYTE*>(record)[kStatusOffset] = SS_INVALID_HA;
  return SS_INVALID_HA;
}
