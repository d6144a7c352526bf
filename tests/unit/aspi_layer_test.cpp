// The ASPI layer against a scripted device seam: how devices are found and numbered, what each
// request code answers, what reaches the device for an execute request, and how failures map.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <set>

#include "aspi/aspi_layer.h"
#include "aspi/aspi_srb.h"
#include "aspi_layer_fake_io.h"

namespace qs::aspi {
namespace {

using testing::FakeDeviceIo;

using Record = std::array<uint8_t, kRecordSize>;

// Buffers handed to the layer by a 32-bit "address", as a 32-bit caller would.
class Buffers {
 public:
  uint32_t Add(std::vector<uint8_t>& buffer) {
    const uint32_t address = 0x1000 * static_cast<uint32_t>(map_.size() + 1);
    map_[address] = &buffer;
    return address;
  }
  BufferResolver resolver() {
    return [this](uint32_t pointer, uint32_t length, DataDirection direction) -> std::span<uint8_t> {
      asked.push_back(direction);
      auto it = map_.find(pointer);
      if (it == map_.end()) {
        ADD_FAILURE() << "unknown buffer " << pointer;
        return {};
      }
      EXPECT_LE(length, it->second->size());
      return {it->second->data(), std::min<size_t>(length, it->second->size())};
    };
  }
  std::vector<DataDirection> asked;  // the direction of every buffer asked for

