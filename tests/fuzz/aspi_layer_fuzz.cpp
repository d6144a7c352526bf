// libFuzzer entry point for the ASPI layer's request rules: any 80-byte record, against two scripted
// drives, goes through AcceptRequest and, when it is accepted, through ExecuteRequest or
// ResetRequest as the library's worker would run it. Besides memory safety (ASan/UBSan; the record
// is an exact-size heap block: 80 bytes, or 64 plus SRB_SenseLen for an execute request, as the
// interface lets the caller size it), it checks that every status is one the interface defines and
// that the status returned is the one written.
//
// Input: bytes 0-79 the record; byte 80 the drives' limits and answers; the rest what a data-in
// command reads. SRB_BufPointer 0x1000 is a 4 KiB buffer the caller owns, any other address memory
// it does not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "../unit/aspi_layer_fake_io.h"
#include "aspi/aspi_layer.h"
#include "aspi/aspi_srb.h"

namespace {

using namespace qs::aspi;

void Require(bool condition) {
  if (!condition) std::abort();
}

const std::set<uint8_t> kDefined{SS_PENDING,     SS_COMP,          SS_ABORTED,       SS_ERR,
                                 SS_INVALID_CMD, SS_INVALID_HA,    SS_NO_DEVICE,     SS_INVALID_SRB,
                                 SS_SECURITY_VIOLATION, SS_BUFFER_TO_BIG, SS_ABORT_FAIL};

constexpr uint32_t kOwnedAddress = 0x1000;
constexpr size_t kOwnedLength = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t header[kRecordSize] = {};
  if (size != 0) std::memcpy(header, data, std::min(size, kRecordSize));
  const uint8_t config = size > kRecordSize ? data[kRecordSize] : 0;

  testing::FakeDeviceIo io;
  testing::FakeDevice& first = io.Add({"\\\\.\\CdRom0", "\\\\.\\D:"}, {1, 0, 0, 0});
  first.limits = {config & 1 ? 0x800u : 0x10000u, config & 2 ? 0x3u : 0u};
  if (size > kRecordSize + 1) first.data_in.assign(data + kRecordSize + 1, data + size);
  testing::FakeDevice& second = io.Add({"\\\\.\\CdRom1"}, {2, 0, 3, 1});
  second.scsi_status = config & 4 ? 0x02 : 0;
  second.sense.assign(config >> 3, 0x70);  // up to 31 bytes, more than any record asks for at times
  second.outcome = static_cast<IoOutcome>((config >> 3) % 6);
  DeviceTable table = DeviceTable::Discover(io);
  Timeouts timeouts;

  // An execute request's record ends with its sense area; the caller sizes it by SRB_SenseLen.
  const bool execute = header[kSrbCmd] == SC_EXEC_SCSI_CMD;
  const size_t length = execute ? std::max<size_t>(kExecSenseArea + header[kExecSenseLen], kExecCdb + 16)
                                : kRecordSize;
  std::vector<uint8_t> record(header, header + std::min(length, kRecordSize));
  record.resize(length);
  std::unique_ptr<uint8_t[]> block(new uint8_t[length]);
  std::memcpy(block.get(), record.data(), length);

  const uint8_t status = AcceptRequest(table, timeouts, block.get());
  Require(kDefined.count(status) == 1);
  Require(block[kSrbStatus] == status);
  if (status != SS_PENDING) return 0;

  std::vector<uint8_t> owned(kOwnedLength, 0xEE);
  const BufferResolver resolve = [&](uint32_t pointer, uint32_t bytes, DataDirection) -> std::span<uint8_t> {
    if (pointer != kOwnedAddress || bytes > owned.size()) return {};
    return {owned.data(), bytes};
  };
  uint8_t final_status = SS_PENDING;
  if (execute) {
    final_status = ExecuteRequest(table, io, block.get(), resolve);
  } else if (header[kSrbCmd] == SC_RESET_DEV) {
    final_status = ResetRequest(table, io, block.get());
  } else {
    Require(header[kSrbCmd] == SC_ABORT_SRB || header[kSrbCmd] == SC_RESCAN_SCSI_BUS);
    return 0;
  }
  Require(final_status != SS_PENDING && kDefined.count(final_status) == 1);
  return 0;
}
