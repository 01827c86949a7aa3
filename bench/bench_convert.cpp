// End to end: the batch conversion of generated photos against the least
// work any correct converter must do for them: one libjpeg decode of the
// source plus libjpeg encodes of a 1024 x 768 and a 160 x 120 image.
//
//   bench_convert [--benchmark_...]     per-file times, one job
// The two-job throughput and the peak memory are printed by
//   bench_convert --jobs-and-memory
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <sys/wait.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/ConverterApp.h"
#include "batch/BatchEngine.h"
#include "image/ImageDoc.h"
#include "platform/MessageSink.h"
#include "support/BenchPhotos.h"

namespace {

struct PhotoSpec {
  const char* name;
  int width, height;
};
const PhotoSpec kPhotos[] = {
    {"24mp", 5000, 4800}, {"12mp", 4000, 3000}, {"3mp", 2048, 1536},
    {"portrait", 3000, 4000}, {"4x3", 1600, 1200},
    // Over 5000 pixels the reader decodes at M/8: 6/8 and 5/8 here, beside
    // the largest photo decoded whole.
    {"5000x3750", 5000, 3750}, {"6000x4000", 6000, 4000}, {"8000x6000", 8000, 6000},
};
constexpr int kPhotoCount = static_cast<int>(sizeof kPhotos / sizeof kPhotos[0]);

std::string WorkDir() {
  static std::string dir = [] {
    const char* t = std::getenv("TMPDIR");
    std::string d = std::string(t && *t ? t : "/tmp") + "/qv-bench-convert-" + std::to_string(getpid());
    ::mkdir(d.c_str(), 0755);
    ::mkdir((d + "/out").c_str(), 0755);
    static const std::string* const toRemove = new std::string(d);  // outlives the statics
    std::atexit([] {
      const std::string cmd = "rm -rf '" + *toRemove + "'";
      if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", toRemove->c_str());
    });
    return d;
  }();
  return dir;
}

std::string MakePhoto(const PhotoSpec& p) {
  const std::string path = WorkDir() + "/" + p.name + ".jpg";
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) qv::bench::WritePhotoJpeg(path, p.width, p.height);
  return path;
}

// ---- the bound: decode once, encode 1024 x 768 and 160 x 120 ----

void BoundOnce(const std::string& src, const std::string& out) {
  qv::bench::BareDecode(src);
  // Encoding cost depends on size and content, not on where the pixels come
  // from: encode a photo-like picture of each size.
  static const std::vector<unsigned char> big = qv::bench::PhotoPixels(1024, 768),
                                                 small = qv::bench::PhotoPixels(160, 120);
  qv::bench::BareEncode(small.data(), 160 * 3, false, 160, 120, out + ".thumb.jpg", 75);
  qv::bench::BareEncode(big.data(), 1024 * 3, false, 1024, 768, out, 75);
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
  // Peak memory of one conversion in a fresh process, per size.
  for (const PhotoSpec& p : kPhotos) {
    if (p.width * static_cast<long>(p.height) < 12000000L) continue;
    const std::string src = MakePhoto(p);
    int fds[2];
    if (pipe(fds) != 0) return 1;
    const pid_t pid = fork();
    if (pid == 0) {
      Quiet q;
      qv::CImageDoc doc(q.app);
      const int r = qv::ConvertToDeviceFile(doc, src, WorkDir() + "/out/mem.jpg", 1024, 768);
      rusage self {};
      getrusage(RUSAGE_SELF, &self);
      const long kib = self.ru_maxrss;
      if (write(fds[1], &kib, sizeof kib) != static_cast<ssize_t>(sizeof kib)) _exit(2);
      _exit(r == qv::CONVERT_DONE ? 0 : 1);
    }
    close(fds[1]);
    long kib = 0;
    if (read(fds[0], &kib, sizeof kib) != static_cast<ssize_t>(sizeof kib)) kib = -1;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    std::printf("peak RSS converting %-10s %7ld KiB%s\n", p.name, kib, WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : " (failed)");
  }
  return 0;
}

} // namespace

BENCHMARK(BM_Convert)->DenseRange(0, kPhotoCount - 1)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Bound)->DenseRange(0, kPhotoCount - 1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--jobs-and-memory") == 0) return JobsAndMemory();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
