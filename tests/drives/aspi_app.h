// What an ASPI program declares for itself, as real ones do: the request records as the interface
// publishes them, the layer's exports, and requests sent with event notification. Shared by our own
// ASPI client (the drive tier) and the throughput benchmark. On purpose not our layer's headers: a
// wrong offset there then shows up here instead of being shared.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace aspi_app {

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

constexpr uint8_t kPending = 0, kComp = 1, kAborted = 2, kAbortFail = 3;
constexpr uint32_t kChunk = 64 * 1024;

template <typename Fn>
Fn Export(HMODULE m, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(m, name)));
}

// The status as the layer last wrote it.
inline uint8_t StatusOf(const Header& h) { return reinterpret_cast<const volatile Header&>(h).status; }

inline void Read10Cdb(uint8_t* cdb, uint32_t lba, uint16_t blocks) {
  const uint8_t c[10] = {0x28, 0, uint8_t(lba >> 24), uint8_t(lba >> 16), uint8_t(lba >> 8), uint8_t(lba),
                         0, uint8_t(blocks >> 8), uint8_t(blocks), 0};
  std::memcpy(cdb, c, 10);
}

// A 10-byte command that reads `length` bytes into `buffer`.
inline Exec DataIn(uint8_t ha, uint8_t target, const uint8_t (&cdb)[10], uint32_t length, uint8_t* buffer) {
  Exec e{};
  e.h.cmd = 2;
  e.h.ha = ha;
  e.h.flags = 0x08;
  e.target = target;
  e.buf_len = length;
  e.buf = buffer;
  e.sense_len = 14;
  e.cdb_len = 10;
  std::memcpy(e.cdb, cdb, 10);
  return e;
}

inline Exec Read10(uint8_t ha, uint8_t target, uint32_t lba, uint16_t blocks, uint8_t* buffer) {
  uint8_t cdb[10];
  Read10Cdb(cdb, lba, blocks);
  return DataIn(ha, target, cdb, blocks * 2048u, buffer);
}

// Sends with event notification: when this returns kPending, `event` is set at the request's end.
inline DWORD Post(SendFn send, Exec& e, HANDLE event) {
  e.h.flags |= 0x40;
  e.post = event;
  ::ResetEvent(event);
  return send(&e);
}

// Sends and waits for the request's end, as the interface recommends.
inline uint8_t Run(SendFn send, Exec& e, HANDLE event) {
  if (Post(send, e, event) == kPending) ::WaitForSingleObject(event, INFINITE);
  return StatusOf(e.h);
}

}  // namespace aspi_app
