#include "aspi/spti_device_io.h"

#include <algorithm>
#include <cstring>

#include "common/unique_handle.h"

namespace qs::aspi {
namespace {

// Class device names are numbered densely but may have gaps after a drive is removed.
constexpr int kMaxClassDevices = 26;
// Not in every SDK's headers: "no such device exists" (a drive removed while open).
constexpr DWORD kErrorNoSuchDevice = 433;
// \\.\ScsiN: names are dense, but a port removed (a USB bridge) leaves a gap.
constexpr int kMaxPorts = 64;

struct VirtualFreeFn {
  void operator()(void* p) const noexcept { ::VirtualFree(p, 0, MEM_RELEASE); }
};
using UniqueVirtual = UniqueAny<void*, VirtualFreeFn>;

bool RunningOnWine() {
  static const bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

UCHAR DataInOf(DataDirection direction) {
  switch (direction) {
    case DataDirection::kIn:
      return SCSI_IOCTL_DATA_IN;
    case DataDirection::kOut:
      return SCSI_IOCTL_DATA_OUT;
    default:
      return SCSI_IOCTL_DATA_UNSPECIFIED;
  }
}

class SptiChannel : public DeviceChannel {
 public:
  SptiChannel(UniqueFile file, bool write_access) : file_(std::move(file)), write_access_(write_access) {}

  std::optional<DeviceAddress> Address() override {
    SCSI_ADDRESS address{};
    address.Length = sizeof address;
    DWORD returned = 0;
    if (!::DeviceIoControl(file_.get(), IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address,
                           &returned, nullptr)) {
      return std::nullopt;
    }
    return DeviceAddress{address.PortNumber, address.PathId, address.TargetId, address.Lun};
  }

  TransferLimits Limits() override {
    TransferLimits limits;
    // Wine answers both questions with fixed placeholders (32 KiB, "page-aligned") that its own
    // pass-through does not keep to; the defaults serve there.
    if (RunningOnWine()) return limits;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageAdapterProperty;
    query.QueryType = PropertyStandardQuery;
    STORAGE_ADAPTER_DESCRIPTOR adapter{};
    IO_SCSI_CAPABILITIES caps{};
    DWORD returned = 0;
    uint32_t most = 0, pages = 0, mask = 0;
    if (::DeviceIoControl(file_.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &adapter, sizeof adapter,
                          &returned, nullptr) &&
        returned >= offsetof(STORAGE_ADAPTER_DESCRIPTOR, AdapterUsesPio)) {
      most = adapter.MaximumTransferLength;
      pages = adapter.MaximumPhysicalPages;
      mask = adapter.AlignmentMask;
    } else if (::DeviceIoControl(file_.get(), IOCTL_SCSI_GET_CAPABILITIES, nullptr, 0, &caps, sizeof caps,
                                 &returned, nullptr)) {
      most = caps.MaximumTransferLength;
      pages = caps.MaximumPhysicalPages;
      mask = caps.AlignmentMask;
    } else {
      return limits;
    }
    return LimitsOfAdapter(most, pages, mask);
  }

  IoOutcome Reset() override {
    DWORD returned = 0;
    if (::DeviceIoControl(file_.get(), IOCTL_STORAGE_RESET_DEVICE, nullptr, 0, nullptr, 0, &returned, nullptr)) {
      return IoOutcome::kOk;
    }
    return OutcomeOfError(::GetLastError(), write_access_);
  }

  PassThroughResult PassThrough(const PassThroughRequest& request) override {
    PassThroughResult result;
    // The caller's buffer goes to the port driver as it is when it suits the adapter; otherwise
    // through this device's own page-aligned buffer, made once and kept.
    const size_t length = request.data.size();
    uint8_t* buffer = request.data.data();
    const bool direct = !NeedsAlignedBuffer(reinterpret_cast<uintptr_t>(buffer), length, limits_);
    if (!direct) {
      if (bounce_size_ < length) {
        bounce_.reset(::VirtualAlloc(nullptr, length, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        bounce_size_ = bounce_ ? length : 0;
        if (!bounce_) {
          result.outcome = IoOutcome::kRefused;
          return result;
        }
      }
      buffer = static_cast<uint8_t*>(bounce_.get());
      if (request.direction != DataDirection::kIn) std::memcpy(buffer, request.data.data(), length);
    }
    SptdWithSense block;
    FillPassThroughDirect(request, length ? buffer : nullptr, block);
    DWORD returned = 0;
    if (!::DeviceIoControl(file_.get(), IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof block, &block,
                           sizeof block, &returned, nullptr)) {
      result.outcome = OutcomeOfError(::GetLastError(), write_access_);
      return result;
    }
    result.scsi_status = block.sptd.ScsiStatus;
    result.transferred = std::min<ULONG>(block.sptd.DataTransferLength, static_cast<ULONG>(length));
    const size_t sense = std::min<size_t>(block.sptd.SenseInfoLength, request.sense_length);
    if (result.scsi_status != 0) result.sense.assign(block.sense, block.sense + sense);
    if (!direct && request.direction == DataDirection::kIn && result.transferred != 0) {
      std::memcpy(request.data.data(), buffer, result.transferred);
    }
    return result;
  }

 private:
  UniqueFile file_;
  bool write_access_;
  TransferLimits limits_ = Limits();
  UniqueVirtual bounce_;
  size_t bounce_size_ = 0;
};

class SptiDeviceIo : public DeviceIo {
 public:
  std::vector<std::string> CandidatePaths() override {
    std::vector<std::string> paths;
    for (int i = 0; i < kMaxClassDevices; ++i) {
      std::string path = "\\\\.\\CdRom";
      path += std::to_string(i);
      paths.push_back(std::move(path));
    }
    const DWORD drives = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
      if (!(drives & (1u << i))) continue;
      const wchar_t root[] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', 0};
      if (::GetDriveTypeW(root) == DRIVE_CDROM) paths.push_back(std::string("\\\\.\\") + char('A' + i) + ':');
    }
    return paths;
  }

  // Every \\.\ScsiN: port and its bus count. Opened without access rights: listing the buses
  // needs none, so that a process without administrator rights sees the same numbering.
  std::vector<PortBuses> Ports() override {
    std::vector<PortBuses> ports;
    std::vector<uint8_t> answer(64 * 1024);
    for (int port = 0; port < kMaxPorts; ++port) {
      const std::wstring name = L"\\\\.\\Scsi" + std::to_wstring(port) + L":";
      UniqueFile file(::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
      if (!file) continue;
      DWORD returned = 0;
      if (!::DeviceIoControl(file.get(), IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0, answer.data(),
                             static_cast<DWORD>(answer.size()), &returned, nullptr) ||
          returned < sizeof(SCSI_ADAPTER_BUS_INFO)) {
        // A port that will not list its buses still has one.
        ports.push_back({static_cast<uint8_t>(port), 1});
        continue;
      }
      const auto* info = reinterpret_cast<const SCSI_ADAPTER_BUS_INFO*>(answer.data());
      ports.push_back({static_cast<uint8_t>(port), std::max<uint8_t>(info->NumberOfBuses, uint8_t{1})});
    }
    return ports;
  }

  OpenResult Open(const std::string& path) override {
    const std::wstring name = Widen(path);
    // Pass-through needs read and write access; without it, read access still gives the address.
    // (On Linux under Wine: a drive node the user may only read, such as /dev/sr0 with mode 0640 for
    // a member of its group; every command that changes the drive's state is then refused.)
    bool write_access = true;
    HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
      write_access = false;
      h = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, 0, nullptr);
    }
    if (h == INVALID_HANDLE_VALUE) return {nullptr, OutcomeOfError(::GetLastError())};
    return {std::make_unique<SptiChannel>(UniqueFile(h), write_access), IoOutcome::kOk};
  }
};

}  // namespace

void FillPassThroughDirect(const PassThroughRequest& request, void* data_buffer, SptdWithSense& out) {
  std::memset(&out, 0, sizeof out);
  SCSI_PASS_THROUGH_DIRECT& s = out.sptd;
  s.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  // Path, target and LUN are filled in by the class driver for the device the handle names.
  s.CdbLength = std::min<UCHAR>(request.cdb_length, sizeof s.Cdb);
  std::memcpy(s.Cdb, request.cdb.data(), s.CdbLength);
  s.SenseInfoLength = request.sense_length;
  s.SenseInfoOffset = kSenseOffset;
  s.DataIn = DataInOf(request.direction);
  s.DataTransferLength = data_buffer ? static_cast<ULONG>(request.data.size()) : 0;
  s.DataBuffer = data_buffer;
  s.TimeOutValue = request.timeout_seconds;
}

IoOutcome OutcomeOfError(DWORD error, bool write_access) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return IoOutcome::kDenied;
    case ERROR_OPERATION_ABORTED:
      return IoOutcome::kCancelled;
    case ERROR_SEM_TIMEOUT:
    case ERROR_TIMEOUT:
      return IoOutcome::kTimeout;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_INVALID_HANDLE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case kErrorNoSuchDevice:
    case ERROR_DEVICE_REMOVED:
      return IoOutcome::kGone;
    default:
      return write_access ? IoOutcome::kRefused : IoOutcome::kDenied;
  }
}

std::unique_ptr<DeviceIo> MakeSptiDeviceIo() { return std::make_unique<SptiDeviceIo>(); }

}  // namespace qs::aspi