 private:
  std::map<uint32_t, std::vector<uint8_t>*> map_;
};

Record HaInquiry(uint8_t ha) {
  Record r{};
  r[kSrbCmd] = SC_HA_INQUIRY;
  r[kSrbHaId] = ha;
  return r;
}

Record GetDevType(uint8_t ha, uint8_t target, uint8_t lun = 0) {
  Record r{};
  r[kSrbCmd] = SC_GET_DEV_TYPE;
  r[kSrbHaId] = ha;
  r[kGdevTarget] = target;
  r[kGdevLun] = lun;
  return r;
}

// The record QuietSpin sends for one speed: direction in, no data, 10-byte CDB, 14 sense bytes.
Record SetCdSpeed(uint8_t ha, uint8_t target, uint8_t speed) {
  Record r{};
  r[kSrbCmd] = SC_EXEC_SCSI_CMD;
  r[kSrbHaId] = ha;
  r[kSrbFlags] = SRB_DIR_IN;
  r[kExecTarget] = target;
  r[kExecSenseLen] = 14;
  r[kExecCdbLen] = 10;
  r[kExecCdb] = 0xBB;
  for (int i = 2; i <= 5; ++i) r[kExecCdb + i] = speed;
  return r;
}

// An execute record for adapter 0, target 0: one operation code with a data buffer of `length`.
Record Exec(uint8_t code, uint8_t flags, uint8_t cdb_length, uint32_t length, uint32_t address) {
  Record r{};
  r[kSrbCmd] = SC_EXEC_SCSI_CMD;
  r[kSrbFlags] = flags;
  r[kExecCdbLen] = cdb_length;
  r[kExecCdb] = code;
  SrbView(r.data()).set_dword(kExecBufLen, length);
  SrbView(r.data()).set_dword(kExecBufPointer, address);
  return r;
}

uint8_t DevType(const DeviceTable& table, uint8_t ha, uint8_t target, uint8_t* status = nullptr) {
  Timeouts timeouts;
  Record r = GetDevType(ha, target);
  const uint8_t s = AcceptRequest(table, timeouts, r.data());
  EXPECT_EQ(s, r[kSrbStatus]);
  if (status) *status = s;
  return r[kGdevDeviceType];
}

// ---- enumeration and numbering ------------------------------------------------------------------

TEST(AspiEnumeration, NoDevicesMeansNoAdapters) {
  Timeouts timeouts;
  FakeDeviceIo io;
  io.extra_names = {"\\\\.\\CdRom0", "\\\\.\\D:"};
  io.ports = {{0, 1}};  // the system disk's port
  const DeviceTable table = DeviceTable::Discover(io);
  EXPECT_EQ(table.adapter_count(), 0u);
  EXPECT_EQ(SupportWord(table), 0xE800u);
  Record r = HaInquiry(0);
  EXPECT_EQ(AcceptRequest(table, timeouts, r.data()), SS_INVALID_HA);
}

TEST(AspiEnumeration, DeviceSeenAsClassDeviceAndDriveLetterCountsOnce) {
  Timeouts timeouts;
  FakeDeviceIo io;
  io.Add({"\\\\.\\CdRom0", "\\\\.\\E:"}, {1, 0, 0, 0});
  const DeviceTable table = DeviceTable::Discover(io);
  ASSERT_EQ(table.devices().size(), 1u);
  EXPECT_EQ(table.devices()[0].path, "\\\\.\\CdRom0");
  EXPECT_EQ(SupportWord(table), 0x0101u);
}

TEST(AspiEnumeration, PortsBecomeAdaptersInAscendingOrderKeepingTargetAndLun) {
  Timeouts timeouts;
  FakeDeviceIo io;
  io.Add({"\\\\.\\CdRom0", "\\\\.\\G:"}, {4, 0, 1, 0});
  io.Add({"\\\\.\\CdRom1"}, {2, 0, 0, 0});
  io.Add({"\\\\.\\F:"}, {2, 0, 1, 0});                           // reachable only by its letter
  io.Add({"\\\\.\\CdRom2"}, {4, 0, 3, 1}).inquiry_byte0 = 0x04;  // a write-once drive on LUN 1
  const DeviceTable table = DeviceTable::Discover(io);
  EXPECT_EQ(SupportWord(table), 0x0102u);

  uint8_t status = 0;
  EXPECT_EQ(DevType(table, 0, 0, &status), 5);  // port 2 target 0
  EXPECT_EQ(status, SS_COMP);
  EXPECT_EQ(DevType(table, 0, 1, &status), 5);  // port 2 target 1, the letter-only one
  EXPECT_EQ(status, SS_COMP);
  EXPECT_EQ(DevType(table, 1, 1, &status), 5);  // port 4 target 1
  EXPECT_EQ(status, SS_COMP);
  DevType(table, 1, 0, &status);
  EXPECT_EQ(status, SS_NO_DEVICE);
  DevType(table, 1, 3, &status);  // LUN 0 of target 3 is not the device
  EXPECT_EQ(status, SS_NO_DEVICE);
  Record lun1 = GetDevType(1, 3, 1);
  EXPECT_EQ(AcceptRequest(table, timeouts, lun1.data()), SS_COMP);
  EXPECT_EQ(lun1[kGdevDeviceType], 4);
}

TEST(AspiEnumeration, BusesOfOnePortAreSeparateAdapters) {
  Timeouts timeouts;
  FakeDeviceIo io;
  io.Add({"\\\\.\\CdRom0"}, {1, 1, 0, 0});
  io.Add({"\\\\.\\CdRom1"}, {1, 0, 0, 0});
  const DeviceTable table = DeviceTable::Discover(io);
  ASSERT_EQ(table.adapter_count(), 2u);
  EXPECT_EQ(table.Find(0, 0, 0)->path, "\\\\.\\CdRom1");
  EXPECT_EQ(table.Find(1, 0, 0)->path, "\\\\.\\CdRom0");
}

TEST(AspiEnumeration, DevicesThatCannotBeOpenedOrPlacedAreLeftOut) {
  Timeouts timeouts;
  FakeDeviceIo io;
  io.Add({"\\\\.\\CdRom0"}, {0, 0, 0, 0}).refuses_open = true;
  io.Add({"\\\\.\\CdRom1"}, {0, 0, 1, 0}).present = false;
  io.Add({"\\\\.\\CdRom2"}, {0, 0, 2, 0}).inquiry_byte0 = 0x7F;  // qualifier 3: nothing connected
  io.Add({"\\\\.\\CdRom3"}, {3, 0, 0, 0}).answers_inquiry = false;
  const DeviceTable table = DeviceTable::Discover(io);
  ASSERT_EQ(table.devices().size(), 1u);
  // Found as a CD/DVD class device, so without an INQUIRY answer it still counts as one.
  EXPECT_EQ(DevType(table, 0, 0), kCdRomDeviceType);
}

TEST(AspiEnumeration, InquiryAsksForStandardDataWithTimeout) {
  Timeouts timeouts;
  FakeDeviceIo io;
  io.Add({"\\\\.\\CdRom0"}, {0, 0, 0, 0});
  DeviceTable::Discover(io);
  ASSERT_EQ(io.sent.size(), 1u);
  const PassThroughRequest& r = io.sent[0].request;
  EXPECT_EQ(r.cdb[0], 0x12);
  EXPECT_EQ(r.cdb[4], 36);
  EXPECT_EQ(r.cdb_length, 6);
  EXPECT_EQ(r.direction, DataDirection::kIn);
  EXPECT_EQ(r.data.size(), 36u);
  EXPECT_GT(r.timeout_seconds, 0u);
}

TEST(AspiEnumeration, TargetsBeyondSevenMakeSixteenTargets) {
  // Callers take any other count for 8, and drives at targets 8-15 would vanish for them.
  Timeouts timeouts;
  FakeDeviceIo io;
  io.Add({"\\\\.\\CdRom0"}, {0, 0, 11, 0});
  const DeviceTable table = DeviceTable::Discover(io);
  Record r = HaInquiry(0);
  ASSERT_EQ(AcceptRequest(table, timeouts, r.data()), SS_COMP);
  EXPECT_EQ(r[kHaUnique + 3], 16);
}

TEST(AspiEnumeration, ListedPortsAreNumberedAsTheSystemDoesAndKeepTheirNumbers) {
  // Port 0 holds the system disk, port 2 is gone (a USB bridge unplugged), port 3 has two buses.
  FakeDeviceIo io;
  io.ports = {{0, 1}, {1, 1}, {3, 2}};
  io.Add({"\\\\.\\CdRom0", "\\\\.\\D:"}, {1, 0, 0, 0});
  io.Add({"\\\\.\\CdRom1"}, {3, 1, 2, 0});
  DeviceTable table = DeviceTable::Discover(io);
  EXPECT_EQ(SupportWord(table), 0x0105u);
  EXPECT_EQ(table.Find(1, 0, 0)->path, "\\\\.\\CdRom0")
      << "adapter = PortNumber, as IOCTL_SCSI_GET_ADDRESS says";
  EXPECT_EQ(table.Find(4, 2, 0)->path, "\\\\.\\CdRom1") << "port 3 bus 1, after port 3 bus 0";
  for (uint8_t empty : {0, 2, 3}) {
    for (uint8_t target = 0; target < 8; ++target) EXPECT_EQ(table.Find(empty, target, 0), nullptr);
    Record inquiry = HaInquiry(empty);
    Timeouts timeouts;
    EXPECT_EQ(AcceptRequest(table, timeouts, inquiry.data()), SS_COMP) << "an empty adapter is still one";
  }
  io.devices[0].present = false;  // the drive on port 1 goes: the other keeps its number
  table = DeviceTable::Discover(io);
  EXPECT_EQ(table.Find(4, 2, 0)->path, "\\\\.\\CdRom1");
}

TEST(AspiEnumeration, DrivesWhosePortTellsNoAddressGetAnAdapterOfTheirOwn) {
  FakeDeviceIo io;
  io.Add({"\\\\.\\CdRom0"}, {2, 0, 0, 0});
  auto& bridge = io.Add({"\\\\.\\CdRom1", "\\\\.\\F:"}, {0, 0, 0, 0});
  bridge.port_tells_address = false;
  bridge.inquiry_byte0 = 0x04;
  DeviceTable table = DeviceTable::Discover(io);
  ASSERT_EQ(table.adapter_count(), 2u);
  ASSERT_EQ(table.devices().size(), 2u) << "counted once, under its letter";
  EXPECT_EQ(DevType(table, 1, 0), 0x04);
  Timeouts timeouts;
  Record inquiry = HaInquiry(1);
  ASSERT_EQ(AcceptRequest(table, timeouts, inquiry.data()), SS_COMP);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&inquiry[kHaIdentifier])), "SPTI drive F:");
  // Served, and opened again after it was lost, as long as the letter still has no address.
  io.devices[1].present = false;
  Record r = SetCdSpeed(1, 0, 52);
  Buffers buffers;
  ASSERT_EQ(AcceptRequest(table, timeouts, r.data()), SS_PENDING);
  EXPECT_EQ(ExecuteRequest(table, io, r.data(), buffers.resolver()), SS_ERR);
  io.devices[1].present = true;
  EXPECT_EQ(ExecuteRequest(table, io, r.data(), buffers.resolver()), SS_COMP);
  EXPECT_EQ(io.sent.back().path, "\\\\.\\F:");
}

