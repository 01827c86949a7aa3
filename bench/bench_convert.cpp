// End to end: the batch conversion against a lower bound of our own, the
// least work any converter must do for the same files: one libjpeg decode
// of the source whose rows are fitted nearest-neighbour into 1024 x 768 and
// 160 x 120 as they arrive, the two baseline encodes and the Exif segment
// that carries the thumbnail, in one process for the whole set.
//
//   bench_convert [--rounds N] [--quick] [--only CLASS]
//   bench_convert --peak ours|bound FILE... DIR   (one conversion each, for callgrind)
//   bench_convert --time ours|bound REPS FILE... DIR  (one timed turn)
//   bench_convert --photo WIDTH HEIGHT PATH        (writes a class's generated photo)
//
// For each size class it prints processor ms per file (ours and the bound,
// measured in turns in the same run so that a loaded machine moves both
// alike), the ratio (and the same in wall-clock time), the peak memory of
// one conversion in a fresh process (both), and the throughput of
// quorvex-cli convert --jobs 1 against --jobs 2 and against two one-job runs
// side by side (what two cores give at most).
#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

#include "app/ConverterApp.h"
#include "batch/BatchEngine.h"
#include "image/DecodeScale.h"
#include "image/ImageDoc.h"
#include "platform/MessageSink.h"
#include "support/BenchPhotos.h"

extern char** environ;

namespace {

struct SizeClass {
  const char* name;
  int width, height;  // 0: the camera corpus
  int copies;         // copies of each file in the --jobs folders (even, so two jobs share them alike)
};
// About 1.5 s of one job's work per class, so that start-up and the last
// file's wait weigh little in the --jobs ratio.
const SizeClass kClasses[] = {
    {"16mp", 4608, 3456, 16}, {"12mp", 4000, 3000, 20}, {"6mp", 3000, 2000, 32}, {"portrait", 3000, 4000, 16},
    {"vga", 640, 480, 200},   {"corpus", 0, 0, 6},      {"8000x6000", 8000, 6000, 6},
};

std::string g_work;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ---- the bound ----

struct BoundError {
  jpeg_error_mgr pub;
  jmp_buf jump;
};
[[noreturn]] void BoundExit(j_common_ptr c) { std::longjmp(reinterpret_cast<BoundError*>(c->err)->jump, 1); }

// Nearest-neighbour fit of arriving rows onto a canvas (top row first).
struct NearestFit {
  int cw, ch, fw, fh, x0, y0, sw, sh;
  std::vector<unsigned char> canvas;
  std::vector<int> columns;
  void Begin(int srcW, int srcH, int canvasW, int canvasH) {
    sw = srcW, sh = srcH, cw = canvasW, ch = canvasH;
    fw = cw, fh = static_cast<int>(static_cast<long>(sh) * cw / sw);
    if (fh > ch) fh = ch, fw = static_cast<int>(static_cast<long>(sw) * ch / sh);
    x0 = (cw - fw) / 2, y0 = (ch - fh) / 2;
    canvas.assign(static_cast<size_t>(cw) * ch * 3, 0);
    columns.resize(static_cast<size_t>(fw));
    for (int x = 0; x < fw; ++x) columns[static_cast<size_t>(x)] = 3 * static_cast<int>(static_cast<long>(x) * sw / fw);
  }
  void Row(int y, const unsigned char* rgb) {
    // Output rows whose nearest source row is y.
    for (int oy = static_cast<int>((static_cast<long>(y) * fh + sh - 1) / sh);
         oy < fh && static_cast<long>(oy) * sh / fh == y; ++oy) {
      unsigned char* out = &canvas[(static_cast<size_t>(y0 + oy) * cw + x0) * 3];
      for (int x = 0; x < fw; ++x, out += 3) std::memcpy(out, rgb + columns[static_cast<size_t>(x)], 3);
    }
  }
};

bool BoundEncode(const std::vector<unsigned char>& rgb, int w, int h, const std::vector<unsigned char>* app1,
                 std::vector<unsigned char>& bytes) {
  jpeg_compress_struct c;
  BoundError err;
  c.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = BoundExit;
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&c);
    std::free(mem);
    return false;
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 75, TRUE);
  c.comp_info[0].h_samp_factor = 2;
  c.comp_info[0].v_samp_factor = 1;
  c.write_JFIF_header = FALSE;
  jpeg_start_compress(&c, TRUE);
  if (app1) jpeg_write_marker(&c, JPEG_APP0 + 1, app1->data(), static_cast<unsigned>(app1->size()));
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(&rgb[static_cast<size_t>(c.next_scanline) * w * 3]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  bytes.assign(mem, mem + size);
  std::free(mem);
  return true;
}

