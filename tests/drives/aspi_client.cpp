// A small ASPI program of our own, written the way real ones are, run in the drive tier's guest on
// the installed layer: it finds D:, E: and F: with SC_HA_INQUIRY and SC_GET_DISK_INFO, compares that
// place with the address the system gives the letter, confirms the type, reads the TOC and every
// sector of the disc with event notification into a buffer from GetASPI32Buffer and compares them
// with the image, aborts one request, sets timeouts (for all devices, then per target) and rescans.
// Last it frees the library with a read in flight on every drive, loads it again and reads once
// more. Prints one line of facts per drive for check.py. Usage: aspi_client.exe IMAGE LETTERS
#include <windows.h>
// Lean Windows headers leave out the device I/O codes the SCSI header builds on.
#include <winioctl.h>
#include <ntddscsi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "aspi_app.h"

using namespace aspi_app;

namespace {

struct SystemAddress {
  bool known = false;
  SCSI_ADDRESS address{};
  bool port_listed = false;  // \\.\ScsiN: opens: the layer numbers adapters as the system does
};

// What a program that skips the layer's own search asks: the letter's SCSI address.
SystemAddress AddressOf(char letter) {
  SystemAddress result;
  const char name[] = {'\\', '\\', '.', '\\', letter, ':', 0};
  HANDLE h = ::CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) return result;
  DWORD returned = 0;
  result.address.Length = sizeof result.address;
  result.known = ::DeviceIoControl(h, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &result.address,
                                   sizeof result.address, &returned, nullptr) != FALSE;
  ::CloseHandle(h);
  const std::string port = "\\\\.\\Scsi" + std::to_string(result.address.PortNumber) + ":";
  HANDLE p =
      ::CreateFileA(port.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  result.port_listed = p != INVALID_HANDLE_VALUE;
  if (result.port_listed) ::CloseHandle(p);
  return result;
}

struct Drive {
  char letter = 0;
  int ha = -1, target = -1;
  std::string line;
  bool ok = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  HMODULE layer = ::LoadLibraryA("WNASPI32.DLL");
  if (!layer) {
    std::printf("{\"error\": \"no layer\"}\n");
    return 1;
  }
  auto support = Export<SupportFn>(layer, "GetASPI32SupportInfo");
  const auto send_srb = Export<SendFn>(layer, "SendASPI32Command");
  auto get_buffer = Export<BuffFn>(layer, "GetASPI32Buffer");
  auto free_buffer = Export<BuffFn>(layer, "FreeASPI32Buffer");
  if (!support || !send_srb || !get_buffer || !free_buffer) {
    std::printf("{\"error\": \"exports missing\"}\n");
    return 1;
  }
  HANDLE file = ::CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  std::vector<uint8_t> image(::GetFileSize(file, nullptr));
  DWORD got = 0;
  ::ReadFile(file, image.data(), static_cast<DWORD>(image.size()), &got, nullptr);
  ::CloseHandle(file);

  const DWORD word = support();
  const unsigned adapters = (word >> 8 & 0xFF) == kComp ? word & 0xFF : 0;
  HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Buff buff{nullptr, kChunk, 1, 0};
  if (!get_buffer(&buff)) {
    std::printf("{\"error\": \"GetASPI32Buffer failed\"}\n");
    return 1;
  }
  // 10 s for every device, as emulators set it: 0xFF for adapter, target and LUN.
  Timeouts all{};
  all.h.cmd = 8;
  all.h.ha = 0xFF;
  all.h.flags = 0x10;
  all.target = all.lun = 0xFF;
  all.half_seconds = 20;
  send_srb(&all);

