// Resampling speed: the line kernels and whole resizes of camera-sized
// images to the device canvas and the thumbnail.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "image/Resample.h"

namespace {

std::vector<uint8_t> Noise(size_t n) {
  std::vector<uint8_t> v(n);
  uint32_t s = 1;
  for (auto& b : v) {
    s = s * 1103515245u + 12345u;
    b = static_cast<uint8_t>(s >> 16);
  }
  return v;
}

// One channel of an interleaved 24-bit line, as the row pass reads it.
void BM_ShrinkLine(benchmark::State& state) {
  const int srcLen = static_cast<int>(state.range(0)), dstLen = static_cast<int>(state.range(1));
  const std::vector<uint8_t> src = Noise(3 * static_cast<size_t>(srcLen));
  std::vector<uint8_t> dst(3 * static_cast<size_t>(dstLen));
  for (auto _ : state) {
    qv::ShrinkLine(dst.data(), dstLen, 3, src.data(), srcLen, 3);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetItemsProcessed(state.iterations() * srcLen);
}
BENCHMARK(BM_ShrinkLine)->Args({6000, 1024})->Args({4000, 160});

void BM_EnlargeLine(benchmark::State& state) {
  const int srcLen = static_cast<int>(state.range(0)), dstLen = static_cast<int>(state.range(1));
  const std::vector<uint8_t> src = Noise(3 * static_cast<size_t>(srcLen));
  std::vector<uint8_t> dst(3 * static_cast<size_t>(dstLen));
  const std::vector<qv::EnlargeWeight> weights = qv::BuildEnlargeWeights(srcLen, dstLen);
  for (auto _ : state) {
    qv::EnlargeLine(dst.data(), dstLen, 3, src.data(), srcLen, 3, weights.data());
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetItemsProcessed(state.iterations() * dstLen);
}
BENCHMARK(BM_EnlargeLine)->Args({640, 1024})->Args({480, 768});

void BM_BuildEnlargeWeights(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(qv::BuildEnlargeWeights(640, 1024));
}
BENCHMARK(BM_BuildEnlargeWeights);

// Args: source width, height, canvas width, height.
void BM_ResizeBitmap(benchmark::State& state) {
  const int sw = static_cast<int>(state.range(0)), sh = static_cast<int>(state.range(1));
  const int W = static_cast<int>(state.range(2)), H = static_cast<int>(state.range(3));
  qv::CDibBitmap source;
  if (!source.Create(sw, sh, qv::kColorTrue)) {
    state.SkipWithError("no memory for the source");
    return;
  }
  const std::vector<uint8_t> noise = Noise(static_cast<size_t>(source.Stride()));
  for (int y = 0; y < sh; ++y) std::copy(noise.begin(), noise.end(), source.Row(y));
  const qv::DisplayOptions display;
  for (auto _ : state) {
    qv::CDibBitmap out;
    std::string error;
    if (!qv::ResizeBitmap(source, W, H, display, out, nullptr, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    benchmark::DoNotOptimize(out.Bits());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(sw) * sh);
}
BENCHMARK(BM_ResizeBitmap)
    ->Args({4000, 3000, 1024, 768})  // 12 MP, 4:3
    ->Args({4000, 3000, 160, 120})
    ->Args({6000, 4000, 1024, 768})  // 24 MP, 3:2
    ->Args({6000, 4000, 160, 120})
    ->Args({3000, 2000, 1024, 768})  // 6 MP, 3:2
    ->Args({3000, 2000, 160, 120})
    ->Args({640, 480, 1024, 768})    // enlarged
    ->Args({100, 75, 1024, 768})     // a small picture, ten times
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