bool BoundOnce(const std::string& src, const std::string& out) {
  FILE* f = std::fopen(src.c_str(), "rb");
  if (!f) return false;
  static NearestFit thumb, canvas;
  jpeg_decompress_struct d;
  BoundError err;
  d.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = BoundExit;
  std::vector<unsigned char> row;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&d);
    std::fclose(f);
    return false;
  }
  jpeg_create_decompress(&d);
  jpeg_stdio_src(&d, f);
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_RGB;
  // Decoded at M/8 beyond 5000 pixels, as the program does.
  d.scale_num = static_cast<unsigned>(qv::ShrinkNumerator(static_cast<int>(d.image_width), static_cast<int>(d.image_height)));
  d.scale_denom = 8;
  jpeg_start_decompress(&d);
  const int w = static_cast<int>(d.output_width), h = static_cast<int>(d.output_height);
  thumb.Begin(w, h, 160, 120);
  canvas.Begin(w, h, 1024, 768);
  row.resize(static_cast<size_t>(w) * 3);
  while (d.output_scanline < d.output_height) {
    const int y = static_cast<int>(d.output_scanline);
    JSAMPROW p = row.data();
    jpeg_read_scanlines(&d, &p, 1);
    thumb.Row(y, row.data());
    canvas.Row(y, row.data());
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  std::fclose(f);
  std::vector<unsigned char> thumbBytes, mainBytes;
  if (!BoundEncode(thumb.canvas, 160, 120, nullptr, thumbBytes)) return false;
  std::vector<unsigned char> app1 = {'E', 'x', 'i', 'f', 0, 0};
  app1.resize(6 + 262, 0);  // the fixed TIFF block's size
  app1.insert(app1.end(), thumbBytes.begin(), thumbBytes.end());
  if (!BoundEncode(canvas.canvas, 1024, 768, &app1, mainBytes)) return false;
  FILE* o = std::fopen(out.c_str(), "wb");
  if (!o) return false;
  const bool ok = std::fwrite(mainBytes.data(), 1, mainBytes.size(), o) == mainBytes.size();
  return std::fclose(o) == 0 && ok;
}

// ---- ours ----

struct Quiet {
  qv::CSilentMessageSink sink;
  qv::CConverterApp app{g_work + "/config", sink};
};

bool OursOnce(qv::CImageDoc& doc, const std::string& src, const std::string& out) {
  return qv::ConvertToDeviceFile(doc, src, out, 1024, 768) == qv::CONVERT_DONE;
}

// ---- inputs ----

std::vector<std::string> JpegsUnder(const std::string& dir) {
  std::vector<std::string> out;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n == "." || n == "..") continue;
      const std::string path = dir + "/" + n;
      struct stat st {};
      if (::stat(path.c_str(), &st) != 0) continue;
      if (S_ISDIR(st.st_mode)) {
        const auto sub = JpegsUnder(path);
        out.insert(out.end(), sub.begin(), sub.end());
      } else if (n.size() > 4 && (n.substr(n.size() - 4) == ".jpg" || n.substr(n.size() - 4) == ".JPG")) {
        out.push_back(path);
      }
    }
    ::closedir(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The class's files: one generated photo, or every corpus file that both
// convert.
std::vector<std::string> FilesOf(const SizeClass& k, qv::CImageDoc& doc) {
  if (k.width > 0) {
    const std::string path = g_work + "/" + k.name + ".jpg";
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) qv::bench::WritePhotoJpeg(path, k.width, k.height);
    return {path};
  }
  std::vector<std::string> usable;
  for (const std::string& f : JpegsUnder(QUORVEX_BENCH_CORPUS))
    if (OursOnce(doc, f, g_work + "/out/probe.jpg") && BoundOnce(f, g_work + "/out/probe-bound.jpg"))
      usable.push_back(f);
  return usable;
}

// ---- fresh processes: peak memory, and the timed turns ----