  std::vector<Drive> drives;
  for (const char* letter = argv[2]; *letter; ++letter) {
    Drive& drive = drives.emplace_back();
    drive.letter = *letter;
    std::string& line = drive.line;
    line = std::string("{\"letter\": \"") + *letter + "\"";
    auto add = [&](const char* key, long long value) { line += std::string(", \"") + key + "\": " + std::to_string(value); };
    // Find the letter's address, as CD libraries do: every adapter, every target, the letter's index.
    int ha = -1, target = -1;
    uint32_t max_transfer = 0;
    std::string identifier;
    for (unsigned a = 0; a < adapters && ha < 0; ++a) {
      HaInquiry inq{};
      inq.h.ha = static_cast<uint8_t>(a);
      send_srb(&inq);
      if (inq.h.status != kComp) continue;
      const unsigned targets = inq.unique[3] ? inq.unique[3] : 8;
      for (unsigned t = 0; t < targets && ha < 0; ++t) {
        DiskInfo disk{};
        disk.h.cmd = 6;
        disk.h.ha = static_cast<uint8_t>(a);
        disk.target = static_cast<uint8_t>(t);
        send_srb(&disk);
        if (disk.h.status == kComp && disk.int13 == *letter - 'A') {
          ha = static_cast<int>(a);
          target = static_cast<int>(t);
          std::memcpy(&max_transfer, inq.unique + 4, 4);
          identifier.assign(inq.identifier, strnlen(inq.identifier, sizeof inq.identifier));
        }
      }
    }
    add("ha", ha);
    add("target", target);
    add("max_transfer", max_transfer);
    // The same drive where the system places it: target and LUN as it says, and the adapter the
    // system's port and bus (its number where the system lists ports, else named by the adapter).
    const SystemAddress system = AddressOf(*letter);
    const SCSI_ADDRESS& a = system.address;
    char expected[32];
    if (a.PathId == 0) {
      std::snprintf(expected, sizeof expected, "SPTI port %u", unsigned{a.PortNumber});
    } else {
      std::snprintf(expected, sizeof expected, "SPTI %u:%u", unsigned{a.PortNumber}, unsigned{a.PathId});
    }
    const bool address_match = system.known && ha >= 0 && a.TargetId == target && a.Lun == 0 &&
                               identifier == expected &&
                               (!system.port_listed || a.PathId != 0 || ha == a.PortNumber);
    add("address", system.known
                       ? static_cast<long long>(a.PortNumber) << 24 | a.PathId << 16 | a.TargetId << 8 | a.Lun
                       : -1);
    add("port_listed", system.port_listed);
    add("address_match", address_match);
    if (ha < 0) continue;
    drive.ha = ha;
    drive.target = target;
    DevType dev{};
    dev.h.cmd = 1;
    dev.h.ha = static_cast<uint8_t>(ha);
    dev.target = static_cast<uint8_t>(target);
    send_srb(&dev);
    add("type", dev.h.status == kComp ? dev.type : -1);

    // The timeout set for all, read back; then 30 s for this target, read back.
    Timeouts all_back{};
    all_back.h.cmd = 8;
    all_back.h.ha = static_cast<uint8_t>(ha);
    all_back.h.flags = 0x08;
    all_back.target = static_cast<uint8_t>(target);
    send_srb(&all_back);
    add("timeout_all", all.h.status == kComp && all_back.h.status == kComp ? all_back.half_seconds : -1);
    Timeouts set{};
    set.h.cmd = 8;
    set.h.ha = static_cast<uint8_t>(ha);
    set.h.flags = 0x10;
    set.target = static_cast<uint8_t>(target);
    set.half_seconds = 60;
    send_srb(&set);
    Timeouts get = set;
    get.h.flags = 0x08;
    get.half_seconds = 0;
    send_srb(&get);
    add("timeout_set", set.h.status == kComp && get.h.status == kComp ? get.half_seconds : -1);

    // READ TOC, format 0: the tracks.
    const uint8_t toc_cdb[10] = {0x43, 0, 0, 0, 0, 0, 1, 0x03, 0x24, 0};
    Exec toc = DataIn(static_cast<uint8_t>(ha), static_cast<uint8_t>(target), toc_cdb, 804, buff.pointer);
    const uint8_t toc_status = Run(send_srb, toc, event);
    const int tracks = toc_status == kComp ? buff.pointer[3] - buff.pointer[2] + 1 : -1;
    add("toc_tracks", tracks);

    // Every sector, 64 KiB at a time, compared with the image.
    const uint32_t sectors = static_cast<uint32_t>(image.size() / 2048);
    uint32_t read = 0, mismatched = 0;
    const ULONGLONG started = ::GetTickCount64();
    for (uint32_t lba = 0; lba < sectors;) {
      const auto blocks = static_cast<uint16_t>(std::min<uint32_t>(kChunk / 2048, sectors - lba));
      Exec e = Read10(static_cast<uint8_t>(ha), static_cast<uint8_t>(target), lba, blocks, buff.pointer);
      if (Run(send_srb, e, event) != kComp) break;
      if (std::memcmp(buff.pointer, image.data() + size_t{lba} * 2048, blocks * 2048u) != 0) ++mismatched;
      lba += blocks;
      read = lba;
    }
    const ULONGLONG ms = ::GetTickCount64() - started;
    add("sectors", sectors);
    add("read", read);
    add("mismatched_chunks", mismatched);
    add("ms", static_cast<long long>(ms));

    // Two reads sent together; the second is aborted. Once the abort returns, its status is final.
    std::vector<uint8_t> other(kChunk);
    Exec first = Read10(static_cast<uint8_t>(ha), static_cast<uint8_t>(target), 0, 32, buff.pointer);
    Exec second = Read10(static_cast<uint8_t>(ha), static_cast<uint8_t>(target), 32, 32, other.data());
    const DWORD first_sent = Post(send_srb, first, event);
    send_srb(&second);
    Abort abort{};
    abort.h.cmd = 3;
    abort.h.ha = static_cast<uint8_t>(ha);
    abort.to_abort = &second;
    send_srb(&abort);
    const uint8_t after = StatusOf(second.h);
    if (first_sent == kPending) ::WaitForSingleObject(event, INFINITE);
    add("abort", abort.h.status);
    add("aborted_status", after);
    const bool abort_ok = (abort.h.status == kComp && after == kAborted) || (abort.h.status == kAbortFail && after == kComp);

    // A rescan, then the letter again at the same place.
    Header rescan{};
    rescan.cmd = 7;
    rescan.ha = static_cast<uint8_t>(ha);
    send_srb(&rescan);
    DiskInfo again{};
    again.h.cmd = 6;
    again.h.ha = static_cast<uint8_t>(ha);
    again.target = static_cast<uint8_t>(target);
    send_srb(&again);
    add("rescan", rescan.status == kComp && again.h.status == kComp && again.int13 == *letter - 'A');
    drive.ok = address_match && dev.type == 5 && all_back.half_seconds == 20 && get.half_seconds == 60 &&
               tracks >= 1 && read == sectors && mismatched == 0 && abort_ok && rescan.status == kComp;
  }
  free_buffer(&buff);

