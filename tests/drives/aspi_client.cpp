// A small ASPI program of our own, written the way real ones are, run in the drive tier's guest on
// the installed layer: it finds D:, E: and F: with SC_HA_INQUIRY and SC_GET_DISK_INFO, confirms the
// type, reads the TOC and every sector of the disc with event notification into a buffer from
// GetASPI32Buffer and compares them with the image, aborts one request, sets a timeout and rescans.
// Prints one line of facts per drive for check.py. Usage: aspi_client.exe IMAGE LETTERS
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

#pragma pack(push, 1)
struct Header {
  uint8_t cmd, status, ha, flags;
  uint32_t reserved;
};
struct HaInquiry {
  Header h;
  uint8_t count, scsi_id;
  char manager[16], identifier[16];
  uint8_t unique[16];
  uint16_t rsvd;
};
struct DevType {
  Header h;
  uint8_t target, lun, type, rsvd;
};
struct DiskInfo {
  Header h;
  uint8_t target, lun, drive_flags, int13, heads, sectors, rsvd[10];
};
struct Exec {
  Header h;
  uint8_t target, lun;
  uint16_t rsvd1;
  uint32_t buf_len;
  uint8_t* buf;
  uint8_t sense_len, cdb_len, ha_stat, targ_stat;
  void* post;
  uint32_t rsvd2;
  uint8_t rsvd3[16], cdb[16], sense[16];
};
struct Abort {
  Header h;
  void* to_abort;
};
struct Timeouts {
  Header h;
  uint8_t target, lun;
  uint32_t half_seconds;
};
struct Buff {
  uint8_t* pointer;
  uint32_t length, zero_fill, reserved;
};
#pragma pack(pop)
static_assert(sizeof(Exec) == 80 && sizeof(HaInquiry) == 60 && sizeof(Timeouts) == 14);

using SupportFn = DWORD(__cdecl*)();
using SendFn = DWORD(__cdecl*)(void*);
using BuffFn = BOOL(__cdecl*)(Buff*);
SendFn g_send;

constexpr uint8_t kComp = 1, kPending = 0, kAborted = 2, kAbortFail = 3;
constexpr uint32_t kChunk = 64 * 1024;

template <typename Fn>
Fn Export(HMODULE m, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(m, name)));
}

uint8_t StatusOf(const Header& h) { return reinterpret_cast<const volatile Header&>(h).status; }

// Sends a request with event notification and waits for it, as the interface recommends.
uint8_t Run(Exec& e, HANDLE event) {
  e.h.flags |= 0x40;
  e.post = event;
  ::ResetEvent(event);
  if (g_send(&e) == kPending) ::WaitForSingleObject(event, INFINITE);
  return StatusOf(e.h);
}