// What a child run of this program prints, or empty when it failed.
std::string RunChild(const char* self, const std::vector<std::string>& args) {
  std::vector<std::string> all = {self};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  int fds[2];
  if (pipe(fds) != 0) return {};
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
  pid_t pid;
  const int rc = posix_spawn(&pid, self, &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  close(fds[1]);
  std::string text;
  char buf[256];
  for (ssize_t n; rc == 0 && (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  if (rc == 0) waitpid(pid, &status, 0);
  return rc == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : std::string();
}

long PeakKiB(const char* self, const char* what, const std::string& file) {
  const std::string text = RunChild(self, {"--peak", what, file, g_work});
  return text.empty() ? -1 : std::atol(text.c_str());
}

// One side's turn in a process of its own, so that neither side inherits
// the other's heap or caches: processor and wall seconds of reps rounds
// over the files, after one untimed round.
bool TimedTurn(const char* self, const char* what, int reps, const std::vector<std::string>& files, double& cpu,
               double& wall) {
  std::vector<std::string> args = {"--time", what, std::to_string(reps)};
  args.insert(args.end(), files.begin(), files.end());
  args.push_back(g_work);
  const std::string text = RunChild(self, args);
  return !text.empty() && std::sscanf(text.c_str(), "%lf %lf", &cpu, &wall) == 2;
}

double ProcessCpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Each conversion writes a file of its own name into a folder of the turn's
// own, as a run over a folder does: replacing one file again and again
// would time the file system's work of freeing the last one.
int TimeChild(const std::string& what, int reps, const std::vector<std::string>& files) {
  Quiet q;
  qv::CImageDoc doc(q.app);
  const bool bound = what == "bound";
  const std::string dir = g_work + "/out/turn-" + std::to_string(::getpid());
  if (::mkdir(dir.c_str(), 0755) != 0) return 1;
  int n = 0;
  auto once = [&](const std::string& f) {
    char name[32];
    std::snprintf(name, sizeof name, "/Imag%04d.jpg", n++ % 10000);
    return bound ? BoundOnce(f, dir + name) : OursOnce(doc, f, dir + name);
  };
  for (const std::string& f : files)
    if (!once(f)) return 1;
  const double w0 = Now(), c0 = ProcessCpuNow();
  for (int r = 0; r < reps; ++r)
    for (const std::string& f : files) once(f);
  std::printf("%.9f %.9f\n", ProcessCpuNow() - c0, Now() - w0);
  std::fflush(stdout);
  qv::bench::RemoveTree(dir);
  return 0;
}

// One conversion of each file; also what callgrind is pointed at.
int PeakChild(const std::string& what, const std::vector<std::string>& files) {
  bool ok = true;
  Quiet q;
  qv::CImageDoc doc(q.app);
  for (const std::string& file : files)
    ok = (what == "bound" ? BoundOnce(file, g_work + "/out/peak-bound.jpg")
                          : OursOnce(doc, file, g_work + "/out/peak.jpg")) && ok;
  // VmHWM, not ru_maxrss: the latter keeps the spawning process's peak
  // across exec.
  long kib = -1;
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f))
      if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::atol(line + 6);
    std::fclose(f);
  }
  std::printf("%ld\n", kib);
  return ok ? 0 : 1;
}

// ---- jobs: the real command line on a folder of copies ----

std::string CliCommand(const std::string& in, const std::string& out, int jobs) {
  return "QUORVEX_CONFIG_DIR='" + g_work + "/config' '" QUORVEX_BENCH_CLI "' convert --quiet --in '" + in +
         "' --out '" + out + "' --jobs " + std::to_string(jobs) + " >/dev/null 2>&1";
}

double RunCli(const std::string& in, const std::string& out, int jobs) {
  const std::string cmd = "rm -rf '" + out + "' && " + CliCommand(in, out, jobs);
  const double t0 = Now();
  const int rc = std::system(cmd.c_str());
  const double t = Now() - t0;
  return rc == 0 || WEXITSTATUS(rc) == 1 ? t : -1;
}

// What the machine itself gives two jobs: two one-job runs side by side,
// each on half of the folder.
double RunTwoProcesses(const std::string& halves) {
  const std::string a = g_work + "/jobs-out-a", b = g_work + "/jobs-out-b";
  const std::string cmd = "rm -rf '" + a + "' '" + b + "' && (" + CliCommand(halves + "/a", a, 1) + " & " +
                          CliCommand(halves + "/b", b, 1) + "; wait)";
  const double t0 = Now();
  const int rc = std::system(cmd.c_str());
  const double t = Now() - t0;
  return rc == 0 ? t : -1;
}

