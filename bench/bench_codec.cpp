// The document's JPEG reader and writer against bare libjpeg calls with the
// same settings, on the 12 MP sample photo. Report the ratio of the means.
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include <memory>

#include <jpeglib.h>

#include "app/ConverterApp.h"
#include "image/ImageDoc.h"
#include "platform/MessageSink.h"

#ifndef QUORVEX_SAMPLES_DIR
#define QUORVEX_SAMPLES_DIR "samples"
#endif

namespace {

const std::string kPhoto = std::string(QUORVEX_SAMPLES_DIR) + "/valley-12mp.jpg";

std::string TempPath(const char* name) {
  const char* t = std::getenv("TMPDIR");
  return std::string(t && *t ? t : "/tmp") + "/" + name + std::to_string(getpid());
}

struct App {
  qv::CSilentMessageSink sink;
  qv::CConverterApp app{TempPath("qv-bench-config"), sink};
};

void BM_DocumentRead(benchmark::State& state) {
  App a;
  qv::CImageDoc doc(a.app);
  for (auto _ : state) {
    if (!doc.ReadJpeg(kPhoto)) state.SkipWithError("read failed");
  }
}

void BM_BareDecode(benchmark::State& state) {
  for (auto _ : state) {
    FILE* f = std::fopen(kPhoto.c_str(), "rb");
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    const size_t stride = (d.output_width * 3 + 3) & ~3u;
    // A new image each time, as a reader must make one; left uninitialised.
    std::unique_ptr<unsigned char[]> image(new unsigned char[stride * d.output_height]);
    while (d.output_scanline < d.output_height) {
      JSAMPROW row = image.get() + (d.output_height - 1 - d.output_scanline) * stride;
      jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
    benchmark::DoNotOptimize(image.get());
  }
}

void BM_DocumentWrite(benchmark::State& state) {
  App a;
  qv::CImageDoc doc(a.app);
  if (!doc.ReadJpeg(kPhoto)) return state.SkipWithError("read failed");
  const std::string out = TempPath("qv-bench-out");
  for (auto _ : state) {
    if (!doc.WriteJpeg(out + ".jpg__thumb")) state.SkipWithError("write failed");
  }
  std::remove((out + ".jpg").c_str());
}

void BM_BareEncode(benchmark::State& state) {
  App a;
  qv::CImageDoc doc(a.app);
  if (!doc.ReadJpeg(kPhoto)) return state.SkipWithError("read failed");
  const qv::CDibBitmap& bmp = doc.Bitmap();
  // The same rows, as RGB, in a buffer of their own.
  std::vector<unsigned char> rgb(static_cast<size_t>(bmp.Stride()) * bmp.Height());
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x)
      for (int k = 0; k < 3; ++k) rgb[y * bmp.Stride() + 3 * x + k] = bmp.Row(y)[3 * x + 2 - k];
  const std::string out = TempPath("qv-bench-bare") + ".jpg";
  for (auto _ : state) {
    FILE* f = std::fopen(out.c_str(), "wb");
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(bmp.Width());
    c.image_height = static_cast<JDIMENSION>(bmp.Height());
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 75, TRUE);
    c.optimize_coding = FALSE;
    c.comp_info[0].h_samp_factor = 2;
    c.comp_info[0].v_samp_factor = 1;
    c.write_JFIF_header = FALSE;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
      JSAMPROW row = rgb.data() + (bmp.Height() - 1 - c.next_scanline) * bmp.Stride();
      jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
  }
  std::remove(out.c_str());
}

} // namespace

BENCHMARK(BM_DocumentRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareDecode)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DocumentWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareEncode)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
