#include "support/TestSupport.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <ftw.h>
#include <stdexcept>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <jpeglib.h>

namespace qv::test {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/quorvex-test-XXXXXX";
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  m_path = tmpl;
}

TempDir::~TempDir() {
  // Make everything writable again first: tests make read-only folders.
  nftw(m_path.c_str(), [](const char* p, const struct stat*, int type, FTW*) {
    if (type == FTW_D || type == FTW_DNR) chmod(p, 0755);
    return 0;
  }, 16, FTW_PHYS);
  nftw(m_path.c_str(), [](const char* p, const struct stat*, int, FTW*) { return ::remove(p); }, 16,
       FTW_DEPTH | FTW_PHYS);
}

int RecordingSink::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
  messages.push_back({text, caption, style});
  return answer;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string ReadFileText(const std::string& path) {
  const std::vector<uint8_t> b = ReadFileBytes(path);
  return std::string(b.begin(), b.end());
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::vector<std::string> FolderEntries(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  m_oldCur = old.rlim_cur;
  m_oldMax = old.rlim_max;
  m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit r = old;
  r.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &r) != 0) throw std::runtime_error("setrlimit failed");
}

FileSizeLimit::~FileSizeLimit() {
  rlimit old{};
  old.rlim_cur = m_oldCur;
  old.rlim_max = m_oldMax;
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, m_oldHandler);
}

std::string CorpusDir() {
  if (const char* d = std::getenv("QUORVEX_CORPUS_DIR"); d && *d) return d;
  std::string dir = QUORVEX_CORPUS_DIR;
  struct stat st {};
  return (!dir.empty() && stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? dir : std::string();
}

std::vector<std::string> ListJpegFiles(const std::string& dir) {
  std::vector<std::string> out;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      std::string full = dir + "/" + name;
      struct stat st {};
      if (stat(full.c_str(), &st) != 0) continue;
      if (S_ISDIR(st.st_mode)) {
        auto sub = ListJpegFiles(full);
        out.insert(out.end(), sub.begin(), sub.end());
      } else if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".jpg") == 0) {
        out.push_back(full);
      }
    }
    closedir(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<uint8_t> MakeTestPicture(int width, int height, unsigned seed) {
  std::vector<uint8_t> px(static_cast<size_t>(width) * height * 3);
  unsigned state = seed * 2654435761u + 12345u;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      state = state * 1103515245u + 12345u;
      const int noise = static_cast<int>((state >> 16) & 15) - 8;
      uint8_t* p = &px[(static_cast<size_t>(y) * width + x) * 3];
      const bool block = ((x / 37) + (y / 29)) % 5 == 0;
      int r = width > 1 ? 255 * x / (width - 1) : 128;
      int g = height > 1 ? 255 * y / (height - 1) : 128;
      int b = block ? 230 : (x + y) % 256;
      p[0] = static_cast<uint8_t>(std::clamp(r + noise, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(g + noise, 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp(b + noise, 0, 255));
    }
  }
  return px;
}

namespace {
struct Err {
  jpeg_error_mgr pub;
  jmp_buf jump;
};
void Exit(j_common_ptr c) { std::longjmp(reinterpret_cast<Err*>(c->err)->jump, 1); }
void Quiet(j_common_ptr) {}
} // namespace

std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& pixels, int width, int height, int components,
                                int quality, bool progressive) {
  jpeg_compress_struct c;
  Err err;
  c.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = Exit;
  err.pub.output_message = Quiet;
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> row(static_cast<size_t>(width) * components);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&c);
    std::free(mem);
    throw std::runtime_error("EncodeJpeg failed");
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    const size_t y = c.next_scanline;
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &pixels[(y * width + x) * 3];
      if (components == 1) {
        row[x] = p[1];
      } else if (components == 3) {
        std::memcpy(&row[x * 3], p, 3);
      } else {
        row[x * 4] = p[0], row[x * 4 + 1] = p[1], row[x * 4 + 2] = p[2], row[x * 4 + 3] = 40;
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> out(mem, mem + size);
  std::free(mem);
  return out;
}

bool DecodeJpeg(const std::vector<uint8_t>& bytes, DecodedJpeg& out) {
  jpeg_decompress_struct d;
  Err err;
  d.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = Exit;
  err.pub.output_message = Quiet;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&d);
    return false;
  }
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d, TRUE);
  out.progressive = d.progressive_mode;
  out.hSamp = d.comp_info[0].h_samp_factor;
  out.vSamp = d.comp_info[0].v_samp_factor;
  out.restartInterval = d.restart_interval;
  out.sawJfif = d.saw_JFIF_marker;
  out.colorSpace = d.jpeg_color_space;
  d.out_color_space = d.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(&d);
  out.width = static_cast<int>(d.output_width);
  out.height = static_cast<int>(d.output_height);
  out.components = d.output_components;
  out.pixels.assign(static_cast<size_t>(out.width) * out.height * 3, 0);
  std::vector<uint8_t> row(static_cast<size_t>(out.width) * out.components);
  while (d.output_scanline < d.output_height) {
    const size_t y = d.output_scanline;
    JSAMPROW r = row.data();
    jpeg_read_scanlines(&d, &r, 1);
    for (int x = 0; x < out.width; ++x)
      for (int k = 0; k < 3; ++k)
        out.pixels[(y * out.width + x) * 3 + k] = row[x * out.components + (out.components == 1 ? 0 : k)];
  }
  jpeg_finish_decompress(&d);
  out.restartInterval = d.restart_interval;
  jpeg_destroy_decompress(&d);
  return true;
}

namespace {
std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}
} // namespace

CliResult RunCli(const std::string& configDir, const std::vector<std::string>& args) {
  TempDir capture;
  std::string cmd = ShellQuote(QUORVEX_CLI_PATH) + " --config " + ShellQuote(configDir);
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  cmd += " >" + ShellQuote(capture.File("out")) + " 2>" + ShellQuote(capture.File("err")) + " </dev/null";
  CliResult r;
  const int raw = std::system(cmd.c_str());
  r.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  r.out = ReadFileText(capture.File("out"));
  r.err = ReadFileText(capture.File("err"));
  return r;
}

namespace {

bool WriteAll(const std::string& path, const std::string& data) {
  std::string s = data;
  WriteFileText(path, s);
  return ReadFileText(path) == data;
}

} // namespace

// Runs fn in a child process with mounts of its own (a user namespace when not
// root). fn returns "" when all held, "skip: ..." when it could not set up.
std::string InPrivateMounts(const std::function<std::string()>& fn) {
  int fds[2];
  if (::pipe(fds) != 0) return "skip: no pipe";
  const uid_t uid = ::geteuid();
  const gid_t gid = ::getegid();
  const pid_t pid = ::fork();
  if (pid < 0) return "skip: no fork";
  if (pid == 0) {
    ::close(fds[0]);
    std::string result;
    const int flags = CLONE_NEWNS | (uid == 0 ? 0 : CLONE_NEWUSER);
    if (::unshare(flags) != 0) {
      result = "skip: no mount namespace here (" + std::string(std::strerror(errno)) + ")";
    } else {
      if (uid != 0) {
        WriteAll("/proc/self/setgroups", "deny");
        WriteAll("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
        WriteAll("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
      }
      // Nothing done here may reach the mounts of the machine.
      if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        result = "skip: mounts cannot be made private";
      else
        result = fn();
    }
    const ssize_t n = ::write(fds[1], result.data(), result.size());
    (void)n;
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string out;
  char buf[512];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return "child ended abnormally";
  return out;
}

} // namespace qv::test