// The copies in one folder, and the same split into halves a and b.
std::string CopiesFolder(const SizeClass& k, const std::vector<std::string>& files) {
  const std::string dir = g_work + "/jobs-" + k.name, halves = dir + "-halves";
  ::mkdir(dir.c_str(), 0755);
  ::mkdir(halves.c_str(), 0755);
  ::mkdir((halves + "/a").c_str(), 0755);
  ::mkdir((halves + "/b").c_str(), 0755);
  int n = 0;
  for (int c = 0; c < k.copies; ++c)
    for (const std::string& f : files) {
      char name[32];
      std::snprintf(name, sizeof name, "/f%04d.jpg", n);
      std::system(("cp '" + f + "' '" + dir + name + "' && cp '" + f + "' '" + halves + (n % 2 ? "/b" : "/a") +
                   name + "'").c_str());
      ++n;
    }
  return dir;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
  // --peak ours|bound FILE... WORKDIR
  if (argc >= 5 && std::strcmp(argv[1], "--peak") == 0) {
    g_work = argv[argc - 1];
    return PeakChild(argv[2], std::vector<std::string>(argv + 3, argv + argc - 1));
  }
  // --time ours|bound REPS FILE... WORKDIR
  if (argc >= 6 && std::strcmp(argv[1], "--time") == 0) {
    g_work = argv[argc - 1];
    return TimeChild(argv[2], std::max(1, std::atoi(argv[3])), std::vector<std::string>(argv + 4, argv + argc - 1));
  }
  if (argc == 5 && std::strcmp(argv[1], "--photo") == 0)
    return qv::bench::WritePhotoJpeg(argv[4], std::atoi(argv[2]), std::atoi(argv[3])) ? 0 : 1;
  int rounds = 7;
  bool quick = false;
  std::string only;  // one class by name
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    if (std::strcmp(argv[i], "--quick") == 0) quick = true;
    if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) only = argv[++i];
  }
  g_work = qv::bench::MakeTempDir("qv-bench-convert");
  if (g_work.empty()) return 1;
  ::mkdir((g_work + "/out").c_str(), 0755);
  char self[4096];
  const ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
  if (len <= 0) return 1;
  self[len] = '\0';

  Quiet q;
  qv::CImageDoc doc(q.app);
  std::printf("%-10s %6s %10s %10s %6s %6s %12s %12s %10s %10s %6s %6s\n", "class", "files", "ours ms", "bound ms",
              "ratio", "wall", "ours KiB", "bound KiB", "-j1 f/s", "-j2 f/s", "j2/j1", "2p/j1");
  for (const SizeClass& k : kClasses) {
    if (!only.empty() && only != k.name) continue;
    const std::vector<std::string> files = FilesOf(k, doc);
    if (files.empty()) {
      std::printf("%-10s (no files)\n", k.name);
      continue;
    }
    // Ours and the bound in turns, each in a fresh process converting the
    // files for about 0.3 s; which side goes first alternates, and each
    // round's ratio comes from its own two turns, so a machine that slows
    // down between rounds moves both sides alike.
    std::vector<double> ours, bound, ratios, wallRatios;
    double cpu = 0, wall = 0;
    if (!TimedTurn(self, "ours", 1, files, cpu, wall)) {
      std::printf("%-10s (ours failed)\n", k.name);
      continue;
    }
    const int reps = std::max(1, static_cast<int>(0.3 / std::max(1e-4, wall)));
    const double per = 1000.0 / (reps * static_cast<double>(files.size()));
    for (int r = 0; r < 2 * rounds; ++r) {
      double oc = 0, ow = 0, bc = 0, bw = 0;
      const bool oursFirst = r % 2 == 0;
      bool ok = oursFirst ? TimedTurn(self, "ours", reps, files, oc, ow) : TimedTurn(self, "bound", reps, files, bc, bw);
      ok = ok && (oursFirst ? TimedTurn(self, "bound", reps, files, bc, bw) : TimedTurn(self, "ours", reps, files, oc, ow));
      if (!ok || bc <= 0 || bw <= 0) continue;
      ours.push_back(oc * per);
      bound.push_back(bc * per);
      ratios.push_back(oc / bc);
      wallRatios.push_back(ow / bw);
    }
    const double mo = Median(ours), mb = Median(bound);
    const long peakOurs = PeakKiB(self, "ours", files.front()), peakBound = PeakKiB(self, "bound", files.front());
    double j1 = 0, j2 = 0, twice = 0;
    if (!quick) {
      const std::string folder = CopiesFolder(k, files);
      const double count = static_cast<double>(k.copies * files.size());
      std::vector<double> t1s, t2s, tps;
      for (int r = 0; r < rounds; ++r) {
        t1s.push_back(RunCli(folder, g_work + "/jobs-out", 1));
        t2s.push_back(RunCli(folder, g_work + "/jobs-out", 2));
        tps.push_back(RunTwoProcesses(folder + "-halves"));
      }
      j1 = count / Median(t1s);
      j2 = count / Median(t2s);
      twice = count / Median(tps);
    }
    std::printf("%-10s %6zu %10.2f %10.2f %6.2f %6.2f %12ld %12ld %10.1f %10.1f %6.2f %6.2f\n", k.name, files.size(), mo,
                mb, Median(ratios), Median(wallRatios), peakOurs, peakBound, j1, j2, j1 > 0 ? j2 / j1 : 0.0,
                j1 > 0 ? twice / j1 : 0.0);
    std::fflush(stdout);
  }
  std::printf("(peak: one conversion of the class's first file in a fresh process; the corpus's first file)\n");
  qv::bench::RemoveTree(g_work);
  return 0;
}
