// The ASPI library under Wine: the shipped WNASPI32.DLL loaded by its full path (no drives here, so
// it must answer "no adapters"), and its worker driven with scripted devices: completion seen by
// polling, by an event and by a post routine, and the pass-through block built for SET CD SPEED.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../unit/aspi_layer_fake_io.h"
#include "aspi/aspi_service.h"
#include "aspi/aspi_srb.h"
#include "aspi/spti_device_io.h"
#include "common/unique_handle.h"

namespace qs::aspi {
namespace {

using Record = std::array<uint8_t, kRecordSize>;

// ---- the shipped library -----------------------------------------------------------------------

std::wstring LayerPath() {
  std::string unix_path = QS_WNASPI32_PATH;
  std::wstring path = L"Z:";
  for (char c : unix_path) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  // Through a neutral function type: FARPROC's own signature says nothing about the export's.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

class ShippedLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    module.reset(::LoadLibraryW(LayerPath().c_str()));
    ASSERT_TRUE(module) << "LoadLibrary failed: " << ::GetLastError();
    wchar_t loaded[MAX_PATH] = {};
    ::GetModuleFileNameW(module.get(), loaded, MAX_PATH);
    // Wine prefers its own builtin layer unless told otherwise (WINEDLLOVERRIDES wnaspi32=n).
    ASSERT_EQ(_wcsicmp(loaded, LayerPath().c_str()), 0) << "a different WNASPI32.DLL was loaded";
    support = Export<SupportFn>(module.get(), "GetASPI32SupportInfo");
    send = Export<SendFn>(module.get(), "SendASPI32Command");
    version = Export<SupportFn>(module.get(), "GetASPI32DLLVersion");
    ASSERT_TRUE(support && send && version);
  }
  using SupportFn = DWORD(__cdecl*)();
  using SendFn = DWORD(__cdecl*)(void*);
  UniqueModule module;
  SupportFn support = nullptr;
  SendFn send = nullptr;
  SupportFn version = nullptr;
};

TEST_F(ShippedLayer, WithoutDrivesReportsNoAdapters) {
  EXPECT_EQ(support(), DWORD{SS_NO_ADAPTERS} << 8);
  EXPECT_EQ(support(), 0xE800u) << "asked twice, same answer";
  EXPECT_EQ(version(), 0x0002u);
  Record rescan{};
  rescan[kSrbCmd] = SC_RESCAN_SCSI_BUS;
  EXPECT_EQ(send(rescan.data()), SS_COMP) << "a rescan is allowed before any drive is there";
  EXPECT_EQ(support(), 0xE800u);
  // Freed and loaded again: a working layer.
  module.reset();
  module.reset(::LoadLibraryW(LayerPath().c_str()));
  ASSERT_TRUE(module);
  EXPECT_EQ(Export<SupportFn>(module.get(), "GetASPI32SupportInfo")(), 0xE800u);
}

TEST_F(ShippedLayer, EveryExportAtItsConventionalOrdinal) {
  const std::pair<const char*, WORD> exports[] = {
      {"GetASPI32SupportInfo", 1}, {"SendASPI32Command", 2},      {"FreeASPI32Buffer", 4},
      {"GetASPI32DLLVersion", 5},  {"TranslateASPI32Address", 7}, {"GetASPI32Buffer", 8}};
  for (auto [name, ordinal] : exports) {
    FARPROC by_name = ::GetProcAddress(module.get(), name);
    ASSERT_NE(by_name, nullptr) << name;
    EXPECT_EQ(by_name, ::GetProcAddress(module.get(), MAKEINTRESOURCEA(ordinal))) << name;
  }
  using BufferFn = BOOL(__cdecl*)(void*);
  auto get = Export<BufferFn>(module.get(), "GetASPI32Buffer");
  auto free = Export<BufferFn>(module.get(), "FreeASPI32Buffer");
  std::array<uint8_t, 16> block{};
  SrbView(block.data()).set_dword(kBuffLength, 0x10000);
  SrbView(block.data()).set_dword(kBuffZeroFill, 1);
  ASSERT_TRUE(get(block.data()));
  const auto* memory = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(SrbView(block.data()).dword(kBuffPointer)));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(memory) % 4096, 0u) << "aligned for every adapter";
  EXPECT_EQ(memory[0] | memory[0xFFFF], 0);
  EXPECT_TRUE(free(block.data()));
  EXPECT_FALSE(free(block.data())) << "freed already";
  SrbView(block.data()).set_dword(kBuffLength, kMaxAspiBuffer + 1);
  EXPECT_FALSE(get(block.data()));
  using TranslateFn = BOOL(__cdecl*)(DWORD*, DWORD*);
  DWORD path = 0, node = 0;
  EXPECT_FALSE(Export<TranslateFn>(module.get(), "TranslateASPI32Address")(&path, &node)) << "no device nodes on NT";
}

