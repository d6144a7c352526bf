// Throughput of our ASPI layer against direct pass-through, and how long a request to one drive
// waits while another drive is busy. Run in the drive tier's guest (aspi_throughput.sh).
// Usage: aspi_throughput.exe BUSY_LETTER OTHER_LETTER
#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "aspi_app.h"

using namespace aspi_app;

namespace {

SendFn g_send;

struct Address {
  uint8_t ha = 0, target = 0;
  bool found = false;
};

Address Find(char letter, unsigned adapters) {
  for (unsigned a = 0; a < adapters; ++a) {
    for (unsigned t = 0; t < 16; ++t) {
      DiskInfo d{};
      d.h.cmd = 6;
      d.h.ha = static_cast<uint8_t>(a);
      d.target = static_cast<uint8_t>(t);
      g_send(&d);
      if (d.h.status == kComp && d.int13 == letter - 'A') return {static_cast<uint8_t>(a), static_cast<uint8_t>(t), true};
    }
  }
  return {};
}

Exec Read(Address at, uint32_t lba, uint16_t blocks, uint8_t* buffer) {
  return Read10(at.ha, at.target, lba, blocks, buffer);
}

// READ CAPACITY: the number of sectors on the disc.
uint32_t Capacity(Address at, uint8_t* buffer, HANDLE event) {
  const uint8_t cdb[10] = {0x25};
  Exec e = DataIn(at.ha, at.target, cdb, 8, buffer);
  if (Run(g_send, e, event) != kComp) return 0;
  return (uint32_t{buffer[0]} << 24 | uint32_t{buffer[1]} << 16 | uint32_t{buffer[2]} << 8 | buffer[3]) + 1;
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

// With an event, each request is a wait on the event; without one, the caller polls the status (the
// interface's other way), which leaves out the cost of the event itself.
double ThroughLayer(Address at, uint32_t sectors, uint8_t* buffer, HANDLE event) {
  LARGE_INTEGER a, b;
  ::QueryPerformanceCounter(&a);
  for (uint32_t lba = 0; lba < sectors;) {
    const auto blocks = static_cast<uint16_t>(std::min<uint32_t>(kChunk / 2048, sectors - lba));
    Exec e = Read(at, lba, blocks, buffer);
    if (event) {
      if (Run(g_send, e, event) != kComp) return -1;
    } else {
      g_send(&e);
      while (StatusOf(e.h) == kPending) YieldProcessor();
      if (StatusOf(e.h) != kComp) return -1;
    }
    lba += blocks;
  }
  ::QueryPerformanceCounter(&b);
  return Seconds(a, b);
}

double Direct(char letter, uint32_t sectors, uint8_t* buffer) {
  const char name[] = {'\\', '\\', '.', '\\', letter, ':', 0};
  HANDLE h = ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  LARGE_INTEGER a, b;
  ::QueryPerformanceCounter(&a);
  for (uint32_t lba = 0; lba < sectors;) {
    const auto blocks = static_cast<uint16_t>(std::min<uint32_t>(kChunk / 2048, sectors - lba));
    struct {
      SCSI_PASS_THROUGH_DIRECT s;
      uint8_t sense[32];
    } block{};
    block.s.Length = sizeof block.s;
    block.s.CdbLength = 10;
    block.s.SenseInfoLength = 14;
    block.s.SenseInfoOffset = offsetof(decltype(block), sense);
    block.s.DataIn = SCSI_IOCTL_DATA_IN;
    block.s.DataTransferLength = blocks * 2048u;
    block.s.DataBuffer = buffer;
    block.s.TimeOutValue = 20;
    Read10Cdb(block.s.Cdb, lba, blocks);
    DWORD returned = 0;
    if (!::DeviceIoControl(h, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof block, &block, sizeof block,
                           &returned, nullptr) ||
        block.s.ScsiStatus != 0) {
      ::CloseHandle(h);
      return -1;
    }
    lba += blocks;
  }
  ::QueryPerformanceCounter(&b);
  ::CloseHandle(h);
  return Seconds(a, b);
}

// One 2 KiB read of `other`, sent while `busy` has `queued` 64 KiB reads waiting; its wait in ms.
double WaitWhileBusy(Address busy, char busy_letter, Address other, int queued, uint8_t* buffer, uint8_t* small) {
  std::vector<Exec> batch(queued);
  std::vector<HANDLE> events(queued);
  for (int i = 0; i < queued; ++i) {
    events[i] = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    batch[i] = Read(busy, static_cast<uint32_t>(i) * 32, 32, buffer);
  }
  HANDLE mine = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Exec probe = Read(other, 16, 1, small);
  for (int i = 0; i < queued; ++i) Post(g_send, batch[i], events[i]);
  LARGE_INTEGER a, b, c;
  ::QueryPerformanceCounter(&a);
  Run(g_send, probe, mine);
  ::QueryPerformanceCounter(&b);
  ::WaitForMultipleObjects(static_cast<DWORD>(queued), events.data(), TRUE, INFINITE);
  ::QueryPerformanceCounter(&c);
  for (HANDLE e : events) ::CloseHandle(e);
  ::CloseHandle(mine);
  std::printf("  %c: busy with %d queued reads of 64 KiB for %.0f ms\n", busy_letter, queued, Seconds(a, c) * 1000);
  return Seconds(a, b) * 1000;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const char busy_letter = argv[1][0], other_letter = argv[2][0];
  HMODULE layer = ::LoadLibraryA("WNASPI32.DLL");
  auto support = Export<SupportFn>(layer, "GetASPI32SupportInfo");
  g_send = Export<SendFn>(layer, "SendASPI32Command");
  auto get_buffer = Export<BuffFn>(layer, "GetASPI32Buffer");
  if (!support || !g_send || !get_buffer) return 1;
  const DWORD word = support();
  const unsigned adapters = (word >> 8 & 0xFF) == kComp ? word & 0xFF : 0;
  const Address busy = Find(busy_letter, adapters), other = Find(other_letter, adapters);
  if (!busy.found || !other.found) {
    std::printf("drives %c: and %c: not found through the layer\n", busy_letter, other_letter);
    return 1;
  }
  Buff buff{nullptr, kChunk, 0, 0}, small{nullptr, 4096, 0, 0};
  get_buffer(&buff);
  get_buffer(&small);
  HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const uint32_t sectors = Capacity(busy, buff.pointer, event);
  const double mb = sectors * 2048.0 / 1e6;
  std::printf("disc in %c: %u sectors (%.1f MB), read with 64 KiB READ(10), one request at a time\n", busy_letter,
              sectors, mb);
  double best_layer = 1e9, best_polled = 1e9, best_direct = 1e9;
  for (int round = 1; round <= 3; ++round) {
    const double l = ThroughLayer(busy, sectors, buff.pointer, event);
    const double p = ThroughLayer(busy, sectors, buff.pointer, nullptr);
    const double d = Direct(busy_letter, sectors, buff.pointer);
    if (l < 0 || p < 0 || d < 0) {
      std::printf("a read failed (layer %.2f, polled %.2f, direct %.2f)\n", l, p, d);
      return 1;
    }
    std::printf("  round %d: layer %.1f MB/s (polling the status: %.1f MB/s), direct pass-through %.1f MB/s\n",
                round, mb / l, mb / p, mb / d);
    best_layer = std::min(best_layer, l);
    best_polled = std::min(best_polled, p);
    best_direct = std::min(best_direct, d);
  }
  std::printf("layer/direct throughput ratio (best rounds): %.2f (layer %.1f MB/s, direct %.1f MB/s)\n",
              best_direct / best_layer, mb / best_layer, mb / best_direct);
  std::printf("  polling the status instead of an event: %.2f (%.1f MB/s)\n", best_direct / best_polled,
              mb / best_polled);
  const double idle = [&] {
    Exec probe = Read(other, 16, 1, small.pointer);
    LARGE_INTEGER a, b;
    ::QueryPerformanceCounter(&a);
    Run(g_send, probe, event);
    ::QueryPerformanceCounter(&b);
    return Seconds(a, b) * 1000;
  }();
  const double waited = WaitWhileBusy(busy, busy_letter, other, 48, buff.pointer, small.pointer);
  std::printf("a 2 KiB read of %c: while %c: is busy: %.1f ms (%.1f ms with %c: idle)\n", other_letter, busy_letter,
              waited, idle, busy_letter);
  return 0;
}
