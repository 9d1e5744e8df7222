// The conversion from a device's rate to 10240 Hz, measured as the analysis sees it: the tone's
// bin, its strength, and what lies beside it.
#include "portaudio/block_resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "portaudio/portaudio_source.h"
#include "spectrum_probe.h"

namespace keblor::test {
namespace {

struct Tone {
  double hz;
  double amplitude;
};

// Interleaved float frames: each channel the sum of its tones.
std::vector<float> Tones(int rate, double seconds, const std::vector<std::vector<Tone>>& channels) {
  const auto frames = static_cast<std::size_t>(rate * seconds);
  std::vector<float> out(frames * channels.size());
  for (std::size_t i = 0; i < frames; ++i)
    for (std::size_t c = 0; c < channels.size(); ++c) {
      double sum = 0.0;
      for (const Tone& tone : channels[c]) sum += tone.amplitude * std::sin(2.0 * M_PI * tone.hz * double(i) / rate);
      out[i * channels.size() + c] = static_cast<float>(sum);
    }
  return out;
}

// The blocks a device's frames become, handed over `chunk` frames at a time.
std::vector<std::vector<std::uint8_t>> Convert(int rate, const AudioFormat& format, const std::vector<float>& input,
                                               std::size_t chunk) {
  BlockResampler resampler;
  EXPECT_TRUE(resampler.Configure(rate, format, chunk));
  std::vector<std::vector<std::uint8_t>> blocks;
  const auto bytes = static_cast<std::size_t>(BlockBytes(format));
  auto sink = [](void* context, const std::uint8_t* block) {
    auto& out = *static_cast<std::pair<std::vector<std::vector<std::uint8_t>>*, std::size_t>*>(context);
    out.first->emplace_back(block, block + out.second);
  };
  std::pair<std::vector<std::vector<std::uint8_t>>*, std::size_t> context{&blocks, bytes};
  const auto channels = static_cast<std::size_t>(format.channels);
  const std::size_t frames = input.size() / channels;
  for (std::size_t at = 0; at < frames; at += chunk)
    resampler.Push(input.data() + at * channels, std::min(chunk, frames - at), sink, &context);
  return blocks;
}

constexpr int SETTLING_BLOCKS = 2;  // the filter's delay fills the first block with its start

// At every rate tried, a 700 Hz tone peaks in bin 70 as at 10240 Hz, and nothing else comes
// within 60 dB of it: not the tone's images (8000 Hz is stretched up), nor a tone above the new
// band (9000 Hz, or 7000 Hz at 16000 Hz), which would fold back to 1240 or 3240 Hz unfiltered.
TEST(BlockResampler, EveryCaptureRateGivesTheTonesBinAndNothingElse) {
  for (const int rate : CAPTURE_RATES) {
    SCOPED_TRACE(rate);
    std::vector<Tone> tones = {{700.0, 0.45}};
    if (rate > 16000) tones.push_back({9000.0, 0.45});
    if (rate == 16000) tones.push_back({7000.0, 0.45});
    const std::vector<float> input = Tones(rate, 2.0, {tones});
    const auto blocks = Convert(rate, {1, 16}, input, static_cast<std::size_t>(rate / 10));
    ASSERT_GE(blocks.size(), 19u);
    ASSERT_LE(blocks.size(), 20u);
    SpectrumProbe probe;
    for (std::size_t b = SETTLING_BLOCKS; b < blocks.size(); ++b) {
      probe.Measure(blocks[b].data(), {1, 16}, 0);
      EXPECT_EQ(probe.PeakBin(), 70) << "block " << b;
      EXPECT_GT(probe.RestBelowPeakDb(), 60.0) << "block " << b;
    }
  }
}

// Converted from 48000 Hz, the tone is as strong as the same tone captured at 10240 Hz, and
// blocks come to 10240 frames a second however the device's frames are cut.
TEST(BlockResampler, TheAnalysisSeesWhatItWouldAt10240Hz) {
  const std::vector<float> direct = Tones(AUDIO_RATE, 0.1, {{{700.0, 0.5}}});
  std::vector<std::uint8_t> reference(static_cast<std::size_t>(BlockBytes({1, 16})));
  for (std::size_t i = 0; i < direct.size(); ++i) {
    const auto value = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lrint(direct[i] * 32768.0)));
    reference[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
    reference[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
  }
  SpectrumProbe probe;
  probe.Measure(reference.data(), {1, 16}, 0);
  const double expected = probe.Peak();

  const std::vector<float> input = Tones(48000, 3.0, {{{700.0, 0.5}}});
  const auto blocks = Convert(48000, {1, 16}, input, 1000);  // not a block's worth
  EXPECT_GE(blocks.size(), 29u);
  EXPECT_LE(blocks.size(), 30u);
  probe.Measure(blocks.back().data(), {1, 16}, 0);
  EXPECT_EQ(probe.PeakBin(), 70);
  EXPECT_NEAR(20.0 * std::log10(probe.Peak() / expected), 0.0, 0.1);
}

// Stereo keeps its channels apart; 8 bits come out unsigned; a device that delivers nothing
// gives silent blocks.
TEST(BlockResampler, FormatsAndSilence) {
  const std::vector<float> stereo = Tones(44100, 1.0, {{{700.0, 0.5}}, {{1000.0, 0.5}}});
  const auto blocks = Convert(44100, {2, 16}, stereo, 4410);
  ASSERT_GT(blocks.size(), 5u);
  SpectrumProbe probe;
  probe.Measure(blocks[5].data(), {2, 16}, 0);
  EXPECT_EQ(probe.PeakBin(), 70);
  probe.Measure(blocks[5].data(), {2, 16}, 1);
  EXPECT_EQ(probe.PeakBin(), 100);

  const auto mono8 = Convert(48000, {1, 8}, Tones(48000, 1.0, {{{700.0, 0.5}}}), 4800);
  ASSERT_GT(mono8.size(), 5u);
  ASSERT_EQ(mono8[5].size(), static_cast<std::size_t>(AUDIO_BLOCK_FRAMES));
  probe.Measure(mono8[5].data(), {1, 8}, 0);
  EXPECT_EQ(probe.PeakBin(), 70);

  BlockResampler resampler;
  ASSERT_TRUE(resampler.Configure(16000, {1, 8}, 1600));
  std::vector<std::uint8_t> silent;
  auto sink = [](void* context, const std::uint8_t* block) {
    static_cast<std::vector<std::uint8_t>*>(context)->assign(block, block + AUDIO_BLOCK_FRAMES);
  };
  for (int i = 0; i < 10; ++i) resampler.Push(nullptr, 1600, sink, &silent);
  ASSERT_EQ(silent.size(), static_cast<std::size_t>(AUDIO_BLOCK_FRAMES));
  for (std::uint8_t sample : silent) ASSERT_EQ(sample, 0x80);
  EXPECT_FALSE(resampler.Configure(0, {1, 16}, 100));
}

}  // namespace
}  // namespace keblor::test