TEST_F(ShippedLayer, RequestsWithoutAdaptersAreRejected) {
  Record ha{};
  ha[kSrbCmd] = SC_HA_INQUIRY;
  EXPECT_EQ(send(ha.data()), SS_INVALID_HA);
  EXPECT_EQ(ha[kSrbStatus], SS_INVALID_HA);

  Record dev{};
  dev[kSrbCmd] = SC_GET_DEV_TYPE;
  EXPECT_EQ(send(dev.data()), SS_INVALID_HA);

  Record exec{};
  exec[kSrbCmd] = SC_EXEC_SCSI_CMD;
  exec[kSrbFlags] = SRB_DIR_IN | SRB_EVENT_NOTIFY;
  exec[kExecCdbLen] = 10;
  UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  SrbView(exec.data())
      .set_dword(kExecPostProc, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(event.get())));
  EXPECT_EQ(send(exec.data()), SS_INVALID_HA);
  EXPECT_EQ(::WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0) << "a rejected request is notified too";

  Record unknown{};
  unknown[kSrbCmd] = 0x27;
  EXPECT_EQ(send(unknown.data()), SS_INVALID_CMD);
  EXPECT_EQ(unknown[kSrbStatus], SS_INVALID_CMD);
  EXPECT_EQ(send(nullptr), SS_INVALID_SRB);
}

TEST_F(ShippedLayer, CarriesItsVersionResource) {
  const std::wstring path = LayerPath();
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::string data(size, '\0');
  ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
  wchar_t* text = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\OriginalFilename",
                               reinterpret_cast<void**>(&text), &length));
  EXPECT_STREQ(text, L"WNASPI32.DLL");
}

// ---- the worker, with scripted devices ---------------------------------------------------------

// Holds every command but INQUIRY until the test opens the gate, and notes the thread it ran on.
class GatedIo : public DeviceIo {
 public:
  explicit GatedIo(testing::FakeDeviceIo& inner) : inner_(inner) {}
  ~GatedIo() override {
    if (on_destroy) ::SetEvent(on_destroy);
  }
  std::vector<std::string> CandidatePaths() override { return inner_.CandidatePaths(); }
  OpenResult Open(const std::string& path) override {
    OpenResult r = inner_.Open(path);
    if (r.channel) r.channel = std::make_unique<Channel>(*this, std::move(r.channel), path);
    return r;
  }
  UniqueHandle gate{::CreateEventW(nullptr, TRUE, TRUE, nullptr)};
  std::string gated_path;  // empty: every device waits for the gate
  std::atomic<DWORD> thread_id{0};
  std::atomic<int> held{0};  // commands that have come to the gate
  std::atomic<int> commands{0};
  std::atomic<int> open_channels{0};
  HANDLE on_destroy = nullptr;  // set once the service's last worker has let the devices go

 private:
  class Channel : public DeviceChannel {
   public:
    Channel(GatedIo& io, std::unique_ptr<DeviceChannel> inner, std::string path)
        : io_(io), inner_(std::move(inner)), path_(std::move(path)) {
      ++io_.open_channels;
    }
    ~Channel() override { --io_.open_channels; }
    std::optional<DeviceAddress> Address() override { return inner_->Address(); }
    IoOutcome Reset() override { return inner_->Reset(); }
    PassThroughResult PassThrough(const PassThroughRequest& request) override {
      if (request.cdb[0] != 0x12) {
        ++io_.held;
        if (io_.gated_path.empty() || io_.gated_path == path_) ::WaitForSingleObject(io_.gate.get(), INFINITE);
        io_.thread_id = ::GetCurrentThreadId();
        ++io_.commands;
      }
      return inner_->PassThrough(request);
    }

   private:
    GatedIo& io_;
    std::unique_ptr<DeviceChannel> inner_;
    std::string path_;
  };
  testing::FakeDeviceIo& inner_;
};

