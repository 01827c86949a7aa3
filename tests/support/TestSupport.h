#pragma once
// Shared test helpers: a temporary folder per test, files written and read
// for real, a message sink that records, and small image makers.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/MessageSink.h"

namespace qv::test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes away.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
  std::string m_path;
};

struct RecordedMessage {
  std::string text;
  std::string caption;
  unsigned style;
};

class RecordingSink : public IMessageSink {
public:
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  std::vector<RecordedMessage> messages;
  int answer = IDOK;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteFileText(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);
// Names in a folder (no "." or ".."), sorted.
std::vector<std::string> FolderEntries(const std::string& dir);

// Writes past `bytes` fail with EFBIG for as long as the object lives: a
// full disk, made to happen without one.
class FileSizeLimit {
public:
  explicit FileSizeLimit(unsigned long long bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
  unsigned long long m_oldCur, m_oldMax;
  void (*m_oldHandler)(int);
};

// Runs fn in a child process with mounts of its own (a user namespace when
// not root), so a test can mount a small file system of its own. fn returns
// "" when all held, "skip: ..." when it could not set up, else what failed.
std::string InPrivateMounts(const std::function<std::string()>& fn);

// Folder of the shared camera corpus, or "" when it is not on this machine.
std::string CorpusDir();
// All .jpg files below a folder, sorted.
std::vector<std::string> ListJpegFiles(const std::string& dir);

// An RGB test picture: smooth gradients with some edges, row-major, top row
// first, 3 bytes per pixel (red, green, blue).
std::vector<uint8_t> MakeTestPicture(int width, int height, unsigned seed = 1);
// Encodes rows with bare libjpeg. components 1 (grey) or 3 (RGB) or 4 (CMYK).
std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& pixels, int width, int height,
                                int components, int quality = 90, bool progressive = false);

// Decodes with bare libjpeg into RGB (top row first); returns false on error.
struct DecodedJpeg {
  int width = 0, height = 0, components = 0;
  std::vector<uint8_t> pixels;
  bool progressive = false;
  int hSamp = 0, vSamp = 0;
  unsigned restartInterval = 0;
  bool sawJfif = false;
  int colorSpace = 0;
};
bool DecodeJpeg(const std::vector<uint8_t>& bytes, DecodedJpeg& out);

// Runs the built quorvex-cli with `--config configDir` and the arguments;
// stdout and stderr are caught whole.
struct CliResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
};
CliResult RunCli(const std::string& configDir, const std::vector<std::string>& args);

} // namespace qv::test
