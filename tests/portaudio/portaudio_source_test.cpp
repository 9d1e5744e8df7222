// The PortAudio source against a stand-in for PortAudio: a device that refuses some rates, and
// a stream whose callback the test calls with the device's frames.
#include "portaudio/portaudio_source.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "fakes/fake_reports.h"


namespace keblor::test {
namespace {

// One input device; what the source asked of it.
struct FakeDevice {
  std::set<int> acceptedRates;
  std::vector<int> askedRates;
  double openedRate = 0;
  PaSampleFormat openedFormat = 0;
  unsigned long framesPerBuffer = 0;
  PaStreamCallback* callback = nullptr;
  void* userData = nullptr;
  bool running = false;
  bool open = false;
};
FakeDevice device;

const PaDeviceInfo INFO = {2, "USB Audio CODEC: - (hw:1,0)", 0, 2, 0, 0.01, 0.01, 0.1, 0.1, 48000.0};
const PaHostApiInfo HOST = {1, paALSA, "ALSA", 1, 0, -1};

PaError Initialize() { return paNoError; }
PaError Terminate() { return paNoError; }
PaDeviceIndex DeviceCount() { return 1; }
const PaDeviceInfo* DeviceInfo(PaDeviceIndex index) { return index == 0 ? &INFO : nullptr; }
PaDeviceIndex DefaultInput() { return 0; }
PaHostApiIndex DefaultHostApi() { return 0; }
const PaHostApiInfo* HostApiInfo(PaHostApiIndex index) { return index == 0 ? &HOST : nullptr; }
PaError IsFormatSupported(const PaStreamParameters*, const PaStreamParameters*, double rate) {
  device.askedRates.push_back(static_cast<int>(rate));
  return device.acceptedRates.count(static_cast<int>(rate)) != 0 ? paFormatIsSupported : paInvalidSampleRate;
}
PaError OpenStream(PaStream** stream, const PaStreamParameters* input, const PaStreamParameters*, double rate,
                   unsigned long framesPerBuffer, PaStreamFlags, PaStreamCallback* callback, void* userData) {
  device.openedRate = rate;
  device.openedFormat = input->sampleFormat;
  device.framesPerBuffer = framesPerBuffer;
  device.callback = callback;
  device.userData = userData;
  device.open = true;
  *stream = static_cast<PaStream*>(&device);
  return paNoError;
}
PaError StartStream(PaStream*) {
  device.running = true;
  return paNoError;
}
PaError IsStreamStopped(PaStream*) { return device.running ? 0 : 1; }
PaError AbortStream(PaStream*) {
  device.running = false;
  return paNoError;
}
PaError CloseStream(PaStream*) {
  device.open = false;
  return paNoError;
}

const PortAudioApi FAKE = {&Initialize,     &Terminate,         &DeviceCount,  &DeviceInfo,   &DefaultInput,
                           &DefaultHostApi, &HostApiInfo,       &IsFormatSupported, &OpenStream, &StartStream,
                           &IsStreamStopped, &AbortStream,      &CloseStream};

class PortAudioSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { device = FakeDevice{}; }
  // What the device's thread does: one callback with these frames.
  void Deliver(const void* frames, unsigned long count) {
    device.callback(frames, nullptr, count, nullptr, 0, device.userData);
  }
};

// A device that refuses 10240 Hz is captured at the first rate it takes (48000 Hz refused
// here), in floats, 100 ms a callback; the program gets 1024-frame blocks at 10240 Hz in its
// own format (what they hold: block_resampler_test.cpp).
TEST_F(PortAudioSourceTest, ARefusedRateIsCapturedAtAnotherAndConverted) {
  device.acceptedRates = {44100, 16000, 8000};
  PortAudioSource source(FAKE);
  ASSERT_EQ(source.Query({1, 16}), 0);
  test::FakeReports reports;
  source.SetReports(&reports);
  ASSERT_TRUE(source.Open({1, 16}).Ok());
  ASSERT_EQ(reports.lines.size(), 1u);
  EXPECT_NE(reports.lines.front().find("capturing at 44100 Hz"), std::string::npos) << reports.lines.front();
  EXPECT_EQ(device.askedRates, (std::vector<int>{10240, 48000, 44100, 10240, 48000, 44100}));  // query, open
  EXPECT_EQ(device.openedRate, 44100.0);
  EXPECT_EQ(device.openedFormat, paFloat32);
  EXPECT_EQ(device.framesPerBuffer, 4410u);
  EXPECT_EQ(source.DeviceRate(), 44100);

  std::vector<std::vector<std::uint8_t>> blocks;
  ASSERT_EQ(source.Start([&](const std::uint8_t* frames, const AudioFormat& format) {
    EXPECT_EQ(format, (AudioFormat{1, 16}));
    blocks.emplace_back(frames, frames + BlockBytes(format));
  }), 0);
  const std::vector<float> callback(4410, 0.25f);
  for (int call = 0; call < 20; ++call) {
    Deliver(callback.data(), 4410);
    source.DispatchBlocks();
  }
  EXPECT_GE(blocks.size(), 19u);
  EXPECT_LE(blocks.size(), 20u);
  EXPECT_EQ(source.LostBlocks(), 0u);

  source.Close();
  EXPECT_FALSE(device.open);
  EXPECT_EQ(source.DeviceRate(), 0);
}

// A device that takes 10240 Hz gets blocks of 1024 frames in the program's format, passed on as
// they come; one that takes none of the rates is refused with its code, at query and at open.
TEST_F(PortAudioSourceTest, TenThousandTwoHundredFortyHzIsTakenAsItIsAndNoRateIsAnError) {
  device.acceptedRates = {10240, 48000};
  PortAudioSource source(FAKE);
  ASSERT_TRUE(QueryAndOpen(source, {2, 8}).Ok());
  EXPECT_EQ(device.openedRate, 10240.0);
  EXPECT_EQ(device.openedFormat, paUInt8);
  EXPECT_EQ(device.framesPerBuffer, 1024u);
  std::vector<std::uint8_t> got;
  source.Start([&](const std::uint8_t* frames, const AudioFormat& format) { got.assign(frames, frames + BlockBytes(format)); });
  std::vector<std::uint8_t> block(2 * AUDIO_BLOCK_FRAMES);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 7);
  Deliver(block.data(), AUDIO_BLOCK_FRAMES);
  source.DispatchBlocks();
  EXPECT_EQ(got, block);
  source.Close();

  device = FakeDevice{};
  PortAudioSource refused(FAKE);
  EXPECT_EQ(refused.Query({1, 16}), paInvalidSampleRate);
  const OpenResult opened = refused.Open({1, 16});
  EXPECT_EQ(opened.failedStep, OpenStep::Open);
  EXPECT_EQ(opened.code, paInvalidSampleRate);
  EXPECT_FALSE(device.open);
}

}  // namespace
}  // namespace keblor::test