Record SetCdSpeed(uint8_t target, uint8_t speed, uint8_t extra_flags = 0, uint32_t post = 0) {
  Record r{};
  r[kSrbCmd] = SC_EXEC_SCSI_CMD;
  r[kSrbFlags] = SRB_DIR_IN | extra_flags;
  r[kExecTarget] = target;
  r[kExecSenseLen] = 14;
  r[kExecCdbLen] = 10;
  r[kExecCdb] = 0xBB;
  for (int i = 2; i <= 5; ++i) r[kExecCdb + i] = speed;
  SrbView(r.data()).set_dword(kExecPostProc, post);
  return r;
}

uint32_t Value(const UniqueHandle& event) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(event.get())); }

uint8_t ReadStatus(const Record& r) {
  return std::atomic_ref<const uint8_t>(r[kSrbStatus]).load(std::memory_order_acquire);
}

// Polls until done() holds, with a limit generous enough for an emulated machine under load.
template <typename Condition>
bool Eventually(Condition done) {
  const ULONGLONG end = ::GetTickCount64() + 30000;
  while (!done()) {
    if (::GetTickCount64() > end) return false;
    ::Sleep(1);
  }
  return true;
}

bool Answered(const Record& r) {
  return Eventually([&] { return ReadStatus(r) != SS_PENDING; });
}

class AspiWorker : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.Add({"\\\\.\\CdRom0", "\\\\.\\D:"}, {1, 0, 0, 0});
    fake.Add({"\\\\.\\CdRom1"}, {1, 0, 1, 0}).scsi_status = 0x02;
    auto io = std::make_unique<GatedIo>(fake);
    gated = io.get();
    service = std::make_unique<AspiService>(std::move(io));
    ASSERT_EQ(service->SupportInfo(), 0x0101u);
  }
  testing::FakeDeviceIo fake;
  GatedIo* gated = nullptr;
  std::unique_ptr<AspiService> service;
};

TEST_F(AspiWorker, CompletionIsSeenByPolling) {
  ::ResetEvent(gated->gate.get());
  Record r = SetCdSpeed(0, 52);
  EXPECT_EQ(service->Send(r.data()), SS_PENDING);
  ::Sleep(50);
  EXPECT_EQ(ReadStatus(r), SS_PENDING) << "the device has not finished yet";
  ::SetEvent(gated->gate.get());
  ASSERT_TRUE(Answered(r));
  EXPECT_EQ(r[kSrbStatus], SS_COMP);
  EXPECT_NE(gated->thread_id.load(), ::GetCurrentThreadId()) << "the worker ran the command";
  ASSERT_EQ(fake.sent.size(), 3u);  // two INQUIRY at discovery, then the command
  EXPECT_EQ(fake.sent.back().request.cdb[0], 0xBB);
}

TEST_F(AspiWorker, EventIsSignalledAfterTheStatusIsSet) {
  UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const auto handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(event.get()));
  Record ok = SetCdSpeed(0, 4, SRB_EVENT_NOTIFY, handle);
  ASSERT_EQ(service->Send(ok.data()), SS_PENDING);
  ASSERT_EQ(::WaitForSingleObject(event.get(), 30000), WAIT_OBJECT_0);
  EXPECT_EQ(ReadStatus(ok), SS_COMP);

  ::ResetEvent(event.get());
  Record failing = SetCdSpeed(1, 4, SRB_EVENT_NOTIFY, handle);
  ASSERT_EQ(service->Send(failing.data()), SS_PENDING);
  ASSERT_EQ(::WaitForSingleObject(event.get(), 30000), WAIT_OBJECT_0);
  EXPECT_EQ(ReadStatus(failing), SS_ERR);
  EXPECT_EQ(failing[kExecTargStat], 0x02);
}

struct PostLog {
  std::atomic<int> calls{0};
  std::atomic<void*> record{nullptr};
  std::atomic<uint8_t> status_seen{0xFF};
  std::atomic<DWORD> thread{0};
};
PostLog g_post;

void __cdecl PostRoutine(void* record) {
  g_post.status_seen = static_cast<uint8_t*>(record)[kSrbStatus];
  g_post.record = record;
  g_post.thread = ::GetCurrentThreadId();
  ++g_post.calls;
}