  // Freed with a read in flight on every drive, as CD libraries do on every close; the records and
  // events stay ours until the process ends, whatever the old layer does with them.
  const uint32_t sectors = static_cast<uint32_t>(image.size() / 2048);
  const auto blocks = static_cast<uint16_t>(std::min<uint32_t>(32, sectors));
  std::vector<std::vector<uint8_t>> in_flight_data(drives.size(), std::vector<uint8_t>(kChunk));
  std::vector<Exec> in_flight(drives.size());
  for (size_t i = 0; i < drives.size(); ++i) {
    if (drives[i].ha < 0) continue;
    in_flight[i] = Read10(static_cast<uint8_t>(drives[i].ha), static_cast<uint8_t>(drives[i].target), 0,
                          blocks, in_flight_data[i].data());
    Post(send_srb, in_flight[i], ::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  }
  ::FreeLibrary(layer);
  layer = ::LoadLibraryA("WNASPI32.DLL");
  const auto support_again = layer ? Export<SupportFn>(layer, "GetASPI32SupportInfo") : nullptr;
  const auto send_again = layer ? Export<SendFn>(layer, "SendASPI32Command") : nullptr;
  const DWORD word_again = support_again ? support_again() : 0;
  HANDLE done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::vector<uint8_t> data(kChunk);
  int failures = 0;
  for (Drive& drive : drives) {
    bool reloaded = false;
    if (drive.ha >= 0 && send_again && (word_again >> 8 & 0xFF) == kComp) {
      Exec e =
          Read10(static_cast<uint8_t>(drive.ha), static_cast<uint8_t>(drive.target), 0, blocks, data.data());
      reloaded =
          Run(send_again, e, done) == kComp && std::memcmp(data.data(), image.data(), blocks * 2048u) == 0;
    }
    drive.line += std::string(", \"reload\": ") + (reloaded ? "1" : "0");
    std::printf("%s}\n", drive.line.c_str());
    if (!drive.ok || !reloaded) ++failures;
  }
  std::fflush(stdout);
  if (layer) ::FreeLibrary(layer);
  return failures == 0 ? 0 : 1;
}
