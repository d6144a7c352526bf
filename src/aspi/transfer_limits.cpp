#include <algorithm>

#include "aspi/device_io.h"

namespace qs::aspi {
namespace {

constexpr uint32_t kPage = 4096;

}  // namespace

TransferLimits LimitsOfAdapter(uint32_t max_transfer_length, uint32_t max_pages, uint32_t alignment_mask) {
  TransferLimits limits;
  uint32_t most = max_transfer_length;
  uint32_t unaligned = most;
  // Each page of a transfer takes a page descriptor; a buffer that starts inside a page takes one
  // more. The layer moves such a buffer into a page-aligned one of its own when it would not fit, so
  // the page-aligned figure is the adapter's limit.
  if (max_pages > 1 && max_pages <= 0xFFFFFFFFu / kPage) {
    most = std::min(most, max_pages * kPage);
    unaligned = std::min(most, (max_pages - 1) * kPage);
  }
  if (most >= kPage) {
    limits.max_transfer = most;
    limits.unaligned_max = unaligned;
  }
  // A mask is one less than a power of two.
  if ((alignment_mask & (alignment_mask + 1)) == 0) limits.alignment_mask = alignment_mask;
  return limits;
}

bool NeedsAlignedBuffer(uintptr_t address, size_t length, const TransferLimits& limits) {
  if (length == 0) return false;
  if ((address & limits.alignment_mask) != 0) return true;
  return address % kPage != 0 && length > limits.unaligned_max;
}

}  // namespace qs::aspi