// ---- immediate requests ------------------------------------------------------------------------

class AspiRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    io.Add({"\\\\.\\CdRom0", "\\\\.\\D:"}, {1, 0, 0, 0});
    io.Add({"\\\\.\\CdRom1"}, {3, 0, 1, 0});
    table = DeviceTable::Discover(io);
    io.sent.clear();
    io.opened.clear();
  }
  FakeDeviceIo io;
  DeviceTable table;
  Timeouts timeouts;
  Buffers buffers;
};

TEST_F(AspiRequests, HostAdapterInquiryGivesCountManagerAndIdentifier) {
  Record r = HaInquiry(1);
  r.fill(0xCC);  // stale contents must not leak into the answer's text fields
  r[kSrbCmd] = SC_HA_INQUIRY;
  r[kSrbHaId] = 1;
  ASSERT_EQ(AcceptRequest(table, timeouts, r.data()), SS_COMP);
  EXPECT_EQ(r[kSrbStatus], SS_COMP);
  EXPECT_EQ(r[kHaCount], 2);
  EXPECT_EQ(r[kHaScsiId], 7);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&r[kHaManagerId]), 16),
            std::string("ASPI for WIN32\0\0", 16));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&r[kHaIdentifier])), "SPTI port 3");
  EXPECT_EQ(r[kHaUnique + 3], 8);
}

TEST_F(AspiRequests, RequestsForMissingAdaptersTargetsAndCodes) {
  Record ha = HaInquiry(2);
  EXPECT_EQ(AcceptRequest(table, timeouts, ha.data()), SS_INVALID_HA);
  EXPECT_EQ(ha[kSrbStatus], SS_INVALID_HA);
  EXPECT_EQ(ha[kHaCount], 2) << "the count is given for any adapter";
  Record dev = GetDevType(0xFF, 0);
  EXPECT_EQ(AcceptRequest(table, timeouts, dev.data()), SS_INVALID_HA);
  Record none = GetDevType(0, 5);
  EXPECT_EQ(AcceptRequest(table, timeouts, none.data()), SS_NO_DEVICE);
  EXPECT_EQ(none[kGdevDeviceType], 0);
  for (uint8_t code : {uint8_t{5}, uint8_t{9}, uint8_t{0x27}, uint8_t{0xFF}}) {  // 5: DOS only
    Record r{};
    r[kSrbCmd] = code;
    EXPECT_EQ(AcceptRequest(table, timeouts, r.data()), SS_INVALID_CMD) << int{code};
    EXPECT_EQ(r[kSrbStatus], SS_INVALID_CMD);
  }
  EXPECT_TRUE(io.opened.empty());
}