TEST_F(AspiWorker, PostRoutineGetsTheFinishedRecord) {
  g_post.calls = 0;
  const auto post = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&PostRoutine));
  // Posting wins when a caller sets both flags.
  Record r = SetCdSpeed(0, 28, SRB_POSTING | SRB_EVENT_NOTIFY, post);
  ASSERT_EQ(service->Send(r.data()), SS_PENDING);
  for (int i = 0; i < 500 && g_post.calls == 0; ++i) ::Sleep(10);
  ASSERT_EQ(g_post.calls.load(), 1);
  EXPECT_EQ(g_post.record.load(), r.data());
  EXPECT_EQ(g_post.status_seen.load(), SS_COMP);
  EXPECT_NE(g_post.thread.load(), ::GetCurrentThreadId());
}

TEST_F(AspiWorker, RequestsToOneDriveRunInOrderWhileABusyDriveHoldsUpNoOther) {
  gated->gated_path = "\\\\.\\CdRom0";
  ::ResetEvent(gated->gate.get());
  std::array<Record, 3> records{SetCdSpeed(0, 4), SetCdSpeed(0, 6), SetCdSpeed(0, 8)};
  for (Record& r : records) ASSERT_EQ(service->Send(r.data()), SS_PENDING);
  Record other = SetCdSpeed(1, 10);
  ASSERT_EQ(service->Send(other.data()), SS_PENDING);
  ASSERT_TRUE(Answered(other)) << "drive 1 answered while drive 0 is busy";
  EXPECT_EQ(ReadStatus(records[0]), SS_PENDING);
  ::SetEvent(gated->gate.get());
  for (Record& r : records) ASSERT_TRUE(Answered(r));
  std::vector<int> speeds;
  for (const auto& sent : fake.sent) {
    if (sent.request.cdb[0] == 0xBB && sent.path == "\\\\.\\CdRom0") speeds.push_back(sent.request.cdb[2]);
  }
  EXPECT_EQ(speeds, (std::vector<int>{4, 6, 8}));
}

TEST_F(AspiWorker, AbortAnswersAWaitingRequestAtOnceAndDoesNotWaitForARunningOne) {
  gated->gated_path = "\\\\.\\CdRom0";
  ::ResetEvent(gated->gate.get());
  UniqueHandle running_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  UniqueHandle waiting_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Record running = SetCdSpeed(0, 4, SRB_EVENT_NOTIFY, Value(running_event));
  Record waiting = SetCdSpeed(0, 6, SRB_EVENT_NOTIFY, Value(waiting_event));
  ASSERT_EQ(service->Send(running.data()), SS_PENDING);
  ASSERT_EQ(service->Send(waiting.data()), SS_PENDING);
  const auto abort = [&](const Record& target) {
    Record a{};
    a[kSrbCmd] = SC_ABORT_SRB;
    SrbView(a.data()).set_dword(kAbortToAbort, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(target.data())));
    const uint8_t status = static_cast<uint8_t>(service->Send(a.data()));
    EXPECT_EQ(status, a[kSrbStatus]);
    return status;
  };
  ASSERT_TRUE(Eventually([&] { return gated->held == 1; }));
  EXPECT_EQ(abort(waiting), SS_COMP);
  EXPECT_EQ(ReadStatus(waiting), SS_ABORTED);
  EXPECT_EQ(::WaitForSingleObject(waiting_event.get(), 0), WAIT_OBJECT_0) << "notified before the abort returned";
  // The drive still holds the running one: the abort asks for a cancel and returns.
  EXPECT_EQ(abort(running), SS_COMP);
  EXPECT_EQ(gated->commands.load(), 0);
  ::SetEvent(gated->gate.get());
  ASSERT_EQ(::WaitForSingleObject(running_event.get(), 30000), WAIT_OBJECT_0);
  EXPECT_EQ(ReadStatus(running), SS_COMP) << "the scripted drive ignores cancels and finishes";
  EXPECT_EQ(abort(running), SS_ABORT_FAIL) << "finished already";
  for (const auto& sent : fake.sent) EXPECT_NE(sent.request.cdb[2], 6) << "the aborted one never went out";
}

