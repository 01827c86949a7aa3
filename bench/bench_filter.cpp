// The bulk filter over a tree of about 2,000 real camera files (Exif turned
// into JFIF and a comment, the default settings, with recursion) against a
// plain recursive copy of the same tree made in the same run. The check
// against `cp -r` itself, on tmpfs and on disk, is scripts/bench-filter.sh.
//
//   bench_filter [--benchmark_...]
// Needs the camera corpus (QUORVEX_CORPUS_DIR or ../shared/corpus).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/Settings.h"
#include "jpegmeta/BulkFilter.h"
#include "platform/MessageSink.h"
#include "support/BenchPhotos.h"

namespace {

constexpr int kFolders = 8;
constexpr int kFilesWanted = 2000;

std::string CorpusDir() {
  if (const char* d = std::getenv("QUORVEX_CORPUS_DIR"); d && *d) return d;
  return "../shared/corpus";
}

std::vector<std::string> JpegFilesIn(const std::string& dir) {
  std::vector<std::string> out;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0) out.push_back(dir + "/" + name);
    }
    ::closedir(d);
  }
  return out;
}

bool CopyFile(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    ::close(in);
    return false;
  }
  static char buf[1 << 16];
  bool ok = true;
  for (ssize_t n; ok && (n = ::read(in, buf, sizeof buf)) > 0;) ok = ::write(out, buf, static_cast<size_t>(n)) == n;
  ::close(in);
  return ::close(out) == 0 && ok;
}

// The baseline: what any tool that rewrites every file must at least do.
int CopyTree(const std::string& from, const std::string& to) {
  ::mkdir(to.c_str(), 0755);
  int files = 0;
  DIR* d = ::opendir(from.c_str());
  if (!d) return 0;
  while (dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    const std::string src = from + "/" + name;
    if (::stat(src.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode))
      files += CopyTree(src, to + "/" + name);
    else
      files += CopyFile(src, to + "/" + name) ? 1 : 0;
  }
  ::closedir(d);
  return files;
}

struct Tree {
  std::string root, in, filtered, copied;
  int files = 0;
  int64_t bytes = 0;
};

Tree& TheTree() {
  static Tree tree = [] {
    Tree t;
    const char* tmp = std::getenv("TMPDIR");
    t.root = std::string(tmp && *tmp ? tmp : "/tmp") + "/qv-bench-filter-" + std::to_string(::getpid());
    t.in = t.root + "/in";
    t.filtered = t.root + "/filtered";
    t.copied = t.root + "/copied";
    ::mkdir(t.root.c_str(), 0755);
    ::mkdir(t.in.c_str(), 0755);
    ::mkdir(t.filtered.c_str(), 0755);
    std::vector<std::string> sources = JpegFilesIn(CorpusDir() + "/camera");
    for (const std::string& f : JpegFilesIn(CorpusDir() + "/exif-org")) sources.push_back(f);
    if (sources.empty()) return t;
    for (int i = 0; i < kFilesWanted; ++i) {
      const std::string folder = t.in + "/d" + std::to_string(i % kFolders);
      ::mkdir(folder.c_str(), 0755);
      const std::string& src = sources[static_cast<size_t>(i) % sources.size()];
      char name[32];
      std::snprintf(name, sizeof name, "/img%04d.jpg", i);
      if (!CopyFile(src, folder + name)) continue;
      struct stat st {};
      ::stat(src.c_str(), &st);
      t.bytes += st.st_size;
      ++t.files;
    }
    return t;
  }();
  return tree;
}

double g_filterSeconds = 0, g_copySeconds = 0, g_filterCpu = 0, g_copyCpu = 0;


// Both sides write a tree that does not exist yet, so neither pays for
// replacing the files of the iteration before.
void FreshTarget(benchmark::State& state, const std::string& path) {
  state.PauseTiming();
  qv::bench::RemoveTree(path);
  ::sync();
  state.ResumeTiming();
}

void BM_FilterTree(benchmark::State& state) {
  Tree& t = TheTree();
  if (t.files == 0) {
    state.SkipWithError("camera corpus not found; set QUORVEX_CORPUS_DIR");
    return;
  }
  qv::CSettings app;
  qv::CSilentMessageSink sink;
  qv::CBulkFilterSettings s;  // the defaults: Exif to JFIF with a comment
  s.SrcDirectory = t.in;
  s.DstDirectory = t.filtered;
  s.RecurseDir = 1;
  int converted = 0;
  for (auto _ : state) {
    FreshTarget(state, t.filtered);
    ::mkdir(t.filtered.c_str(), 0755);
    qv::CBulkFilter filter(app, sink, s);
    filter.RunCommand();
    converted = filter.Converted();
  }
  if (converted != t.files) state.SkipWithError("not every file was filtered");
  state.counters["files/s"] = benchmark::Counter(static_cast<double>(t.files), benchmark::Counter::kIsIterationInvariantRate);
  state.SetBytesProcessed(state.iterations() * t.bytes);
}

void BM_CopyTree(benchmark::State& state) {
  Tree& t = TheTree();
  if (t.files == 0) {
    state.SkipWithError("camera corpus not found; set QUORVEX_CORPUS_DIR");
    return;
  }
  for (auto _ : state) {
    FreshTarget(state, t.copied);
    benchmark::DoNotOptimize(CopyTree(t.in, t.copied));
  }
  state.counters["files/s"] = benchmark::Counter(static_cast<double>(t.files), benchmark::Counter::kIsIterationInvariantRate);
  state.SetBytesProcessed(state.iterations() * t.bytes);
}

BENCHMARK(BM_FilterTree)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_CopyTree)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// Keeps the per-iteration wall time of each benchmark for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred || r.iterations == 0 || r.run_type != Run::RT_Iteration) continue;
      const double seconds = r.real_accumulated_time / static_cast<double>(r.iterations);
      const double cpu = r.cpu_accumulated_time / static_cast<double>(r.iterations);
      if (r.run_name.function_name == "BM_FilterTree") g_filterSeconds = seconds, g_filterCpu = cpu;
      if (r.run_name.function_name == "BM_CopyTree") g_copySeconds = seconds, g_copyCpu = cpu;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const Tree& t = TheTree();
  if (g_filterSeconds > 0 && g_copySeconds > 0) {
    std::printf("\n%d files, %.1f MB: filter %.0f files/s, copy %.0f files/s; filter/copy wall time %.2fx, "
                "CPU time %.2fx (target <= 1.5x)\n",
                t.files, static_cast<double>(t.bytes) / 1e6, t.files / g_filterSeconds, t.files / g_copySeconds,
                g_filterSeconds / g_copySeconds, g_filterCpu / g_copyCpu);
  }
  if (!t.root.empty()) qv::bench::RemoveTree(t.root);
  benchmark::Shutdown();
  return 0;
}