TEST_F(AspiRequests, ExecuteRequestsThatCannotRunAreRejectedAtOnce) {
  Record bad_ha = SetCdSpeed(2, 0, 52);
  EXPECT_EQ(AcceptRequest(table, timeouts, bad_ha.data()), SS_INVALID_HA);
  Record bad_target = SetCdSpeed(0, 1, 52);
  EXPECT_EQ(AcceptRequest(table, timeouts, bad_target.data()), SS_NO_DEVICE);
  Record no_cdb = SetCdSpeed(0, 0, 52);
  no_cdb[kExecCdbLen] = 0;
  EXPECT_EQ(AcceptRequest(table, timeouts, no_cdb.data()), SS_INVALID_SRB);
  Record long_cdb = SetCdSpeed(0, 0, 52);
  long_cdb[kExecCdbLen] = 17;
  EXPECT_EQ(AcceptRequest(table, timeouts, long_cdb.data()), SS_INVALID_SRB);
  Record null_buffer = SetCdSpeed(0, 0, 52);
  SrbView(null_buffer.data()).set_dword(kExecBufLen, 8);
  EXPECT_EQ(AcceptRequest(table, timeouts, null_buffer.data()), SS_INVALID_SRB);
  EXPECT_TRUE(io.opened.empty());
}

TEST_F(AspiRequests, DiskInformationGivesTheDriveLetterOfEachDevice) {
  // How callers map "D:" to an address: SRB_Int13HDriveInfo is the letter's index, 0 for A:.
  Record d{};
  d[kSrbCmd] = SC_GET_DISK_INFO;
  ASSERT_EQ(AcceptRequest(table, timeouts, d.data()), SS_COMP);
  EXPECT_EQ(d[kDiskInt13Info], 'D' - 'A');
  EXPECT_EQ(d[kDiskDriveFlags], DISK_NOT_INT13);
  Record no_letter{};
  no_letter[kSrbCmd] = SC_GET_DISK_INFO;
  no_letter[kSrbHaId] = 1;
  no_letter[kDiskTarget] = 1;
  ASSERT_EQ(AcceptRequest(table, timeouts, no_letter.data()), SS_COMP);
  EXPECT_EQ(no_letter[kDiskInt13Info], 0xFF) << "matches no letter";
  no_letter[kDiskTarget] = 2;
  EXPECT_EQ(AcceptRequest(table, timeouts, no_letter.data()), SS_NO_DEVICE);
}

TEST_F(AspiRequests, TimeoutsAreKeptPerTargetAndUsedByLaterCommands) {
  Record get{};
  get[kSrbCmd] = SC_GETSET_TIMEOUTS;
  get[kSrbFlags] = SRB_DIR_IN;
  ASSERT_EQ(AcceptRequest(table, timeouts, get.data()), SS_COMP);
  EXPECT_EQ(SrbView(get.data()).dword(kTimeoutsValue), 30u * 60 * 60 * 2) << "30 hours, in half seconds";
  Record set = get;
  set[kSrbFlags] = SRB_DIR_OUT;
  SrbView(set.data()).set_dword(kTimeoutsValue, 7);  // 3.5 s: rounded up
  ASSERT_EQ(AcceptRequest(table, timeouts, set.data()), SS_COMP);
  EXPECT_EQ(timeouts.Seconds(0, 0, 0), 4u);
  EXPECT_EQ(timeouts.Seconds(1, 1, 0), kCommandTimeoutSeconds) << "other targets keep theirs";
  Record neither = get;
  neither[kSrbFlags] = 0;
  EXPECT_EQ(AcceptRequest(table, timeouts, neither.data()), SS_INVALID_SRB);
  // 0xFF: every adapter, target or LUN. Sets all that match; a read must name one device.
  Record all = set;
  all[kSrbHaId] = all[kTimeoutsTarget] = all[kTimeoutsLun] = 0xFF;
  SrbView(all.data()).set_dword(kTimeoutsValue, 20);
  ASSERT_EQ(AcceptRequest(table, timeouts, all.data()), SS_COMP);
  EXPECT_EQ(timeouts.Seconds(0, 0, 0), 10u);
  EXPECT_EQ(timeouts.Seconds(1, 1, 0), 10u);
  Record adapter1 = all;  // every target of adapter 1
  adapter1[kSrbHaId] = 1;
  SrbView(adapter1.data()).set_dword(kTimeoutsValue, 40);
  ASSERT_EQ(AcceptRequest(table, timeouts, adapter1.data()), SS_COMP);
  EXPECT_EQ(timeouts.Seconds(0, 0, 0), 10u);
  EXPECT_EQ(timeouts.Seconds(1, 1, 0), 20u);
  all[kSrbFlags] = SRB_DIR_IN;
  EXPECT_EQ(AcceptRequest(table, timeouts, all.data()), SS_INVALID_SRB);
  ASSERT_EQ(AcceptRequest(table, timeouts, set.data()), SS_COMP);
  Record r = SetCdSpeed(0, 0, 52);
  ASSERT_EQ(AcceptRequest(table, timeouts, r.data()), SS_PENDING);
  ExecuteRequest(table, io, r.data(), buffers.resolver(), timeouts.Seconds(0, 0, 0));
  EXPECT_EQ(io.sent.at(0).request.timeout_seconds, 4u);
}

