// ASPIshim.dll: __stdcall entry points with plain names that forward to the cdecl entry points of
// the ASPI layer. When no layer can be bound the shim answers as a layer with no host adapters,
// so that callers never need to special-case a missing layer.
#include <windows.h>

#include "aspishim/aspi_layer.h"

namespace {

// ASPI status codes (bits 8..15 of the support word, byte 1 of a request record).
constexpr BYTE kNoAdapters = 0xE8;   // SS_NO_ADAPTERS
constexpr BYTE kInvalidHa = 0x81;    // SS_INVALID_HA
constexpr BYTE kInvalidSrb = 0xE0;   // SS_INVALID_SRB
constexpr size_t kStatusOffset = 1;  // SRB_Status

}  // namespace

extern "C" DWORD __stdcall GetASPI32SupportInfoEx() {
  if (const auto* layer = qs::aspishim::BoundLayer()) return layer->get_support_info();
  return DWORD{kNoAdapters} << 8;  // status "no adapters", zero adapters
}

// Without a layer there are no host adapters, so whatever SRB_HaId the record names is not a
// valid adapter: the record is answered with SS_INVALID_HA, as a layer answers an adapter number
// beyond its count. The status is non-zero, so a caller polling an execute request stops waiting.
extern "C" DWORD __stdcall SendASPI32CommandEx(LPVOID record) {
  if (record == nullptr) return kInvalidSrb;
  if (const auto* layer = qs::aspishim::BoundLayer()) return layer->send_command(record);
  static_cast<volatile BYTE*>(record)[kStatusOffset] = kInvalidHa;
  return kInvalidHa;
}
