// The wave input source against a stand-in for the service: the two buffers' rotation, and the
// notifications that must be dropped (after a Close, after a new Open, for a buffer not done).

#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "wavein/wave_in_source.h"

namespace keblor {
namespace {

// What the stand-in service was asked, in order, and the headers it holds.
struct FakeService {
  std::vector<std::string> calls;
  std::vector<void*> queued;  // headers added and not yet handed back
  void* prepared[2] = {};
  int prepareCount = 0;
  unsigned failPrepare = 0;
  unsigned openedDevice = 0;
};
FakeService* fake = nullptr;
void* const HANDLE_VALUE = reinterpret_cast<void*>(0x1234);  // the service gives it out again

// Two cards of the same name around a USB codec, and a device that cannot say its name.
unsigned FakeNumDevs() { return 4; }
unsigned FakeName(unsigned device, std::string& name) {
  if (device == 2) return MMSYSERR_NODRIVER;
  name = device == 1 ? "USB Audio CODEC" : "Line In";
  return 0;
}
unsigned FakeOpen(void** handle, unsigned device, const void*, void*, bool query) {
  fake->calls.push_back(query ? "query" : "open");
  fake->openedDevice = device;
  if (handle != nullptr) *handle = query ? nullptr : HANDLE_VALUE;
  return 0;
}
unsigned FakePrepare(void*, void* header) {
  fake->calls.push_back("prepare");
  if (fake->failPrepare != 0 && fake->prepareCount == 1) return fake->failPrepare;
  fake->prepared[fake->prepareCount++ % 2] = header;
  static_cast<WAVEHDR*>(header)->dwFlags |= WHDR_PREPARED;
  return 0;
}
unsigned FakeUnprepare(void*, void*) {
  fake->calls.push_back("unprepare");
  return 0;
}
unsigned FakeAddBuffer(void*, void* header) {
  fake->calls.push_back("add");
  auto* wave = static_cast<WAVEHDR*>(header);
  wave->dwFlags = (wave->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  fake->queued.push_back(header);
  return 0;
}
unsigned FakeStart(void*) {
  fake->calls.push_back("start");
  return 0;
}
unsigned FakeStop(void*) {
  fake->calls.push_back("stop");
  return 0;
}
unsigned FakeReset(void*) {
  fake->calls.push_back("reset");
  for (void* header : fake->queued) {
    auto* wave = static_cast<WAVEHDR*>(header);
    wave->dwFlags = (wave->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  }
  fake->queued.clear();
  return 0;
}
unsigned FakeClose(void*) {
  fake->calls.push_back("close");
  return 0;
}

const WaveInCalls FAKE_CALLS{FakeNumDevs, FakeName,  FakeOpen,  FakePrepare, FakeUnprepare,
                             FakeAddBuffer, FakeStart, FakeStop, FakeReset,   FakeClose};

class WaveInSourceTest : public ::testing::Test {
 protected:
  WaveInSourceTest() { fake = &service; }
  // The source still open closes through the stand-in before it goes.
  ~WaveInSourceTest() override {
    source.Close();
    fake = nullptr;
  }

  // The device fills the oldest queued buffer with `value` and marks it done.
  void* Fill(std::uint8_t value) {
    void* header = service.queued.front();
    service.queued.erase(service.queued.begin());
    auto* wave = static_cast<WAVEHDR*>(header);
    std::fill(wave->lpData, wave->lpData + wave->dwBufferLength, static_cast<char>(value));
    wave->dwBytesRecorded = wave->dwBufferLength;
    wave->dwFlags = (wave->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    return header;
  }

  FakeService service;
  WaveInSource source{FAKE_CALLS};
  std::vector<std::uint8_t> seen;  // the first byte of each block handed over
};

TEST_F(WaveInSourceTest, BuffersRotateAndEachGoesBackAfterItsBlockWasHandled) {
  ASSERT_TRUE(source.Open(AudioFormat{1, 16}).Ok());
  EXPECT_EQ(service.calls, (std::vector<std::string>{"open", "prepare", "add", "prepare", "add"}));
  EXPECT_NE(service.prepared[0], service.prepared[1]);
  ASSERT_EQ(source.Start([&](const std::uint8_t* frames, const AudioFormat& format) {
    EXPECT_EQ(format, (AudioFormat{1, 16}));
    EXPECT_EQ(service.queued.size(), 1u) << "a buffer is queued again only once its block was handled";
    seen.push_back(frames[0]);
  }), 0);
  for (std::uint8_t value = 1; value <= 4; ++value) {
    void* header = Fill(value);
    EXPECT_EQ(static_cast<WAVEHDR*>(header)->dwBufferLength, 2048u);
    source.OnData(HANDLE_VALUE, header);
    EXPECT_EQ(service.queued.back(), header);
  }
  EXPECT_EQ(seen, (std::vector<std::uint8_t>{1, 2, 3, 4}));
  // The buffers took turns.
  EXPECT_EQ(service.queued, (std::vector<void*>{service.prepared[0], service.prepared[1]}));
}

TEST_F(WaveInSourceTest, NotificationsFromBeforeACloseOrANewOpenAreDropped) {
  ASSERT_TRUE(source.Open(AudioFormat{2, 8}).Ok());
  source.Start([&](const std::uint8_t* frames, const AudioFormat&) { seen.push_back(frames[0]); });
  void* filled = Fill(7);
  service.calls.clear();
  source.Close();
  EXPECT_EQ(service.calls, (std::vector<std::string>{"stop", "reset", "unprepare", "unprepare", "close"}));
  source.Close();  // a second Close does nothing
  EXPECT_EQ(service.calls.size(), 5u);
  // Both buffers' notifications (the filled one and the one the reset returned) arrive late.
  void* returned = service.prepared[0] == filled ? service.prepared[1] : service.prepared[0];
  source.OnData(HANDLE_VALUE, filled);
  source.OnData(HANDLE_VALUE, returned);
  EXPECT_TRUE(seen.empty());

  // Opened again, the service hands out the same handle and the same headers are queued anew:
  // the old notifications still refer to them, but the buffers are not done.
  service.calls.clear();
  ASSERT_TRUE(source.Open(AudioFormat{2, 8}).Ok());
  source.Start([&](const std::uint8_t* frames, const AudioFormat&) { seen.push_back(frames[0]); });
  source.OnData(HANDLE_VALUE, filled);
  source.OnData(HANDLE_VALUE, returned);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(service.queued.size(), 2u) << "a dropped notification queues nothing";
  // A header that is not the source's is never touched.
  WAVEHDR stranger{};
  stranger.dwFlags = WHDR_DONE;
  source.OnData(HANDLE_VALUE, &stranger);
  source.OnData(reinterpret_cast<void*>(0x9999), Fill(9));
  EXPECT_TRUE(seen.empty());
}

TEST_F(WaveInSourceTest, ABlockHandlerThatClosesKeepsItsBufferFromTheDevice) {
  ASSERT_TRUE(source.Open(AudioFormat{1, 8}).Ok());
  source.Start([&](const std::uint8_t*, const AudioFormat&) { source.Close(); });
  void* header = Fill(1);
  service.calls.clear();
  source.OnData(HANDLE_VALUE, header);
  EXPECT_EQ(service.calls, (std::vector<std::string>{"stop", "reset", "unprepare", "unprepare", "close"}));
}

TEST_F(WaveInSourceTest, AFailedPrepareNamesTheBufferStepWithTheServiceCode) {
  service.failPrepare = WAVERR_STILLPLAYING;
  const OpenResult result = source.Open(AudioFormat{2, 16});
  EXPECT_EQ(result.failedStep, OpenStep::Buffers);
  EXPECT_EQ(result.code, static_cast<int>(WAVERR_STILLPLAYING));
  service.calls.clear();
  source.Close();  // releases the device and the one prepared buffer
  EXPECT_EQ(service.calls, (std::vector<std::string>{"stop", "reset", "unprepare", "close"}));
}

// Inputs are named by the devices' names, a repeated name made unique; an id no device has now
// opens the default input.
TEST_F(WaveInSourceTest, InputsAreChosenByNameAndAnUnknownIdIsTheDefault) {
  EXPECT_EQ(source.Inputs(), (std::vector<InputInfo>{
                                 {"Line In", "Line In"}, {"USB Audio CODEC", "USB Audio CODEC"}, {"Line In #2", "Line In"}}));
  const AudioFormat mono{1, 16};
  for (const auto& [id, device] : std::vector<std::pair<std::string, unsigned>>{
           {"USB Audio CODEC", 1}, {"Line In #2", 3}, {"Line In", 0}, {"Gone", WAVE_MAPPER}, {"", WAVE_MAPPER}}) {
    source.SelectInput(id);
    EXPECT_EQ(source.Query(mono), 0);
    EXPECT_EQ(fake->openedDevice, device) << id;
  }
  service.calls.clear();
  EXPECT_EQ(source.Query(AudioFormat{3, 16}), FORMAT_NOT_SUPPORTED);
  EXPECT_TRUE(service.calls.empty()) << "a format outside 1-2 channels of 8 or 16 bits is refused before asking";
}

}  // namespace
}  // namespace keblor