TEST_F(AspiRequests, TransfersBeyondTheSystemsLimitAreRefusedAndTheLimitIsAnnounced) {
  FakeDeviceIo local;
  local.Add({"\\\\.\\CdRom0"}, {1, 0, 0, 0}).limits = {0x20000, 0x3};
  local.Add({"\\\\.\\CdRom1"}, {1, 0, 1, 0}).limits = {0x8000, 0x1};
  DeviceTable t = DeviceTable::Discover(local);
  Record ha = HaInquiry(0);
  ASSERT_EQ(AcceptRequest(t, timeouts, ha.data()), SS_COMP);
  EXPECT_EQ(SrbView(ha.data()).dword(kHaUnique + 4), 0x8000u) << "the strictest device of the adapter";
  EXPECT_EQ(ha[kHaUnique], 0x3);
  Record fits = Exec(0x28, SRB_DIR_IN, 10, 0x8000, 0x1000);
  EXPECT_EQ(AcceptRequest(t, timeouts, fits.data()), SS_PENDING);
  Record too_big = Exec(0x28, SRB_DIR_IN, 10, 0x8001, 0x1000);
  EXPECT_EQ(AcceptRequest(t, timeouts, too_big.data()), SS_BUFFER_TO_BIG);
}

TEST_F(AspiRequests, AnAdapterOfSixteenPagesTakesSixtyFourKibThroughAnAlignedBuffer) {
  // 16 page descriptors: 64 KiB from a page-aligned buffer, 60 KiB from one that starts inside a page.
  const TransferLimits limits = LimitsOfAdapter(0x20000, 16, 0x1);
  EXPECT_EQ(limits.max_transfer, 0x10000u) << "what is announced and accepted";
  EXPECT_FALSE(NeedsAlignedBuffer(0x20000, 0x10000, limits));
  EXPECT_TRUE(NeedsAlignedBuffer(0x20010, 0x10000, limits));
  EXPECT_FALSE(NeedsAlignedBuffer(0x20010, 0xF000, limits));
  EXPECT_TRUE(NeedsAlignedBuffer(0x20001, 0x800, limits)) << "misaligned for the adapter";
  FakeDeviceIo local;
  local.Add({"\\\\.\\CdRom0"}, {1, 0, 0, 0}).limits = limits;
  DeviceTable t = DeviceTable::Discover(local);
  Record read = Exec(0x28, SRB_DIR_IN, 10, 0x10000, 0x1010);
  EXPECT_EQ(AcceptRequest(t, timeouts, read.data()), SS_PENDING);
}

TEST_F(AspiRequests, AbortAndRescanLeaveTheWorkToTheLibraryOnceTheyMakeSense) {
  Record abort{};
  abort[kSrbCmd] = SC_ABORT_SRB;
  EXPECT_EQ(AcceptRequest(table, timeouts, abort.data()), SS_INVALID_SRB) << "nothing to abort";
  SrbView(abort.data()).set_dword(kAbortToAbort, 0x1000);
  EXPECT_EQ(AcceptRequest(table, timeouts, abort.data()), SS_PENDING);
  abort[kSrbHaId] = 2;
  EXPECT_EQ(AcceptRequest(table, timeouts, abort.data()), SS_INVALID_HA);
  Record rescan{};
  rescan[kSrbCmd] = SC_RESCAN_SCSI_BUS;
  DeviceTable empty;
  EXPECT_EQ(AcceptRequest(empty, timeouts, rescan.data()), SS_PENDING) << "drives may come later";
  rescan[kSrbHaId] = 2;
  EXPECT_EQ(AcceptRequest(table, timeouts, rescan.data()), SS_INVALID_HA);
}

// ---- execute requests --------------------------------------------------------------------------

