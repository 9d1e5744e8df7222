#include "capture/capture_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "app/app_state.h"
#include "fakes/fake_capture_device.h"
#include "fakes/fake_window_layer.h"

namespace keblor {
namespace {

// Plays the main window's part: accepts each notification, reads the whole block (so a read
// of freed memory shows under AddressSanitizer), then gives the buffer back.
class RecordingSink : public CaptureSink {
 public:
  CaptureStream* stream = nullptr;
  bool requeue = true;
  std::vector<CaptureNotification> received;
  std::vector<int> accepted;  // buffer index per accepted notification
  std::vector<std::uint32_t> firstWords;
  int dropped = 0;

  void OnCaptureData(const CaptureNotification& n) override {
    received.push_back(n);
    CaptureBuffer* buffer = AcceptCaptureNotification(*stream, n);
    if (buffer == nullptr) {
      ++dropped;
      return;
    }
    accepted.push_back(buffer->index);
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < buffer->bufferLength; ++i) sum += buffer->data[i];
    firstWords.push_back(sum);
    if (requeue) RequeueBuffer(*stream, buffer->index);
  }
};

struct CaptureFixture : ::testing::Test {
  FakeCaptureDevice device;
  CaptureStream stream;
  RecordingSink sink;

  void SetUp() override {
    stream.device = &device;
    sink.stream = &stream;
    ComputeWaveFormat(stream, 1, 16);
  }
  std::vector<std::uint8_t> Block(std::uint8_t value) const { return std::vector<std::uint8_t>(stream.bufferBytes, value); }
  int OpenAndStart() {
    const int r = OpenCapture(stream, sink);
    return r != 0 ? r : StartCapture(stream);
  }
};

// --- format table ---

struct FormatRow {
  int channelsSetting, bits;
  std::uint16_t channels, blockAlign;
  std::uint32_t avgBytes, bufferBytes;
};

TEST(CaptureFormat, AllFourFormatsHold1024FramesPerBuffer) {
  const FormatRow rows[] = {
      {1, 8, 1, 1, 10240, 1024},
      {1, 16, 1, 2, 20480, 2048},
      {2, 8, 2, 2, 20480, 2048},
      {2, 16, 2, 4, 40960, 4096},
  };
  for (const FormatRow& row : rows) {
    SCOPED_TRACE(testing::Message() << row.channelsSetting << " channels, " << row.bits << " bits");
    CaptureStream stream;
    stream.bufferBytes = 0;
    stream.format = WaveFormat{7, 9, 1, 1, 1, 1, 5};  // rubbish that must all be overwritten
    ComputeWaveFormat(stream, row.channelsSetting, row.bits);
    EXPECT_EQ(stream.format.formatTag, 1);
    EXPECT_EQ(stream.format.channels, row.channels);
    EXPECT_EQ(stream.format.samplesPerSec, 10240u);
    EXPECT_EQ(stream.format.avgBytesPerSec, row.avgBytes);
    EXPECT_EQ(stream.format.blockAlign, row.blockAlign);
    EXPECT_EQ(stream.format.bitsPerSample, row.bits);
    EXPECT_EQ(stream.format.extraSize, 0);
    EXPECT_EQ(stream.bufferBytes, row.bufferBytes);
    EXPECT_EQ(stream.bufferBytes / stream.format.blockAlign, 1024u);
  }
}

TEST(CaptureFormat, AnyChannelsValueButTwoIsMono) {
  for (int channels : {0, 1, 3, -2}) {
    CaptureStream stream;
    ComputeWaveFormat(stream, channels, 16);
    EXPECT_EQ(stream.format.channels, 1) << channels;
    EXPECT_EQ(stream.bufferBytes, 2048u) << channels;
  }
}

// --- opening ---

TEST_F(CaptureFixture, OpenRunsQueryOpenThenPrepareAndQueueEachBufferInTurn) {
  ComputeWaveFormat(stream, 2, 16);
  ASSERT_EQ(OpenCapture(stream, sink), 0);
  EXPECT_EQ(device.calls, (std::vector<std::string>{"Query", "Open", "Prepare 0", "Add 0", "Prepare 1", "Add 1"}));
  ASSERT_EQ(device.queriedFormats.size(), 1u);
  EXPECT_EQ(device.queriedFormats[0].blockAlign, 4);
  EXPECT_EQ(device.openFormat.channels, 2);
  EXPECT_TRUE(stream.deviceOpen);
  for (int i = 0; i < 2; ++i) {
    const CaptureBuffer& b = *stream.buffers[static_cast<std::size_t>(i)];
    EXPECT_EQ(b.index, i);
    EXPECT_EQ(b.bufferLength, 4096u);
    EXPECT_EQ(b.data, stream.sampleMemory[static_cast<std::size_t>(i)].get());
    EXPECT_EQ(b.userValue, 0u);
    EXPECT_EQ(b.bytesRecorded, 0u);
    EXPECT_EQ(b.generation, stream.generation);
    EXPECT_TRUE(b.prepared);
    EXPECT_TRUE(b.queued);
  }
  EXPECT_NE(stream.buffers[0]->data, stream.buffers[1]->data);
  EXPECT_EQ(device.queue, (std::deque<CaptureBuffer*>{stream.buffers[0].get(), stream.buffers[1].get()}));
  EXPECT_FALSE(device.started);
  EXPECT_EQ(StartCapture(stream), 0);
  EXPECT_TRUE(device.started);
}

TEST_F(CaptureFixture, RefusedQueryOpensNothingAndCloseHasNothingToRelease) {
  device.queryResult = 32;
  EXPECT_EQ(OpenCapture(stream, sink), 32);
  EXPECT_EQ(device.calls, std::vector<std::string>{"Query"});
  EXPECT_FALSE(stream.deviceOpen);
  EXPECT_FALSE(stream.buffers[0] || stream.buffers[1]);
  CloseCapture(stream);
  EXPECT_EQ(device.calls, std::vector<std::string>{"Query"});
}

TEST_F(CaptureFixture, FailedOpenCreatesNoBuffersAndCloseCallsNoDevice) {
  device.openResult = 4;
  EXPECT_EQ(OpenCapture(stream, sink), 4);
  EXPECT_EQ(device.calls, (std::vector<std::string>{"Query", "Open"}));
  EXPECT_FALSE(stream.deviceOpen);
  CloseCapture(stream);
  EXPECT_EQ(device.calls.size(), 2u);
}

// Each failing step of the third open step: the code returned and what the close then releases.
struct QueueFailure {
  const char* name;
  std::map<int, int> prepare, add;
  int code;
  std::vector<std::string> openCalls;
  std::vector<std::string> closeCalls;
  bool secondBufferCreated;
};

TEST_F(CaptureFixture, FailureWhileQueueingLeavesWhatWasDoneAndCloseReleasesExactlyThat) {
  const QueueFailure cases[] = {
      {"prepare 0", {{0, 11}}, {}, 11, {"Prepare 0"}, {"Stop", "Reset", "Close"}, false},
      {"add 0", {}, {{0, 5}}, 5, {"Prepare 0", "Add 0"}, {"Stop", "Reset", "Unprepare 0", "Close"}, false},
      {"prepare 1",
       {{1, 7}},
       {},
       7,
       {"Prepare 0", "Add 0", "Prepare 1"},
       {"Stop", "Reset", "Unprepare 0", "Close"},
       true},
      {"add 1",
       {},
       {{1, -9999}},
       -9999,
       {"Prepare 0", "Add 0", "Prepare 1", "Add 1"},
       {"Stop", "Reset", "Unprepare 0", "Unprepare 1", "Close"},
       true},
  };
  for (const QueueFailure& c : cases) {
    SCOPED_TRACE(c.name);
    FakeCaptureDevice dev;
    dev.prepareResult = c.prepare;
    dev.addResult = c.add;
    CaptureStream s;
    s.device = &dev;
    ComputeWaveFormat(s, 1, 8);
    sink.stream = &s;
    EXPECT_EQ(OpenCapture(s, sink), c.code);
    std::vector<std::string> expectedOpen{"Query", "Open"};
    expectedOpen.insert(expectedOpen.end(), c.openCalls.begin(), c.openCalls.end());
    EXPECT_EQ(dev.calls, expectedOpen);
    EXPECT_TRUE(s.deviceOpen);
    EXPECT_TRUE(s.buffers[0] != nullptr);
    EXPECT_EQ(s.buffers[1] != nullptr, c.secondBufferCreated);

    dev.calls.clear();
    CloseCapture(s);
    EXPECT_EQ(dev.calls, c.closeCalls);
    EXPECT_FALSE(s.deviceOpen);
    EXPECT_FALSE(s.buffers[0] || s.buffers[1] || s.sampleMemory[0] || s.sampleMemory[1]);
    EXPECT_FALSE(dev.open);
  }
}

TEST_F(CaptureFixture, TheThreeStepsCanRunSeparately) {
  EXPECT_EQ(QueryCaptureFormat(stream), 0);
  EXPECT_EQ(OpenCaptureDevice(stream, sink), 0);
  EXPECT_EQ(QueueCaptureBuffers(stream), 0);
  EXPECT_EQ(device.calls, (std::vector<std::string>{"Query", "Open", "Prepare 0", "Add 0", "Prepare 1", "Add 1"}));
}

TEST_F(CaptureFixture, StartFailureIsReturned) {
  device.startResult = -9985;
  ASSERT_EQ(OpenCapture(stream, sink), 0);
  EXPECT_EQ(StartCapture(stream), -9985);
}

// --- closing ---

TEST_F(CaptureFixture, CloseStopsResetsUnpreparesInOrderClosesAndFrees) {
  ASSERT_EQ(OpenAndStart(), 0);
  device.calls.clear();
  device.stopResult = 1;  // results of the close steps are ignored
  device.unprepareResult = 33;
  CloseCapture(stream);
  EXPECT_EQ(device.calls, (std::vector<std::string>{"Stop", "Reset", "Unprepare 0", "Unprepare 1", "Close"}));
  EXPECT_FALSE(stream.deviceOpen);
  EXPECT_FALSE(stream.buffers[0] || stream.buffers[1] || stream.sampleMemory[0] || stream.sampleMemory[1]);
}

TEST_F(CaptureFixture, ClosingTwiceDoesNothingTheSecondTime) {
  ASSERT_EQ(OpenAndStart(), 0);
  CloseCapture(stream);
  const auto callsAfterFirst = device.calls;
  CloseCapture(stream);
  EXPECT_EQ(device.calls, callsAfterFirst);
  EXPECT_EQ(device.CountCalls("Close"), 1);
}

TEST_F(CaptureFixture, ClosingANeverOpenedStreamCallsNothing) {
  CloseCapture(stream);
  EXPECT_TRUE(device.calls.empty());
}

// --- rotation ---

TEST_F(CaptureFixture, BuffersRotateInQueueOrderAndCarryTheDeliveredBytes) {
  ASSERT_EQ(OpenAndStart(), 0);
  for (std::uint8_t v = 1; v <= 6; ++v) ASSERT_TRUE(device.DeliverBlock(Block(v)));
  EXPECT_EQ(sink.accepted, (std::vector<int>{0, 1, 0, 1, 0, 1}));
  ASSERT_EQ(sink.firstWords.size(), 6u);
  for (std::uint32_t v = 1; v <= 6; ++v) EXPECT_EQ(sink.firstWords[v - 1], v * 2048u);
  EXPECT_EQ(device.blocksLost, 0);
  EXPECT_EQ(sink.dropped, 0);
  EXPECT_EQ(device.queue.size(), 2u);  // both back with the device
}

TEST_F(CaptureFixture, BlocksArrivingWhileNoBufferIsQueuedAreLost) {
  sink.requeue = false;  // the program falls behind: nothing goes back
  ASSERT_EQ(OpenAndStart(), 0);
  for (int i = 0; i < 5; ++i) device.DeliverBlock(Block(1));
  EXPECT_EQ(sink.accepted, (std::vector<int>{0, 1}));
  EXPECT_EQ(device.blocksLost, 3);
  RequeueBuffer(stream, 1);  // catches up with one buffer
  device.DeliverBlock(Block(2));
  EXPECT_EQ(sink.accepted, (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(device.blocksLost, 3);
}

TEST_F(CaptureFixture, RequeueOfABufferStillWithTheDeviceIsNotQueuedTwice) {
  ASSERT_EQ(OpenAndStart(), 0);
  RequeueBuffer(stream, 0);
  RequeueBuffer(stream, 7);
  RequeueBuffer(stream, -1);
  EXPECT_EQ(device.queue.size(), 2u);
  EXPECT_EQ(device.CountCalls("Add 0"), 1);
}

TEST_F(CaptureFixture, RefusedRequeueIsIgnoredAndTheBufferIsNoLongerDelivered) {
  ASSERT_EQ(OpenAndStart(), 0);
  device.addResult[0] = 5;
  for (int i = 0; i < 4; ++i) device.DeliverBlock(Block(1));
  // Buffer 0 came back once and was refused; buffer 1 keeps going round alone.
  EXPECT_EQ(sink.accepted, (std::vector<int>{0, 1, 1, 1}));
  EXPECT_FALSE(stream.buffers[0]->queued);
}

TEST_F(CaptureFixture, DuplicateNotificationOfABufferAlreadyHandedOverIsDropped) {
  sink.requeue = false;
  ASSERT_EQ(OpenAndStart(), 0);
  device.DeliverBlock(Block(1));
  ASSERT_EQ(sink.accepted, std::vector<int>{0});
  sink.OnCaptureData(CaptureNotification{stream.generation, 0});  // buffer 0 is with the program
  sink.OnCaptureData(CaptureNotification{stream.generation, 2});  // no such buffer
  EXPECT_EQ(sink.accepted, std::vector<int>{0});
  EXPECT_EQ(sink.dropped, 2);
}

// --- stale notifications ---

TEST_F(CaptureFixture, NotificationsOfAResetArrivingAfterCloseAreDroppedUntouched) {
  ASSERT_EQ(OpenAndStart(), 0);
  device.DeliverBlock(Block(3));
  CloseCapture(stream);
  ASSERT_EQ(device.PendingResetNotifications(), 2u);
  const std::size_t acceptedBefore = sink.accepted.size();
  EXPECT_EQ(device.DeliverPendingResetNotifications(), 2);
  EXPECT_EQ(sink.accepted.size(), acceptedBefore);
  EXPECT_EQ(sink.dropped, 2);
  EXPECT_EQ(device.CountCalls("Add 0") + device.CountCalls("Add 1"), 3);  // two at open, one requeue
}

TEST_F(CaptureFixture, NotificationsOfTheOldStreamAfterReopenAreDroppedAndNotRequeued) {
  ASSERT_EQ(OpenAndStart(), 0);
  const std::uint32_t firstGeneration = stream.generation;
  CloseCapture(stream);
  ComputeWaveFormat(stream, 2, 8);
  ASSERT_EQ(OpenAndStart(), 0);
  EXPECT_NE(stream.generation, firstGeneration);
  device.calls.clear();

  // The old buffers' notifications name indices 0 and 1, like the new ones.
  EXPECT_EQ(device.DeliverPendingResetNotifications(), 2);
  EXPECT_EQ(sink.dropped, 2);
  EXPECT_TRUE(sink.accepted.empty());
  EXPECT_TRUE(device.calls.empty());  // nothing requeued
  EXPECT_TRUE(stream.buffers[0]->queued && stream.buffers[1]->queued);

  // The new stream goes on normally, in its own format.
  device.DeliverBlock(Block(1));
  device.DeliverBlock(Block(1));
  EXPECT_EQ(sink.accepted, (std::vector<int>{0, 1}));
  EXPECT_EQ(sink.firstWords, (std::vector<std::uint32_t>{2048u, 2048u}));
}

TEST_F(CaptureFixture, FailedOpenStillInvalidatesEarlierNotifications) {
  ASSERT_EQ(OpenAndStart(), 0);
  const std::uint32_t oldGeneration = stream.generation;
  CloseCapture(stream);
  device.addResult[1] = 5;
  EXPECT_EQ(OpenCapture(stream, sink), 5);
  EXPECT_FALSE(AcceptCaptureNotification(stream, CaptureNotification{oldGeneration, 0}));
  EXPECT_FALSE(AcceptCaptureNotification(stream, CaptureNotification{oldGeneration, 1}));
  CloseCapture(stream);
}

// --- a device that dies ---

TEST_F(CaptureFixture, DeviceDyingMidStreamStopsTheBlocksAndCloseStillReleasesEverything) {
  ASSERT_EQ(OpenAndStart(), 0);
  for (int i = 0; i < 3; ++i) device.DeliverBlock(Block(1));
  device.Die();
  device.stopResult = -9999;
  device.resetResult = -9999;
  device.closeResult = -9999;
  EXPECT_FALSE(device.DeliverBlock(Block(1)));
  EXPECT_EQ(sink.accepted.size(), 3u);
  CloseCapture(stream);
  EXPECT_EQ(device.CountCalls("Close"), 1);
  EXPECT_FALSE(stream.deviceOpen);
  EXPECT_FALSE(stream.buffers[0] || stream.buffers[1]);
  device.DeliverPendingResetNotifications();
  EXPECT_EQ(sink.accepted.size(), 3u);
  // A later open reports the device's refusal instead of hanging.
  device.queryResult = -9996;
  EXPECT_EQ(OpenCapture(stream, sink), -9996);
}

// --- error report ---

TEST(CaptureError, BeepsThenShowsTheCodeInTheMessageBox) {
  FakeWindowLayer windows;
  AppState app;
  app.windows = &windows;
  ReportDeviceError(app, 32);
  ReportDeviceError(app, -9996);
  EXPECT_EQ(windows.beeps, 2);
  ASSERT_EQ(windows.messageBoxes.size(), 2u);
  EXPECT_EQ(windows.messageBoxes[0], (std::pair<std::string, std::string>{"MMedia error nr 32", "Check audio devices"}));
  EXPECT_EQ(windows.messageBoxes[1].first, "MMedia error nr -9996");
  // The beep comes before its box.
  std::vector<std::string> tail(windows.calls.end() - 2, windows.calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"MessageBeep", "MessageBox MMedia error nr -9996"}));
}

}  // namespace
}  // namespace keblor
