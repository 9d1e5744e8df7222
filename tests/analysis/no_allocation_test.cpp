// Counts every global operator new of this test program, to show that analysing blocks
// allocates nothing once the tables are built.

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "analysis/spectrum_analyzer.h"
#include "cw_band.h"

namespace {

// Aligned blocks from the C runtime: std::aligned_alloc and free, or on Windows, whose C
// runtime has no aligned_alloc, _aligned_malloc and _aligned_free.
void* AlignedAllocate(std::size_t size, std::size_t alignment) {
#if defined(_WIN32)
  return _aligned_malloc(size, alignment);
#else
  return std::aligned_alloc(alignment, size);
#endif
}

void AlignedFree(void* p) {
#if defined(_WIN32)
  _aligned_free(p);
#else
  std::free(p);
#endif
}

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* CountedAlloc(std::size_t size) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void* CountedAlignedAlloc(std::size_t size, std::align_val_t align) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
  const auto a = static_cast<std::size_t>(align);
  const std::size_t rounded = (size + a - 1) / a * a;
  void* p = AlignedAllocate(rounded == 0 ? a : rounded, a);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

}  // namespace

void* operator new(std::size_t size) { return CountedAlloc(size); }
void* operator new[](std::size_t size) { return CountedAlloc(size); }
void* operator new(std::size_t size, std::align_val_t align) { return CountedAlignedAlloc(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return CountedAlignedAlloc(size, align); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { AlignedFree(p); }
void operator delete[](void* p, std::align_val_t) noexcept { AlignedFree(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { AlignedFree(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { AlignedFree(p); }

namespace keblor {
namespace {

TEST(NoAllocation, TheCounterSeesAnAllocation) {
  // The counter itself must work, or the test below proves nothing.
  allocations = 0;
  counting = true;
  auto* p = new std::vector<int>(10);
  counting = false;
  delete p;
  EXPECT_GE(allocations.load(), 2);
}

TEST(NoAllocation, AnalysingBlocksOfEveryFormatAllocatesNothing) {
  SpectrumAnalyzer analyzer;
  std::vector<std::uint8_t> frames(4 * static_cast<std::size_t>(FFT_SIZE));
  for (std::size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<std::uint8_t>(i * 37 + 11);

  allocations = 0;
  counting = true;
  int blocks = 0;
  int completed = 0;
  int expected = 0;
  for (int channels : {1, 2}) {
    for (int bits : {8, 16}) {
      for (int range = 0; range < RANGE_COUNT; ++range) {
        for (const bool running : {false, true}) {  // the pitch readout with either averaging
          analyzer.Configure({3, true, range, 4 - range, range % 2 == 0, running, running || range % 2 == 1});
          for (int i = 0; i < 30; ++i) {
            if (analyzer.Push(frames.data(), {channels, bits})) ++completed;
            ++blocks;
          }
          expected += running ? 30 : 10;
        }
      }
    }
  }
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
  EXPECT_EQ(completed, expected);
  EXPECT_GT(blocks, completed);
}

}  // namespace
}  // namespace keblor

namespace keblor {
namespace {

TEST(NoAllocation, DecodingSixteenSignalsOnEachSideAllocatesNothing) {
  const auto blocks = SixteenStationsEachSide(60);
  auto analyzer = std::make_unique<SpectrumAnalyzer>();
  AnalyzerOptions options;
  options.decode = true;
  analyzer->Configure(options);  // the skimmers are made here, not per block
  allocations = 0;
  counting = true;
  for (const auto& block : blocks) analyzer->Push(block.data(), {2, 16});
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
  EXPECT_EQ(analyzer->ChannelSkimmer(0)->Count(), 16);
  EXPECT_EQ(analyzer->ChannelSkimmer(1)->Count(), 16);
}

}  // namespace
}  // namespace keblor