TEST_F(AspiRequests, SetCdSpeedBecomesOnePassThroughCommand) {
  Record r = SetCdSpeed(1, 1, 0x34);
  r[kExecHaStat] = 0x55;
  r[kExecTargStat] = 0x66;
  ASSERT_EQ(AcceptRequest(table, timeouts, r.data()), SS_PENDING);
  EXPECT_EQ(r[kSrbStatus], SS_PENDING);
  EXPECT_EQ(r[kExecHaStat], 0);
  EXPECT_EQ(r[kExecTargStat], 0);
  EXPECT_TRUE(io.sent.empty()) << "nothing reaches the device before the worker runs it";

  EXPECT_EQ(ExecuteRequest(table, io, r.data(), buffers.resolver()), SS_COMP);
  ASSERT_EQ(io.sent.size(), 1u);
  EXPECT_EQ(io.sent[0].path, "\\\\.\\CdRom1");
  const PassThroughRequest& sent = io.sent[0].request;
  const std::array<uint8_t, 16> cdb{0xBB, 0, 0x34, 0x34, 0x34, 0x34};
  EXPECT_EQ(sent.cdb, cdb);
  EXPECT_EQ(sent.cdb_length, 10);
  EXPECT_EQ(sent.direction, DataDirection::kIn);
  EXPECT_TRUE(sent.data.empty());
  EXPECT_EQ(sent.sense_length, 14);
  EXPECT_EQ(sent.timeout_seconds, kCommandTimeoutSeconds);
  EXPECT_EQ(r[kExecHaStat], HASTAT_OK);
  EXPECT_EQ(r[kExecTargStat], 0);
  EXPECT_EQ(r[kSrbStatus], SS_PENDING) << "publishing the status is left to the caller";
}

TEST_F(AspiRequests, DataInIsReadIntoTheCallersBufferWithResidual) {
  io.devices[0].data_in = {1, 2, 3, 4, 5};
  std::vector<uint8_t> buffer(8, 0xEE);
  Record r = Exec(0x5A, SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT, 6, 8, buffers.Add(buffer));  // MODE SENSE(10)
  SrbView srb(r.data());
  ASSERT_EQ(AcceptRequest(table, timeouts, r.data()), SS_PENDING);
  ASSERT_EQ(ExecuteRequest(table, io, r.data(), buffers.resolver()), SS_COMP);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 5), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(srb.dword(kExecBufLen), 3u);
  EXPECT_EQ(io.sent[0].request.data.size(), 8u);
}

TEST_F(AspiRequests, DirectionBitsChooseTheDataPhase) {
  std::vector<uint8_t> buffer{9, 8, 7};
  const uint32_t address = buffers.Add(buffer);
  // READ(10): explicit bits win over what the operation code says; without them the code decides.
  const std::pair<uint8_t, DataDirection> cases[] = {{0, DataDirection::kIn},
                                                     {SRB_DIR_IN, DataDirection::kIn},
                                                     {SRB_DIR_OUT, DataDirection::kOut},
                                                     {SRB_DIR_IN | SRB_DIR_OUT, DataDirection::kNone}};
  for (auto [flags, direction] : cases) {
    io.sent.clear();
    Record r = Exec(0x28, flags, 10, 3, address);
    ASSERT_EQ(AcceptRequest(table, timeouts, r.data()), SS_PENDING);
    ExecuteRequest(table, io, r.data(), buffers.resolver());
    ASSERT_EQ(io.sent.size(), 1u);
    EXPECT_EQ(io.sent[0].request.direction, direction) << int{flags};
    EXPECT_EQ(io.sent[0].request.data.size(), direction == DataDirection::kNone ? 0u : 3u);
    // Data in needs memory the caller lets the layer write, data out only memory it may read.
    if (direction != DataDirection::kNone) {
      EXPECT_EQ(buffers.asked.back(), direction);
    }
    if (direction == DataDirection::kOut) {
      EXPECT_EQ(io.sent[0].data_out, buffer);
    }
  }
}

TEST_F(AspiRequests, WithoutDirectionBitsTheOperationCodeDecidesOrTheRequestIsRefused) {
  io.devices[0].data_in = {0, 0, 0x10, 0, 0, 0, 8, 0};
  std::vector<uint8_t> buffer(8, 0xEE);
  const uint32_t address = buffers.Add(buffer);
  struct Case {
    uint8_t code;
    uint32_t length;
    DataDirection direction;
  } const cases[] = {
      {0x25, 8, DataDirection::kIn},    // READ CAPACITY
      {0x55, 8, DataDirection::kOut},   // MODE SELECT(10)
      {0xBB, 8, DataDirection::kNone},  // SET CD SPEED: no data phase, whatever the buffer
      {0xD8, 8, DataDirection::kIn},    // READ CD-DA, the vendor code audio extraction sends
      {0x88, 8, DataDirection::kIn},    // READ(16)
      {0xF0, 0, DataDirection::kNone},  // a vendor command without data needs no direction
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.code});
    io.sent.clear();
    Record r = Exec(c.code, 0, 10, c.length, address);
    ASSERT_EQ(AcceptRequest(table, timeouts, r.data()), SS_PENDING);
    EXPECT_EQ(ExecuteRequest(table, io, r.data(), buffers.resolver()), SS_COMP);
    ASSERT_EQ(io.sent.size(), 1u);
    EXPECT_EQ(io.sent[0].request.direction, c.direction);
    EXPECT_EQ(io.sent[0].request.data.size(), c.direction == DataDirection::kNone ? 0u : 8u);
  }
  EXPECT_EQ(buffer, io.devices[0].data_in) << "READ CAPACITY read into the caller's buffer";

  // A vendor command with data: the layer cannot know which way it goes.
  io.opened.clear();
  Record vendor = Exec(0xF0, 0, 12, 8, address);
  EXPECT_EQ(AcceptRequest(table, timeouts, vendor.data()), SS_INVALID_SRB);
  EXPECT_EQ(vendor[kSrbStatus], SS_INVALID_SRB);
  EXPECT_TRUE(io.opened.empty());
}

