#include "analysis/fft_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <complex>
#include <cstddef>
#include <random>
#include <vector>

namespace keblor {
namespace {

constexpr std::size_t N = static_cast<std::size_t>(FFT_SIZE);
constexpr double PI = 3.14159265358979323846;

using Block = std::array<float, N>;

class FftEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildFftTables(tables); }

  void Forward(Block& re, Block& im) const {
    FftTransform(-1, FFT_SIZE, re.data(), im.data(), tables.stageCos.data(), tables.stageSin.data());
  }

  FftTables tables;
};

void FillRandom(Block& re, Block& im, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> dist(-1000.0f, 1000.0f);
  for (std::size_t i = 0; i < N; ++i) {
    re[i] = dist(gen);
    im[i] = dist(gen);
  }
}

// Exact DFT in double with exact twiddles: the mathematical answer the transform approximates.
std::vector<std::complex<double>> ExactDft(const Block& re, const Block& im, int sign) {
  std::vector<std::complex<double>> out(N);
  for (std::size_t k = 0; k < N; ++k) {
    std::complex<double> sum = 0.0;
    for (std::size_t m = 0; m < N; ++m) {
      const double angle = (sign < 0 ? -2.0 : 2.0) * PI * static_cast<double>((k * m) % N) / static_cast<double>(N);
      sum += std::complex<double>(re[m], im[m]) * std::polar(1.0, angle);
    }
    out[k] = sum;
  }
  return out;
}

// The transform restated the plain way, group by group with the twiddle carried along, in the
// order the algorithm is written.
void PlainTransform(int sign, Block& re, Block& im, const FftTables& t) {
  const int n = FFT_SIZE;
  for (int s = 0; s < FFT_LOG2_SIZE; ++s) {
    const int d = n >> s;
    const int h = d / 2;
    const double c = t.stageCos[static_cast<std::size_t>(s)];
    const double st = t.stageSin[static_cast<std::size_t>(s)];
    const double step = sign >= 0 ? st : -st;
    double wr = 1.0;
    double wi = 0.0;
    for (int j = 0; j < h; ++j) {
      for (int g = j; g < n; g += d) {
        const auto a = static_cast<std::size_t>(g);
        const auto b = static_cast<std::size_t>(g + h);
        const double p = static_cast<double>(re[a]) - re[b];
        const double q = static_cast<double>(im[a]) - im[b];
        re[a] = static_cast<float>(static_cast<double>(re[a]) + re[b]);
        im[a] = static_cast<float>(static_cast<double>(im[a]) + im[b]);
        re[b] = static_cast<float>(p * wr - q * wi);
        im[b] = static_cast<float>(q * wr + p * wi);
      }
      const double nwr = c * wr - step * wi;
      wi = c * wi + step * wr;
      wr = nwr;
    }
  }
  int r = 0;
  for (int j = 0; j <= n - 2; ++j) {
    if (j < r) {
      std::swap(re[static_cast<std::size_t>(j)], re[static_cast<std::size_t>(r)]);
      std::swap(im[static_cast<std::size_t>(j)], im[static_cast<std::size_t>(r)]);
    }
    int k = n / 2;
    while (k <= r) {
      r -= k;
      k /= 2;
    }
    r += k;
  }
}

TEST_F(FftEngineTest, TablesHoldThePeriodicHannWindowAndTheStageSteps) {
  EXPECT_EQ(tables.hannWindow[0], 0.0f);
  EXPECT_EQ(tables.hannWindow[256], 0.5f);
  EXPECT_EQ(tables.hannWindow[512], 1.0f);
  EXPECT_NEAR(tables.hannWindow[768], 0.5f, 1e-7);
  EXPECT_NEAR(tables.hannWindow[1], 0.5 - 0.5 * std::cos(2.0 * PI / 1024.0), 1e-9);
  // Entry 0 is the 1024-point step, entry 9 the 2-point one.
  EXPECT_FLOAT_EQ(tables.stageCos[0], static_cast<float>(std::cos(2.0 * PI / 1024.0)));
  EXPECT_FLOAT_EQ(tables.stageSin[0], static_cast<float>(std::sin(2.0 * PI / 1024.0)));
  EXPECT_FLOAT_EQ(tables.stageSin[7], static_cast<float>(std::sin(2.0 * PI / 8.0)));
  EXPECT_EQ(tables.stageCos[9], -1.0f);
  // The twelve-decimal 2*pi leaves a tiny positive sine at half a turn.
  EXPECT_GT(tables.stageSin[9], 0.0f);
  EXPECT_LT(tables.stageSin[9], 1e-11f);
}

TEST_F(FftEngineTest, AgreesWithAnExactDftInBothDirections) {
  for (int sign : {-1, 1}) {
    Block re{}, im{};
    FillRandom(re, im, sign < 0 ? 11u : 12u);
    const auto exact = ExactDft(re, im, sign);
    FftTransform(sign, FFT_SIZE, re.data(), im.data(), tables.stageCos.data(), tables.stageSin.data());
    double scale = 0.0;
    double worst = 0.0;
    for (std::size_t k = 0; k < N; ++k) {
      scale = std::max(scale, std::abs(exact[k]));
      worst = std::max(worst, std::abs(std::complex<double>(re[k], im[k]) - exact[k]));
    }
    // The running twiddle drifts by a few parts in a million; more means a wrong kernel.
    EXPECT_LT(worst / scale, 1e-5) << "sign " << sign;
  }
}

