// End to end: the batch conversion of generated photos against the least
// work any correct converter must do for them: one libjpeg decode of the
// source plus libjpeg encodes of a 1024 x 768 and a 160 x 120 image.
//
//   bench_convert [--benchmark_...]     per-file times, one job
// The two-job throughput and the peak memory are printed by
//   bench_convert --jobs-and-memory
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <map>
#include <sys/wait.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

#include "app/ConverterApp.h"
#include "batch/BatchEngine.h"
#include "image/ImageDoc.h"
#include "platform/MessageSink.h"

namespace {

struct PhotoSpec {
  const char* name;
  int width, height;
};
const PhotoSpec kPhotos[] = {
    // Sides above 5000 pixels are refused by the reader, so "24 MP" is 5000 x 4800.
    {"24mp", 5000, 4800}, {"12mp", 4000, 3000}, {"3mp", 2048, 1536},
    {"portrait", 3000, 4000}, {"4x3", 1600, 1200},
};

std::string WorkDir() {
  static std::string dir = [] {
    const char* t = std::getenv("TMPDIR");
    std::string d = std::string(t && *t ? t : "/tmp") + "/qv-bench-convert-" + std::to_string(getpid());
    ::mkdir(d.c_str(), 0755);
    ::mkdir((d + "/out").c_str(), 0755);
    return d;
  }();
  return dir;
}

// A landscape with texture and sensor noise, encoded as a camera would
// (quality 92, 2 x 2 sampling), so decoding costs what real photos cost.
std::string MakePhoto(const PhotoSpec& p) {
  const std::string path = WorkDir() + "/" + p.name + ".jpg";
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) return path;
  FILE* f = std::fopen(path.c_str(), "wb");
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(p.width);
  c.image_height = static_cast<JDIMENSION>(p.height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 92, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(p.width) * 3);
  unsigned state = 12345;
  while (c.next_scanline < c.image_height) {
    const double v = static_cast<double>(c.next_scanline) / p.height;
    for (int x = 0; x < p.width; ++x) {
      const double u = static_cast<double>(x) / p.width;
      state = state * 1664525u + 1013904223u;
      const int noise = static_cast<int>((state >> 24) % 13) - 6;
      const double hill = 0.55 + 0.08 * std::sin(u * 9.0) + 0.03 * std::sin(u * 41.0);
      double r, g, b;
      if (v < hill) {
        r = 90 + 120 * v;
        g = 140 + 80 * v;
        b = 230 - 60 * v;
      } else {
        const double t = std::sin(u * 700.0 + v * 300.0) * std::sin(v * 520.0);
        r = 60 + 40 * t + 50 * v;
        g = 110 + 50 * t;
        b = 40 + 20 * t;
      }
      unsigned char* px = &row[static_cast<size_t>(x) * 3];
      px[0] = static_cast<unsigned char>(std::min(255.0, std::max(0.0, r + noise)));
      px[1] = static_cast<unsigned char>(std::min(255.0, std::max(0.0, g + noise)));
      px[2] = static_cast<unsigned char>(std::min(255.0, std::max(0.0, b + noise)));
    }
    JSAMPROW rp = row.data();
    jpeg_write_scanlines(&c, &rp, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::fclose(f);
  return path;
}

// ---- the bound: decode once, encode 1024 x 768 and 160 x 120 ----

void Encode(const std::vector<unsigned char>& rgb, int w, int h, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 75, TRUE);
  c.comp_info[0].h_samp_factor = 2;
  c.comp_info[0].v_samp_factor = 1;
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW r = const_cast<unsigned char*>(rgb.data()) + static_cast<size_t>(c.next_scanline) * w * 3;
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::fclose(f);
}

void BoundOnce(const std::string& src, const std::string& out) {
  FILE* f = std::fopen(src.c_str(), "rb");
  jpeg_decompress_struct d;
  jpeg_error_mgr err;
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_stdio_src(&d, f);
  jpeg_read_header(&d, TRUE);
  jpeg_start_decompress(&d);
  std::vector<unsigned char> image(static_cast<size_t>(d.output_width) * d.output_height * 3);
  while (d.output_scanline < d.output_height) {
    JSAMPROW r = image.data() + static_cast<size_t>(d.output_scanline) * d.output_width * 3;
    jpeg_read_scanlines(&d, &r, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  std::fclose(f);
  benchmark::DoNotOptimize(image.data());
  // Encoding cost depends on size and content, not on how the pixels were
  // made: encode constant-free crops of the decoded image.
  std::vector<unsigned char> big(1024 * 768 * 3), small(160 * 120 * 3);
  for (int y = 0; y < 768; ++y)
    std::memcpy(&big[static_cast<size_t>(y) * 1024 * 3], &image[static_cast<size_t>(y) * d.output_width * 3], 1024 * 3);
  for (int y = 0; y < 120; ++y)
    std::memcpy(&small[static_cast<size_t>(y) * 160 * 3], &image[static_cast<size_t>(y) * d.output_width * 3], 160 * 3);
  Encode(small, 160, 120, out + ".thumb.jpg");
  Encode(big, 1024, 768, out);
}

struct Quiet {
  qv::CSilentMessageSink sink;
  qv::CConverterApp app{WorkDir() + "/config", sink};
};

void BM_Convert(benchmark::State& state) {
  const PhotoSpec& p = kPhotos[state.range(0)];
  const std::string src = MakePhoto(p);
  Quiet q;
  qv::CImageDoc doc(q.app);
  const std::string out = WorkDir() + "/out/Imag0001.jpg";
  for (auto _ : state) {
    std::remove(out.c_str());
    if (qv::ConvertToDeviceFile(doc, src, out, 1024, 768) != qv::CONVERT_DONE) state.SkipWithError("convert failed");
  }
  state.SetLabel(p.name);
}

void BM_Bound(benchmark::State& state) {
  const PhotoSpec& p = kPhotos[state.range(0)];
  const std::string src = MakePhoto(p);
  const std::string out = WorkDir() + "/out/bound.jpg";
  for (auto _ : state) BoundOnce(src, out);
  state.SetLabel(p.name);
}

// Files per second with `jobs` threads over every photo, a few rounds.
double Throughput(int jobs, int rounds) {
  std::vector<std::string> files;
  for (int r = 0; r < rounds; ++r)
    for (const PhotoSpec& p : kPhotos) files.push_back(MakePhoto(p));
  std::atomic<size_t> next{0};
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (int t = 0; t < jobs; ++t) {
    threads.emplace_back([&, t] {
      Quiet q;
      qv::CImageDoc doc(q.app);
      for (size_t i; (i = next++) < files.size();) {
        const std::string out = WorkDir() + "/out/J" + std::to_string(t) + "_" + std::to_string(i) + ".jpg";
        qv::ConvertToDeviceFile(doc, files[i], out, 1024, 768);
        std::remove(out.c_str());
      }
    });
  }
  for (auto& th : threads) th.join();
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return files.size() / s;
}

int JobsAndMemory() {
  const double one = Throughput(1, 2);
  const double two = Throughput(2, 2);
  std::printf("throughput: 1 job %.2f files/s, 2 jobs %.2f files/s, ratio %.2f\n", one, two, two / one);
  // Peak memory of one 24 MP conversion in a fresh process.
  const std::string src = MakePhoto(kPhotos[0]);
  const pid_t pid = fork();
  if (pid == 0) {
    Quiet q;
    qv::CImageDoc doc(q.app);
    const int r = qv::ConvertToDeviceFile(doc, src, WorkDir() + "/out/mem.jpg", 1024, 768);
    _exit(r == qv::CONVERT_DONE ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  rusage ru {};
  getrusage(RUSAGE_CHILDREN, &ru);
  const double decoded = 5000.0 * 4800.0 * 3.0 / 1024.0;  // KiB
  std::printf("peak RSS converting 24 MP: %ld KiB = %.2f x its decoded 24-bit size\n", ru.ru_maxrss,
              ru.ru_maxrss / decoded);
  return 0;
}

} // namespace

BENCHMARK(BM_Convert)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Bound)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--jobs-and-memory") == 0) return JobsAndMemory();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