TEST_F(AspiRequests, CheckConditionGivesErrorTargetStatusAndSense) {
  io.devices[0].scsi_status = 0x02;
  io.devices[0].sense = {0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x24, 0, 0, 0, 0, 0, 0xAA};
  Record r = SetCdSpeed(0, 0, 4);
  r[kExecSenseArea + 14] = 0x77;
  r[kExecSenseArea + 15] = 0x77;
  ASSERT_EQ(AcceptRequest(table, timeouts, r.data()), SS_PENDING);
  EXPECT_EQ(ExecuteRequest(table, io, r.data(), buffers.resolver()), SS_ERR);
  EXPECT_EQ(r[kExecTargStat], 0x02);
  EXPECT_EQ(r[kExecHaStat], HASTAT_OK);
  EXPECT_EQ(r[kExecSenseArea], 0x70);
  EXPECT_EQ(r[kExecSenseArea + 2], 0x05);
  EXPECT_EQ(r[kExecSenseArea + 12], 0x24);
  EXPECT_EQ(r[kExecSenseArea + 13], 0x00);
  EXPECT_EQ(r[kExecSenseArea + 14], 0x77) << "at most SRB_SenseLen bytes are copied back";
  EXPECT_EQ(r[kExecSenseArea + 15], 0x77);
}

TEST_F(AspiRequests, BusyDeviceIsAnErrorWithItsStatus) {
  io.devices[0].scsi_status = 0x08;
  Record r = SetCdSpeed(0, 0, 4);
  AcceptRequest(table, timeouts, r.data());
  EXPECT_EQ(ExecuteRequest(table, io, r.data(), buffers.resolver()), SS_ERR);
  EXPECT_EQ(r[kExecTargStat], 0x08);
}

TEST_F(AspiRequests, FailuresOfTheRoadMapToHostAdapterStatus) {
  struct Case {
    const char* what;
    void (*arrange)(testing::FakeDevice&);
    uint8_t ha_stat;
  } const cases[] = {
      {"refused", [](testing::FakeDevice& d) { d.outcome = IoOutcome::kRefused; }, HASTAT_OK},
      {"timeout", [](testing::FakeDevice& d) { d.outcome = IoOutcome::kTimeout; }, HASTAT_COMMAND_TIMEOUT},
      {"gone during the command", [](testing::FakeDevice& d) { d.outcome = IoOutcome::kGone; },
       HASTAT_SEL_TO},
      {"unplugged", [](testing::FakeDevice& d) { d.present = false; }, HASTAT_SEL_TO},
      {"lost, and opening it again refused",
       [](testing::FakeDevice& d) {
         d.present = false;
         d.refuses_open = true;
       },
       HASTAT_OK},
      {"another drive now under its name", [](testing::FakeDevice& d) { d.address.target = 2; },
       HASTAT_SEL_TO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDeviceIo local;
    local.Add({"\\\\.\\CdRom0"}, {1, 0, 0, 0});
    DeviceTable t = DeviceTable::Discover(local);
    local.sent.clear();
    c.arrange(local.devices[0]);
    std::vector<uint8_t> data(8);
    Record r = Exec(0x28, SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT, 10, 8, buffers.Add(data));
    r[kExecSenseLen] = 14;
    std::fill_n(&r[kExecSenseArea], 16, 0x77);  // sense of the record's previous use
    ASSERT_EQ(AcceptRequest(t, timeouts, r.data()), SS_PENDING);
    EXPECT_EQ(ExecuteRequest(t, local, r.data(), buffers.resolver()), SS_ERR);
    EXPECT_EQ(r[kExecHaStat], c.ha_stat);
    EXPECT_EQ(r[kExecTargStat], 0);
    EXPECT_EQ(std::vector<uint8_t>(&r[kExecSenseArea], &r[kExecSenseArea + 15]),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x77}));
    EXPECT_EQ(SrbView(r.data()).dword(kExecBufLen), 8u) << "nothing transferred";
  }
}

TEST_F(AspiRequests, CommandsTheSystemDoesNotAllowAreASecurityViolationNotADriveError) {
  // A drive that may be opened for reading only: found, but every state-changing command is refused
  // before it reaches the drive; or one the process may not open at all.
  for (bool open_denied : {false, true}) {
    SCOPED_TRACE(open_denied ? "open denied" : "command denied");
    FakeDeviceIo local;
    local.Add({"\\\\.\\CdRom0"}, {1, 0, 0, 0});
    DeviceTable t = DeviceTable::Discover(local);
    if (open_denied) {  // after the handle it was found with was lost
      local.devices[0].present = false;
      local.devices[0].denies_open = true;
    } else {
      local.devices[0].outcome = IoOutcome::kDenied;
    }
    Record r = SetCdSpeed(0, 0, 52);
    ASSERT_EQ(AcceptRequest(t, timeouts, r.data()), SS_PENDING);
    EXPECT_EQ(ExecuteRequest(t, local, r.data(), buffers.resolver()), SS_SECURITY_VIOLATION);
    EXPECT_EQ(r[kExecHaStat], HASTAT_OK);
    EXPECT_EQ(r[kExecTargStat], 0);
  }
}