TEST_F(FftEngineTest, GivesTheGroupByGroupRecurrenceBitForBit) {
  // The same operations in another order of loops: any change to the arithmetic (a fused
  // multiply-add, a reordered sum, exact twiddles) shows here, and would shift the display.
  // A second set of step tables (no rotation in the first stage) must be the one used.
  FftTables altered = tables;
  altered.stageCos[0] = 1.0f;
  altered.stageSin[0] = 0.0f;
  for (const FftTables* t : {&tables, &altered}) {
    for (int sign : {-1, 1}) {
      Block re{}, im{};
      FillRandom(re, im, 21u + static_cast<unsigned>(sign + 1));
      Block plainRe = re, plainIm = im;
      FftTransform(sign, FFT_SIZE, re.data(), im.data(), t->stageCos.data(), t->stageSin.data());
      PlainTransform(sign, plainRe, plainIm, *t);
      EXPECT_EQ(std::memcmp(re.data(), plainRe.data(), sizeof re), 0) << "sign " << sign;
      EXPECT_EQ(std::memcmp(im.data(), plainIm.data(), sizeof im), 0) << "sign " << sign;
    }
  }
}

TEST_F(FftEngineTest, OtherLengthsAreLeftUntouched) {
  Block re{}, im{};
  FillRandom(re, im, 3u);
  const Block re0 = re, im0 = im;
  FftTransform(-1, 512, re.data(), im.data(), tables.stageCos.data(), tables.stageSin.data());
  EXPECT_EQ(re, re0);
  EXPECT_EQ(im, im0);
}

TEST(FftOutput, CopyHalfSpectrumCopiesExactly513Entries) {
  Block re{}, im{};
  for (std::size_t i = 0; i < N; ++i) {
    re[i] = static_cast<float>(i);
    im[i] = -static_cast<float>(i);
  }
  std::array<float, 600> outRe{}, outIm{};
  outRe.fill(-7.0f);
  outIm.fill(-7.0f);
  CopyHalfSpectrum(FFT_SIZE, re.data(), im.data(), outRe.data(), outIm.data());
  for (std::size_t k = 0; k <= 512; ++k) {
    ASSERT_EQ(outRe[k], static_cast<float>(k));
    ASSERT_EQ(outIm[k], -static_cast<float>(k));
  }
  EXPECT_EQ(outRe[513], -7.0f);
  EXPECT_EQ(outIm[513], -7.0f);
}

// One channel a cosine on bin 100 over a DC offset, the other a sine on bin 37 and a tone at
// Nyquist: each comes out twice its plain DFT, nothing leaks into the other channel, and DC and
// Nyquist are doubled exactly with no imaginary part.
TEST_F(FftEngineTest, SplitKeepsTwoChannelsApart) {
  const double u = 500.0;
  Block re{}, im{};
  for (std::size_t m = 0; m < N; ++m) {
    re[m] = static_cast<float>(u * std::cos(2.0 * PI * static_cast<double>(100 * m) / 1024.0) + u / 2.0);
    im[m] = static_cast<float>(u * std::sin(2.0 * PI * static_cast<double>(37 * m) / 1024.0) + (m % 2 ? -u : u));
  }
  Forward(re, im);
  std::array<float, HALF_SPECTRUM_SIZE> aRe{}, aIm{}, bRe{}, bIm{};
  SplitTwoRealSpectra(FFT_SIZE, re.data(), im.data(), aRe.data(), aIm.data(), bRe.data(), bIm.data());
  const double full = 2.0 * u * 512.0;  // twice the plain DFT's u * n / 2
  const double tolerance = full * 1e-5;
  EXPECT_NEAR(aRe[100], full, tolerance);  // a cosine is real
  EXPECT_NEAR(aIm[100], 0.0, tolerance);
  EXPECT_NEAR(bRe[37], 0.0, tolerance);
  EXPECT_NEAR(bIm[37], -full, tolerance);  // a sine is negative imaginary
  EXPECT_NEAR(aRe[0], full, tolerance);
  EXPECT_NEAR(bRe[512], 2.0 * full, tolerance);
  for (std::size_t k = 0; k < HALF_SPECTRUM_SIZE; ++k) {
    if (k != 0 && k != 100) {
      ASSERT_LT(std::hypot(aRe[k], aIm[k]), tolerance) << k;
    }
    if (k != 37 && k != 512) {
      ASSERT_LT(std::hypot(bRe[k], bIm[k]), tolerance) << k;
    }
  }
  for (std::size_t k : {std::size_t{0}, std::size_t{512}}) {
    EXPECT_EQ(aRe[k], 2.0f * re[k]) << k;
    EXPECT_EQ(bRe[k], 2.0f * im[k]) << k;
    EXPECT_EQ(aIm[k], 0.0f) << k;
    EXPECT_EQ(bIm[k], 0.0f) << k;
  }
}

}  // namespace
}  // namespace keblor