TEST_F(AspiWorker, ResetClearsTheQueueInsteadOfWaitingBehindIt) {
  gated->gated_path = "\\\\.\\CdRom0";
  ::ResetEvent(gated->gate.get());
  UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Record hung = SetCdSpeed(0, 4);
  Record waiting = SetCdSpeed(0, 6, SRB_EVENT_NOTIFY, Value(event));
  ASSERT_EQ(service->Send(hung.data()), SS_PENDING);
  ASSERT_EQ(service->Send(waiting.data()), SS_PENDING);
  ASSERT_TRUE(Eventually([&] { return gated->held == 1; }));
  Record reset{};
  reset[kSrbCmd] = SC_RESET_DEV;
  ASSERT_EQ(service->Send(reset.data()), SS_PENDING);
  EXPECT_EQ(ReadStatus(waiting), SS_ABORTED);
  EXPECT_EQ(::WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
  ::SetEvent(gated->gate.get());  // the scripted drive ignores the cancel
  ASSERT_TRUE(Answered(reset));
  EXPECT_EQ(reset[kSrbStatus], SS_COMP);
  EXPECT_EQ(fake.devices[0].resets, 1);
  ASSERT_TRUE(Answered(hung));
}

// Holds the worker in a post routine until the test lets it go.
struct HeldPost {
  UniqueHandle entered{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  UniqueHandle release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};
HeldPost* g_held = nullptr;

void __cdecl HoldingPost(void*) {
  ::SetEvent(g_held->entered.get());
  ::WaitForSingleObject(g_held->release.get(), INFINITE);
}

TEST_F(AspiWorker, AnEventClosedWhilePendingDoesNotWakeTheOneCreatedAfterIt) {
  HeldPost held;
  g_held = &held;
  ::ResetEvent(gated->gate.get());
  UniqueHandle old_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Record old = SetCdSpeed(0, 4, SRB_EVENT_NOTIFY, Value(old_event));
  ASSERT_EQ(service->Send(old.data()), SS_PENDING);
  const HANDLE old_value = old_event.get();
  old_event.reset();  // given up, as a client does after its wait timed out
  UniqueHandle next_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  EXPECT_EQ(next_event.get(), old_value) << "the new event has the old one's value";
  // The middle request's post routine keeps the next one waiting after the old one has ended.
  Record middle = SetCdSpeed(0, 5, SRB_POSTING, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&HoldingPost)));
  Record next = SetCdSpeed(0, 6, SRB_EVENT_NOTIFY, Value(next_event));
  ASSERT_EQ(service->Send(middle.data()), SS_PENDING);
  ASSERT_EQ(service->Send(next.data()), SS_PENDING);
  ::SetEvent(gated->gate.get());
  ASSERT_EQ(::WaitForSingleObject(held.entered.get(), 30000), WAIT_OBJECT_0);
  EXPECT_EQ(ReadStatus(old), SS_COMP);
  EXPECT_EQ(::WaitForSingleObject(next_event.get(), 0), WAIT_TIMEOUT) << "woken while its request waits";
  ::SetEvent(held.release.get());
  ASSERT_EQ(::WaitForSingleObject(next_event.get(), 30000), WAIT_OBJECT_0);
  EXPECT_EQ(ReadStatus(next), SS_COMP);
}

TEST_F(AspiWorker, AFullQueueAnswersBusyAndNotifies) {
  ::ResetEvent(gated->gate.get());
  std::vector<Record> queued(kQueueDepth + 1, SetCdSpeed(0, 4));
  ASSERT_EQ(service->Send(queued[0].data()), SS_PENDING);
  ASSERT_TRUE(Eventually([&] { return gated->held == 1; }));
  for (size_t i = 1; i < queued.size(); ++i) ASSERT_EQ(service->Send(queued[i].data()), SS_PENDING);
  UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Record over = SetCdSpeed(0, 4, SRB_EVENT_NOTIFY, Value(event));
  EXPECT_EQ(service->Send(over.data()), SS_ASPI_IS_BUSY);
  EXPECT_EQ(over[kSrbStatus], SS_ASPI_IS_BUSY);
  EXPECT_EQ(::WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
  ::SetEvent(gated->gate.get());
  for (const Record& r : queued) ASSERT_TRUE(Answered(r));
}

TEST_F(AspiWorker, ADriveIsClosedWhenIdleAndOpenedAgainForTheNextCommand) {
  const auto opens = [&] { return std::count(fake.opened.begin(), fake.opened.end(), "\\\\.\\CdRom0"); };
  EXPECT_EQ(gated->open_channels.load(), 0) << "nothing stays open after discovery";
  const auto found = opens();
  std::array<Record, 3> r{SetCdSpeed(0, 4), SetCdSpeed(0, 6), SetCdSpeed(0, 8)};
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(service->Send(r[i].data()), SS_PENDING);
    ASSERT_TRUE(Answered(r[i]));
  }
  EXPECT_EQ(opens(), found + 1) << "kept open from one command to the next";
  ASSERT_TRUE(Eventually([&] { return gated->open_channels == 0; }));
  ASSERT_EQ(service->Send(r[2].data()), SS_PENDING);
  ASSERT_TRUE(Answered(r[2]));
  EXPECT_EQ(r[2][kSrbStatus], SS_COMP);
  EXPECT_EQ(opens(), found + 2);
}