Exec Read10(uint8_t ha, uint8_t target, uint32_t lba, uint16_t blocks, uint8_t* buffer) {
  Exec e{};
  e.h.cmd = 2;
  e.h.ha = ha;
  e.h.flags = 0x08;
  e.target = target;
  e.buf_len = blocks * 2048u;
  e.buf = buffer;
  e.sense_len = 14;
  e.cdb_len = 10;
  const uint8_t cdb[10] = {0x28, 0, uint8_t(lba >> 24), uint8_t(lba >> 16), uint8_t(lba >> 8), uint8_t(lba),
                           0, uint8_t(blocks >> 8), uint8_t(blocks), 0};
  std::memcpy(e.cdb, cdb, 10);
  return e;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  HMODULE layer = ::LoadLibraryA("WNASPI32.DLL");
  if (!layer) {
    std::printf("{\"error\": \"no layer\"}\n");
    return 1;
  }
  auto support = Export<SupportFn>(layer, "GetASPI32SupportInfo");
  g_send = Export<SendFn>(layer, "SendASPI32Command");
  auto get_buffer = Export<BuffFn>(layer, "GetASPI32Buffer");
  auto free_buffer = Export<BuffFn>(layer, "FreeASPI32Buffer");
  if (!support || !g_send || !get_buffer || !free_buffer) {
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
  int failures = 0;
  for (const char* letter = argv[2]; *letter; ++letter) {
    std::string line = std::string("{\"letter\": \"") + *letter + "\"";
    auto add = [&](const char* key, long long value) { line += std::string(", \"") + key + "\": " + std::to_string(value); };
    // Find the letter's address, as CD libraries do: every adapter, every target, the letter's index.
    int ha = -1, target = -1;
    uint32_t max_transfer = 0;
    for (unsigned a = 0; a < adapters && ha < 0; ++a) {
      HaInquiry inq{};
      inq.h.ha = static_cast<uint8_t>(a);
      g_send(&inq);
      if (inq.h.status != kComp) continue;
      const unsigned targets = inq.unique[3] ? inq.unique[3] : 8;
      for (unsigned t = 0; t < targets && ha < 0; ++t) {
        DiskInfo disk{};
        disk.h.cmd = 6;
        disk.h.ha = static_cast<uint8_t>(a);
        disk.target = static_cast<uint8_t>(t);
        g_send(&disk);
        if (disk.h.status == kComp && disk.int13 == *letter - 'A') {
          ha = static_cast<int>(a);
          target = static_cast<int>(t);
          std::memcpy(&max_transfer, inq.unique + 4, 4);
        }
      }
    }
    add("ha", ha);
    add("target", target);
    add("max_transfer", max_transfer);
    if (ha < 0) {
      std::printf("%s}\n", line.c_str());
      ++failures;
      continue;
    }
    DevType dev{};
    dev.h.cmd = 1;
    dev.h.ha = static_cast<uint8_t>(ha);
    dev.target = static_cast<uint8_t>(target);
    g_send(&dev);
    add("type", dev.h.status == kComp ? dev.type : -1);

    // A timeout of 30 s for this target, read back.
    Timeouts set{};
    set.h.cmd = 8;
    set.h.ha = static_cast<uint8_t>(ha);
    set.h.flags = 0x10;
    set.target = static_cast<uint8_t>(target);
    set.half_seconds = 60;
    g_send(&set);
    Timeouts get = set;
    get.h.flags = 0x08;
    get.half_seconds = 0;
    g_send(&get);
    add("timeout_set", set.h.status == kComp && get.h.status == kComp ? get.half_seconds : -1);

    // READ TOC, format 0: the tracks.
    Exec toc{};
    toc.h.cmd = 2;
    toc.h.ha = static_cast<uint8_t>(ha);
    toc.h.flags = 0x08;
    toc.target = static_cast<uint8_t>(target);
    toc.buf_len = 804;
    toc.buf = buff.pointer;
    toc.sense_len = 14;
    toc.cdb_len = 10;
    const uint8_t toc_cdb[10] = {0x43, 0, 0, 0, 0, 0, 1, 0x03, 0x24, 0};
    std::memcpy(toc.cdb, toc_cdb, 10);
    const uint8_t toc_status = Run(toc, event);
    const int tracks = toc_status == kComp ? buff.pointer[3] - buff.pointer[2] + 1 : -1;
    add("toc_tracks", tracks);

    // Every sector, 64 KiB at a time, compared with the image.
    const uint32_t sectors = static_cast<uint32_t>(image.size() / 2048);
    uint32_t read = 0, mismatched = 0;
    const ULONGLONG started = ::GetTickCount64();
    for (uint32_t lba = 0; lba < sectors;) {
      const auto blocks = static_cast<uint16_t>(std::min<uint32_t>(kChunk / 2048, sectors - lba));
      Exec e = Read10(static_cast<uint8_t>(ha), static_cast<uint8_t>(target), lba, blocks, buff.pointer);
      if (Run(e, event) != kComp) break;
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
    g_send(&first);
    g_send(&second);
    Abort abort{};
    abort.h.cmd = 3;
    abort.h.ha = static_cast<uint8_t>(ha);
    abort.to_abort = &second;
    g_send(&abort);
    const uint8_t after = StatusOf(second.h);
    while (StatusOf(first.h) == kPending) ::Sleep(1);
    add("abort", abort.h.status);
    add("aborted_status", after);
    const bool abort_ok = (abort.h.status == kComp && after == kAborted) || (abort.h.status == kAbortFail && after == kComp);

    // A rescan, then the letter again at the same place.
    Header rescan{};
    rescan.cmd = 7;
    rescan.ha = static_cast<uint8_t>(ha);
    g_send(&rescan);
    DiskInfo again{};
    again.h.cmd = 6;
    again.h.ha = static_cast<uint8_t>(ha);
    again.target = static_cast<uint8_t>(target);
    g_send(&again);
    add("rescan", rescan.status == kComp && again.h.status == kComp && again.int13 == *letter - 'A');
    std::printf("%s}\n", line.c_str());
    const bool ok = dev.type == 5 && get.half_seconds == 60 && tracks >= 1 && read == sectors && mismatched == 0 &&
                    abort_ok && rescan.status == kComp;
    if (!ok) ++failures;
  }
  free_buffer(&buff);
  ::FreeLibrary(layer);
  return failures == 0 ? 0 : 1;
}