TEST_F(AspiRequests, ReplugAtTheSameAddressIsServedAgain) {
  io.devices[0].present = false;
  Record r = SetCdSpeed(0, 0, 52);
  AcceptRequest(table, timeouts, r.data());
  EXPECT_EQ(ExecuteRequest(table, io, r.data(), buffers.resolver()), SS_ERR);
  io.devices[0].present = true;
  r = SetCdSpeed(0, 0, 52);
  AcceptRequest(table, timeouts, r.data());
  EXPECT_EQ(ExecuteRequest(table, io, r.data(), buffers.resolver()), SS_COMP);
}

TEST_F(AspiRequests, DeviceStaysOpenBetweenCommandsAndIsOpenedAgainOnlyAfterItWasLost) {
  for (int i = 0; i < 3; ++i) {
    Record r = SetCdSpeed(0, 0, 52);
    AcceptRequest(table, timeouts, r.data());
    EXPECT_EQ(ExecuteRequest(table, io, r.data(), buffers.resolver()), SS_COMP);
  }
  EXPECT_TRUE(io.opened.empty()) << "the handle found at discovery serves every command";
  // Lost: one attempt to open it again. Back: opened once more, then kept again.
  const auto send = [&] {
    Record r = SetCdSpeed(0, 0, 52);
    AcceptRequest(table, timeouts, r.data());
    return ExecuteRequest(table, io, r.data(), buffers.resolver());
  };
  io.devices[0].present = false;
  EXPECT_EQ(send(), SS_ERR);
  EXPECT_EQ(io.opened.size(), 1u);
  io.devices[0].present = true;
  EXPECT_EQ(send(), SS_COMP);
  EXPECT_EQ(send(), SS_COMP);
  EXPECT_EQ(io.opened, (std::vector<std::string>{"\\\\.\\CdRom0", "\\\\.\\CdRom0"}));
  EXPECT_EQ(io.sent.size(), 5u);
}

TEST_F(AspiRequests, MemoryTheCallerDoesNotOwnIsAnErrorStatusAndNothingIsSent) {
  Record r = Exec(0x28, SRB_DIR_IN, 10, 0x10000, 0x1000);
  ASSERT_EQ(AcceptRequest(table, timeouts, r.data()), SS_PENDING);
  const BufferResolver unmapped = [](uint32_t, uint32_t, DataDirection) { return std::span<uint8_t>(); };
  EXPECT_EQ(ExecuteRequest(table, io, r.data(), unmapped), SS_INVALID_SRB);
  EXPECT_TRUE(io.sent.empty());
}

TEST_F(AspiRequests, ResetGoesToTheDeviceAndReportsWhatTheSystemSaid) {
  Record r{};
  r[kSrbCmd] = SC_RESET_DEV;
  r[kResetTarget] = 0;
  ASSERT_EQ(AcceptRequest(table, timeouts, r.data()), SS_PENDING);
  EXPECT_EQ(ResetRequest(table, io, r.data()), SS_COMP);
  EXPECT_EQ(io.devices[0].resets, 1);
  io.devices[0].reset_outcome = IoOutcome::kRefused;
  EXPECT_EQ(ResetRequest(table, io, r.data()), SS_ERR);
  r[kResetTarget] = 3;
  EXPECT_EQ(AcceptRequest(table, timeouts, r.data()), SS_NO_DEVICE);
}

// ---- hostile records ---------------------------------------------------------------------------

TEST_F(AspiRequests, EveryHeaderCombinationIsAnsweredWithinTheRecord) {
  // Whatever the header says, the layer writes only inside the 80-byte record (ASan watches) and
  // always leaves a status that is a known code.
  const std::set<uint8_t> known{SS_PENDING,   SS_COMP,        SS_INVALID_CMD,  SS_INVALID_HA,
                                SS_NO_DEVICE, SS_INVALID_SRB, SS_BUFFER_TO_BIG};
  for (int cmd = 0; cmd < 256; cmd += 1) {
    for (int ha : {0, 1, 2, 255}) {
      auto record = std::make_unique<Record>();
      Record& r = *record;
      r.fill(0xA5);
      r[kSrbCmd] = static_cast<uint8_t>(cmd);
      r[kSrbHaId] = static_cast<uint8_t>(ha);
      r[kExecSenseLen] = 16;
      r[kExecCdbLen] = 16;
      SrbView(r.data()).set_dword(kExecBufLen, 0);
      const uint8_t status = AcceptRequest(table, timeouts, r.data());
      EXPECT_TRUE(known.count(status)) << cmd << " " << ha;
      EXPECT_EQ(status, r[kSrbStatus]);
    }
  }
}

}  // namespace
}  // namespace qs::aspi