TEST_F(AspiWorker, StopWaitsForNothingAndLeavesItsRequestsAloneWhileANewServiceWorks) {
  ::ResetEvent(gated->gate.get());
  UniqueHandle gone(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  gated->on_destroy = gone.get();
  UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Record running = SetCdSpeed(0, 4, SRB_EVENT_NOTIFY, Value(event));
  Record waiting = SetCdSpeed(0, 6, SRB_EVENT_NOTIFY, Value(event));
  ASSERT_EQ(service->Send(running.data()), SS_PENDING);
  ASSERT_EQ(service->Send(waiting.data()), SS_PENDING);
  ASSERT_TRUE(Eventually([&] { return gated->held == 1; }));
  service->Stop();  // as the library's unloading does, with the command still under way
  Record late = SetCdSpeed(1, 4);
  EXPECT_EQ(service->Send(late.data()), SS_ASPI_IS_SHUTDOWN);
  EXPECT_EQ(service->SupportInfo(), uint32_t{SS_ASPI_IS_SHUTDOWN} << 8);
  service.reset();
  // Loaded again: a new service works while the old one's worker is still held.
  testing::FakeDeviceIo again;
  again.Add({"\\\\.\\CdRom0"}, {1, 0, 0, 0});
  AspiService fresh(std::make_unique<GatedIo>(again));
  ASSERT_EQ(fresh.SupportInfo(), 0x0101u);
  Record r = SetCdSpeed(0, 8);
  ASSERT_EQ(fresh.Send(r.data()), SS_PENDING);
  ASSERT_TRUE(Answered(r));
  EXPECT_EQ(r[kSrbStatus], SS_COMP);
  ::SetEvent(gated->gate.get());
  ASSERT_EQ(::WaitForSingleObject(gone.get(), 30000), WAIT_OBJECT_0) << "the old worker ended on its own";
  EXPECT_EQ(ReadStatus(running), SS_PENDING);
  EXPECT_EQ(ReadStatus(waiting), SS_PENDING);
  EXPECT_EQ(::WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
  EXPECT_EQ(std::count_if(fake.sent.begin(), fake.sent.end(), [](const auto& c) { return c.request.cdb[0] == 0xBB; }), 1)
      << "only the command under way reached its drive";
}

TEST(AspiServiceDiscovery, ADriveAttachedLaterIsFoundByAskingAgainAtMostOnceASecond) {
  testing::FakeDeviceIo fake;
  fake.extra_names = {"\\\\.\\CdRom9"};  // opened once by every look
  AspiService service(std::make_unique<GatedIo>(fake));
  const ULONGLONG start = ::GetTickCount64();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(service.SupportInfo(), 0xE800u);
  EXPECT_LE(fake.opened.size(), 2 + (::GetTickCount64() - start) / 1000);
  fake.Add({"\\\\.\\CdRom0"}, {1, 0, 0, 0});
  EXPECT_TRUE(Eventually([&] { return service.SupportInfo() == 0x0101u; }));
}

TEST_F(AspiWorker, ImmediateRequestsAnswerBeforeReturning) {
  Record dev{};
  dev[kSrbCmd] = SC_GET_DEV_TYPE;
  dev[kGdevTarget] = 1;
  EXPECT_EQ(service->Send(dev.data()), SS_COMP);
  EXPECT_EQ(dev[kGdevDeviceType], 5);
  Record missing = SetCdSpeed(7, 52);
  EXPECT_EQ(service->Send(missing.data()), SS_NO_DEVICE);
  EXPECT_EQ(missing[kSrbStatus], SS_NO_DEVICE);
}

// ---- the pass-through block --------------------------------------------------------------------

TEST(SptiBlock, SetCdSpeedWithoutDataPhase) {
  PassThroughRequest request;
  request.cdb = {0xBB, 0, 0x34, 0x34, 0x34, 0x34};
  request.cdb_length = 10;
  request.direction = DataDirection::kIn;
  request.sense_length = 14;
  request.timeout_seconds = 20;
  SptdWithSense block;
  std::memset(&block, 0xCC, sizeof block);
  FillPassThroughDirect(request, nullptr, block);
  const SCSI_PASS_THROUGH_DIRECT& s = block.sptd;
  EXPECT_EQ(s.Length, sizeof(SCSI_PASS_THROUGH_DIRECT));
  EXPECT_EQ(s.CdbLength, 10);
  EXPECT_EQ(s.DataIn, SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(s.DataTransferLength, 0u);
  EXPECT_EQ(s.DataBuffer, nullptr);
  EXPECT_EQ(s.SenseInfoLength, 14);
  EXPECT_EQ(s.SenseInfoOffset, offsetof(SptdWithSense, sense));
  EXPECT_EQ(s.SenseInfoOffset % 4, 0u);
  EXPECT_GE(s.SenseInfoOffset, sizeof(SCSI_PASS_THROUGH_DIRECT));
  EXPECT_EQ(s.TimeOutValue, 20u);
  EXPECT_EQ(s.ScsiStatus, 0);
  const UCHAR cdb[16] = {0xBB, 0, 0x34, 0x34, 0x34, 0x34};
  EXPECT_EQ(std::memcmp(s.Cdb, cdb, 16), 0);
}

TEST(SptiBlock, DataPhasesAndErrors) {
  std::array<uint8_t, 64> data{};
  alignas(4096) static uint8_t bounce[4096];
  PassThroughRequest request;
  request.cdb_length = 12;
  request.data = data;
  request.direction = DataDirection::kOut;
  SptdWithSense block;
  FillPassThroughDirect(request, bounce, block);
  EXPECT_EQ(block.sptd.DataIn, SCSI_IOCTL_DATA_OUT);
  EXPECT_EQ(block.sptd.DataTransferLength, 64u);
  EXPECT_EQ(block.sptd.DataBuffer, bounce);
  request.direction = DataDirection::kNone;
  FillPassThroughDirect(request, bounce, block);
  EXPECT_EQ(block.sptd.DataIn, SCSI_IOCTL_DATA_UNSPECIFIED);

  EXPECT_EQ(OutcomeOfError(ERROR_SEM_TIMEOUT), IoOutcome::kTimeout);
  EXPECT_EQ(OutcomeOfError(ERROR_FILE_NOT_FOUND), IoOutcome::kGone);
  EXPECT_EQ(OutcomeOfError(ERROR_DEVICE_NOT_CONNECTED), IoOutcome::kGone);
  EXPECT_EQ(OutcomeOfError(ERROR_ACCESS_DENIED), IoOutcome::kDenied);
  EXPECT_EQ(OutcomeOfError(ERROR_INVALID_FUNCTION), IoOutcome::kRefused);
  // A handle opened for reading only: what the system refuses there, it does not allow.
  EXPECT_EQ(OutcomeOfError(ERROR_INVALID_FUNCTION, false), IoOutcome::kDenied);
  EXPECT_EQ(OutcomeOfError(ERROR_SEM_TIMEOUT, false), IoOutcome::kTimeout);
}

TEST(SptiDevices, ReadOnlyCallerMemoryServesDataOutButNotDataIn) {
  // Read into such memory through the layer's aligned buffer, the copy back would fault on the worker.
  alignas(4096) static uint8_t page[4096];
  const auto pointer = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(page));
  DWORD was = 0;
  ASSERT_TRUE(::VirtualProtect(page, sizeof page, PAGE_READONLY, &was));
  EXPECT_EQ(CallerBuffer(pointer, sizeof page, DataDirection::kOut).size(), sizeof page);
  EXPECT_TRUE(CallerBuffer(pointer, sizeof page, DataDirection::kIn).empty());
  ASSERT_TRUE(::VirtualProtect(page, sizeof page, was, &was));
  EXPECT_EQ(CallerBuffer(pointer, sizeof page, DataDirection::kIn).size(), sizeof page);
}

TEST(SptiDevices, NoDrivesUnderWine) {
  auto io = MakeSptiDeviceIo();
  EXPECT_EQ(DeviceTable::Discover(*io).adapter_count(), 0u);
  EXPECT_EQ(io->Open("\\\\.\\CdRom0").outcome, IoOutcome::kGone);
}

}  // namespace
}  // namespace qs::aspi
