// The document's JPEG reader and writer against bare libjpeg calls with the
// same settings, on a 12 MP photo-like picture. Report the ratio of the means.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/ConverterApp.h"
#include "image/ImageDoc.h"
#include "platform/MessageSink.h"
#include "support/BenchPhotos.h"


namespace {


std::string TempPath(const char* name) {
  const char* t = std::getenv("TMPDIR");
  return std::string(t && *t ? t : "/tmp") + "/" + name + std::to_string(getpid());
}

// A 12 MP photo-like picture, made once per run.
const std::string& Photo() {
  static const std::string path = [] {
    const std::string p = TempPath("qv-bench-photo") + ".jpg";
    qv::bench::WritePhotoJpeg(p, 4000, 3000);
    static const std::string* const toRemove = new std::string(p);  // outlives the statics
    std::atexit([] { std::remove(toRemove->c_str()); });
    return p;
  }();
  return path;
}

struct App {
  qv::CSilentMessageSink sink;
  qv::CConverterApp app{TempPath("qv-bench-config"), sink};
};

void BM_DocumentRead(benchmark::State& state) {
  App a;
  qv::CImageDoc doc(a.app);
  for (auto _ : state) {
    if (!doc.ReadJpeg(Photo())) state.SkipWithError("read failed");
  }
}

void BM_BareDecode(benchmark::State& state) {
  for (auto _ : state) {
    if (!qv::bench::BareDecode(Photo())) state.SkipWithError("decode failed");
  }
}

void BM_DocumentWrite(benchmark::State& state) {
  App a;
  qv::CImageDoc doc(a.app);
  if (!doc.ReadJpeg(Photo())) return state.SkipWithError("read failed");
  const std::string out = TempPath("qv-bench-out");
  for (auto _ : state) {
    if (!doc.WriteJpeg(out + ".jpg__thumb")) state.SkipWithError("write failed");
  }
  std::remove((out + ".jpg").c_str());
}

void BM_BareEncode(benchmark::State& state) {
  App a;
  qv::CImageDoc doc(a.app);
  if (!doc.ReadJpeg(Photo())) return state.SkipWithError("read failed");
  const qv::CDibBitmap& bmp = doc.Bitmap();
  // The same rows, as RGB, in a buffer of their own.
  std::vector<unsigned char> rgb(static_cast<size_t>(bmp.Stride()) * bmp.Height());
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x)
      for (int k = 0; k < 3; ++k) rgb[y * bmp.Stride() + 3 * x + k] = bmp.Row(y)[3 * x + 2 - k];
  const std::string out = TempPath("qv-bench-bare") + ".jpg";
  for (auto _ : state) {
    if (!qv::bench::BareEncode(rgb.data(), static_cast<long>(bmp.Stride()), true, bmp.Width(), bmp.Height(), out, 75))
      state.SkipWithError("encode failed");
  }
  std::remove(out.c_str());
}

} // namespace

BENCHMARK(BM_DocumentRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareDecode)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DocumentWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareEncode)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
