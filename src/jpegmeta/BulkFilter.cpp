#include "jpegmeta/BulkFilter.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

#include "app/AppHelpers.h"
#include "app/ConverterApp.h"
#include "app/Extension.h"
#include "app/ReplacingFile.h"
#include "app/Profile.h"
#include "app/ProfileKeys.h"
#include "app/Settings.h"
#include "platform/Progress.h"
#include "jpegmeta/Charset.h"
#include "jpegmeta/CommentText.h"
#include "jpegmeta/ExifReader.h"
#include "jpegmeta/ExifSummary.h"
#include "jpegmeta/SegmentFile.h"
#include "jpegmeta/SegmentList.h"
#include "platform/MessageSink.h"

namespace qv {

const char kSectionBulkFilter[] = "bulkfilter";

namespace {

// The filter's own texts. Messages are UTF-8 (the sink's form); the log is
// ASCII apart from the paths.
const char kFilterOperation[] = "BulkFlt";
const char kNoSourceRoot[] = "転送元ディレクトリが存在しません";
const char kNoDestRoot[] = "転送先ディレクトリが存在しません";
const char kNoLogFile[] = "ログファイルが作成できません";
const char kFilesConverted[] = "%d files converted     ";
const char kBytesSaved[] = "(%ld バイトの削減)";
const char kAppCaption[] = "Quorvex";
const char kOutputExtension[] = ".jpg";

enum : int {
  M_SOF0 = 0xC0,
  M_SOF2 = 0xC2,
  M_DHT = 0xC4,
  M_SOI = 0xD8,
  M_EOI = 0xD9,
  M_SOS = 0xDA,
  M_DQT = 0xDB,
  M_APP0 = 0xE0,
  M_APP1 = 0xE1,
  M_APP15 = 0xEF,
  M_COM = 0xFE,
};

// A segment's length field counts itself: 65535 - 2 bytes of payload at most.
constexpr size_t kMaxPayload = 65533;

// Sources up to this size are read whole: the run is bound by system calls,
// not memory. Larger ones go through the buffered reader.
constexpr int64_t kWholeFileLimit = int64_t{64} << 20;

using Bytes = std::vector<uint8_t>;

struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const FileId& o) const { return dev == o.dev && ino == o.ino; }
};

bool IdOf(const std::string& path, FileId& id, struct stat* out = nullptr) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  id = {st.st_dev, st.st_ino};
  if (out) *out = st;
  return true;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Join(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

// The absolute, symlink-free form of an existing folder.
bool NormalisedDirectory(const std::string& path, std::string& out) {
  if (path.empty()) return false;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return false;
  out = real;
  std::free(real);
  return IsDirectory(out);
}

// Where in-place rewrites put their new content first.
std::string TempFolderOf(const CSettings& app) { return app.TempDir.empty() ? SystemTempDirectory() : app.TempDir; }

// The name with its extension (from the last '.') replaced by ".jpg", or
// ".jpg" appended when it has none.
std::string DestinationName(const std::string& name) {
  const size_t dot = name.rfind('.');
  return (dot == std::string::npos ? name : name.substr(0, dot)) + kOutputExtension;
}

// Names and paths are the user's bytes; in the log they must stay text.
std::string Html(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::unique_ptr<CJpegSegment> NewRecord(const Bytes& bytes) {
  return std::make_unique<CJpegSegment>(static_cast<int64_t>(bytes.size()), bytes.data());
}

void Drop(CJpegSegment& rec) { rec.m_nFlags |= SF_DROP; }

bool PayloadStarts(const CJpegSegment& rec, const char* id) {
  const size_t n = std::strlen(id);
  return rec.m_nLength >= static_cast<int64_t>(4 + n) && std::memcmp(rec.m_pData + 4, id, n) == 0;
}

// Cuts CP932 text to at most `limit` bytes without splitting a character.
void CutText(std::string& text, size_t limit) {
  if (text.size() <= limit) return;
  size_t i = 0;
  while (i < limit) {
    const auto c = static_cast<uint8_t>(text[i]);
    const size_t width = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
    if (i + width > limit) break;
    i += width;
  }
  text.resize(i);
}

// Step 1: height and width from the first SOF0 or SOF2; 0 without one.
void FrameSize(const SegmentList& list, int& width, int& height) {
  width = height = 0;
  for (const auto& rec : list) {
    const int code = rec->MarkerCode();
    if ((code != M_SOF0 && code != M_SOF2) || rec->m_nLength < 9) continue;
    const uint8_t* d = rec->m_pData;
    height = (d[5] << 8) | d[6];
    width = (d[7] << 8) | d[8];
    return;
  }
}

// Step 2: a JFIF APP0 with a thumbnail is replaced by one without; JFXX goes.
void FilterApp0(SegmentList& list, bool removeThumb, bool removeJfxx) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    CJpegSegment& rec = **it;
    if (rec.MarkerCode() != M_APP0 || rec.m_nLength < 8) continue;
    if (PayloadStarts(rec, "JFIF")) {
      if (!removeThumb || rec.m_nLength < 19) continue;
      // Identifier, version, units and densities kept; thumbnail size 0 x 0.
      Bytes app0 = {0xFF, 0xE0, 0x00, 0x10};
      app0.insert(app0.end(), rec.m_pData + 4, rec.m_pData + 16);
      app0.push_back(0);
      app0.push_back(0);
      Drop(rec);
      it = list.insert(std::next(it), NewRecord(app0));
    } else if (PayloadStarts(rec, "JFXX") && removeJfxx) {
      Drop(rec);
    }
  }
}

void DropCode(SegmentList& list, int code) {
  for (auto& rec : list)
    if (rec->MarkerCode() == code) Drop(*rec);
}

// Steps 6 and 7: the segments of one code between two scans become one,
// placed where the first of them was. Tables never move across an SOS, so a
// table redefined between scans still applies to the same scans; a group
// too long for one length field stays as it is.
void UniteSegments(SegmentList& list, int code) {
  auto it = list.begin();
  while (it != list.end()) {
    std::vector<SegmentList::iterator> group;
    size_t payload = 0;
    for (; it != list.end() && (*it)->MarkerCode() != M_SOS; ++it) {
      if ((*it)->MarkerCode() != code || (*it)->Has(SF_DROP) || (*it)->m_nLength < 4) continue;
      group.push_back(it);
      payload += static_cast<size_t>((*it)->m_nLength - 4);
    }
    if (group.size() >= 2 && payload <= kMaxPayload) {
      Bytes merged = {0xFF, static_cast<uint8_t>(code), static_cast<uint8_t>((payload + 2) >> 8),
                      static_cast<uint8_t>(payload + 2)};
      for (auto g : group) {
        merged.insert(merged.end(), (*g)->m_pData + 4, (*g)->m_pData + (*g)->m_nLength);
        Drop(**g);
      }
      list.insert(std::next(group.front()), NewRecord(merged));
    }
    if (it != list.end()) ++it;  // past the SOS
  }
}

// A user comment in the form the COM segment gets: by the write-charset
// settings, else UCS-2 becomes multibyte text and the rest stays as it is.
std::string UserCommentForFile(std::string text, int code, const CSettings& app) {
  if (code < 0) code = DetectCharset(text.data(), static_cast<long>(text.size()));
  if (code == CS_UCS2) {
    // The reader's trimming does not reach 16-bit text.
    text = CommentToInternal(text, CS_UCS2);
    code = CS_SJIS;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    if (text.empty()) return text;
  }
  if (!app.AutoWriteCharset && app.WriteCharset != CS_ASCII) {
    const std::string internal = CommentToInternal(text, code);
    return app.WriteCharset == CS_SJIS ? internal : CommentFromInternal(internal, app.WriteCharset);
  }
  return text;
}

std::string ExifComment(const CExifReader& reader, const CBulkFilterSettings& s, const CSettings& app) {
  std::string text;
  if (s.ExifGenCmt) {
    std::string line;
    const int language = s.ExifGenEng ? EXIF_ENGLISH : EXIF_JAPANESE;
    if (MakerText(reader, line)) text += line + "\r\n";
    if (OpticalText(reader, line)) text += line + "\r\n";
    if (DateText(reader, line)) text += line + "\r\n";
    if (ExposureModeText(reader, line, language)) text += line + "\r\n";
    if (ExposureText(reader, line)) text += line + "\r\n";
  }
  if (s.ExifUserCmt) {
    if (const CExifEntry* entry = reader.FindTag(TAG_USER_COMMENT)) {
      int code = CS_UNDEFINED;
      long length = 0;
      const std::string raw = reader.DecodeUserComment(*entry, code, length, true);
      const std::string comment = raw.empty() ? raw : UserCommentForFile(raw, code, app);
      if (!comment.empty()) {
        if (!text.empty()) text += "\r\n";
        text += comment;
      }
    }
  }
  CutText(text, kMaxPayload);
  return text;
}

uint16_t Density(const CExifReader& reader, uint16_t tag, uint16_t fallback) {
  const CExifEntry* entry = reader.FindTag(tag);
  if (!entry) return fallback;
  // A rational of 32-bit parts is below 2^32: the truncation is exact.
  return static_cast<uint16_t>(static_cast<int64_t>(reader.ReadRational(*entry)) & 0xFFFF);
}

} // namespace

// ---- settings ----

CBulkFilterSettings::CBulkFilterSettings()
    : SrcDirectory(MapDefaultPath("C:\\Exif\\in")),
      DstDirectory(MapDefaultPath("E:\\Dcim\\100kxcam")),
      LogFilePath(MapDefaultPath("C:\\blkflt.htm")) {
  for (int& v : RemoveAPP) v = 1;
}

namespace {

using F = CBulkFilterSettings;
// The keys in the order they are written; the "RemoveAPP%d" keys come
// between the two tables.
const ProfileKey<F> kFilterKeysBefore[] = {
    StringKey<F>("SrcDirectory", &F::SrcDirectory), StringKey<F>("DstDirectory", &F::DstDirectory),
    IntKey<F>("CreateLog", &F::CreateLog),           StringKey<F>("LogFilePath", &F::LogFilePath),
    IntKey<F>("RemoveThumb", &F::RemoveThumb),       IntKey<F>("RemoveJFXX", &F::RemoveJFXX),
    IntKey<F>("RemoveAppX", &F::RemoveAppX),
};
const ProfileKey<F> kFilterKeysAfter[] = {
    IntKey<F>("UniteDQT", &F::UniteDQT),       IntKey<F>("UniteDHT", &F::UniteDHT),
    IntKey<F>("RemoveCOM", &F::RemoveCOM),     IntKey<F>("ConvertExif", &F::ConvertExif),
    IntKey<F>("ExifGenCmt", &F::ExifGenCmt),   IntKey<F>("ExifGenEng", &F::ExifGenEng),
    IntKey<F>("ExifUserCmt", &F::ExifUserCmt), IntKey<F>("RecurseDir", &F::RecurseDir),
    IntKey<F>("ExtFilter", &F::ExtFilter),     StringKey<F>("StrExtFilter", &F::StrExtFilter),
};

} // namespace

void CBulkFilterSettings::Load(const CProfile& p) {
  const CBulkFilterSettings d;
  const char* s = kSectionBulkFilter;
  LoadProfileKeys(p, s, kFilterKeysBefore, d, *this);
  for (int n = 1; n <= 15; ++n) RemoveAPP[n] = p.GetInt(s, "RemoveAPP" + std::to_string(n), d.RemoveAPP[n]);
  LoadProfileKeys(p, s, kFilterKeysAfter, d, *this);
}

bool CBulkFilterSettings::Save(CProfile& p) const {
  const char* s = kSectionBulkFilter;
  p.BeginBatch();  // one write of the file for all the keys
  bool ok = SaveProfileKeys(p, s, kFilterKeysBefore, *this);
  for (int n = 1; n <= 15; ++n) ok &= p.WriteInt(s, "RemoveAPP" + std::to_string(n), RemoveAPP[n]);
  ok &= SaveProfileKeys(p, s, kFilterKeysAfter, *this);
  return p.EndBatch() && ok;
}

std::string BulkFilterResultText(int files, int64_t savedBytes) {
  char count[64], saved[96];
  std::snprintf(count, sizeof count, kFilesConverted, files);
  std::snprintf(saved, sizeof saved, kBytesSaved, static_cast<long>(savedBytes));
  return std::string(count) + saved;
}

// ---- the run ----

CBulkFilter::CBulkFilter(const CSettings& appSettings, IMessageSink& sink, const CBulkFilterSettings& settings)
    : m_settings(settings), m_app(appSettings), m_sink(sink) {
  // The counting walk reads the worker's copies.
  m_extList = settings.StrExtFilter;
  m_bExtFilter = settings.ExtFilter != 0;
  m_bRecurse = settings.RecurseDir != 0;
}

CBulkFilter::~CBulkFilter() = default;

bool CBulkFilter::RunCommand() {
  const int n = CountFiles(m_settings.SrcDirectory);
  bool ok = true;
  if (n < 0) {
    if (!IsDirectory(m_settings.SrcDirectory))
      ShowFileError(m_sink, kFilterOperation, m_settings.SrcDirectory, kNoSourceRoot);
    ok = false;
  } else if (m_bAbort) {
    ok = false;
  } else if (n > 0) {
    if (m_pProgress) m_pProgress->SetRange(n);
    ok = FilterRun(n) == 1 && !m_bAbort && m_nConverted == m_nAttempted;
  }
  m_sink.MessageBox(BulkFilterResultText(m_nConverted, m_nSavedBytes), kAppCaption, MB_OK | MB_ICONINFORMATION);
  return ok;
}

int CBulkFilter::FilterRun(int total) {
  m_nSavedBytes = 0;
  m_bAbort = false;
  m_nAttempted = 0;
  m_nConverted = 0;
  m_nTotal = total;
  if (m_pProgress) {
    m_pProgress->SetCounter("0 / " + std::to_string(total));
    m_pProgress->SetFileName("");
  }
  if (!NormalisedDirectory(m_settings.SrcDirectory, m_srcRoot)) {
    ShowFileError(m_sink, kFilterOperation, m_settings.SrcDirectory, kNoSourceRoot);
    return 0;
  }
  if (!NormalisedDirectory(m_settings.DstDirectory, m_dstRoot)) {
    ShowFileError(m_sink, kFilterOperation, m_settings.DstDirectory, kNoDestRoot);
    return 0;
  }
  FileId dstId;
  IdOf(m_dstRoot, dstId);
  m_dstRootDev = dstId.dev;
  m_dstRootIno = dstId.ino;
  RemoveStaleTempFiles(TempFolderOf(m_app));
  m_pSource = std::make_unique<CSegmentFile>(CSegmentFile::kDefaultCapacity);
  if (m_settings.CreateLog) {
    if (m_pLog) std::fclose(m_pLog);
    m_pLog = std::fopen(m_settings.LogFilePath.c_str(), "w");
    if (!m_pLog) {
      ShowFileError(m_sink, kFilterOperation, m_settings.LogFilePath, kNoLogFile);
      m_pSource.reset();
      return 0;
    }
    std::fputs("<HTML><BODY>\n", m_pLog);
  }
  m_ancestors.clear();
  FilterDirectory(m_srcRoot, m_dstRoot, ".");
  if (m_pLog) {
    std::fputs("</BODY></HTML>\n", m_pLog);
    std::fclose(m_pLog);
    m_pLog = nullptr;
  }
  m_pSource.reset();
  return 1;
}

bool CBulkFilter::AbortFlagged() {
  if (m_pProgress && m_pProgress->AbortRequested()) m_bAbort = true;
  return m_bAbort;
}

bool CBulkFilter::PumpAndCheckAbort() {
  if (pump && !pump()) m_bAbort = true;
  return AbortFlagged();
}

bool CBulkFilter::FilterDirectory(const std::string& srcDir, const std::string& dstDir, const std::string& link) {
  // A missing destination folder is made when its first file needs it.
  bool dstMissing = !IsDirectory(dstDir);
  // A killed run's temporaries in an output folder go when the next run gets there.
  if (!dstMissing) RemoveStaleTempFiles(dstDir);
  FileId self;
  DIR* d = IdOf(srcDir, self) ? ::opendir(srcDir.c_str()) : nullptr;
  if (!d) {
    // The folder is given up; its siblings are still filtered.
    ReportFileError(srcDir, std::strerror(errno));
    LogError("[Can't CHDIR to : " + srcDir + "]");
    return !m_bAbort;
  }
  if (m_pProgress) m_pProgress->SetFileName(srcDir);

  std::vector<std::string> files, dirs;
  while (dirent* e = ::readdir(d)) {
    if (AbortFlagged()) break;
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    // Only a link (or a folder that does not tell) needs stat to be typed.
    if (e->d_type == DT_DIR || e->d_type == DT_REG)
      st.st_mode = e->d_type == DT_DIR ? S_IFDIR : S_IFREG;
    else if (e->d_type != DT_UNKNOWN && e->d_type != DT_LNK)
      continue;  // devices, pipes, sockets
    else if (::stat(Join(srcDir, name).c_str(), &st) != 0)
      continue;
    if (S_ISDIR(st.st_mode)) {
      InsertSorted(dirs, name);
      continue;
    }
    // Devices and pipes are no files to filter (opening a pipe would block);
    // nor is another run's temporary, whatever the extension list.
    if (!S_ISREG(st.st_mode) || IsTempFileName(name)) continue;
    if (m_settings.ExtFilter) {
      const size_t dot = name.rfind('.');
      if (dot == std::string::npos || MatchExtensionList(m_settings.StrExtFilter, name.substr(dot + 1)) == kNoPosition)
        continue;
    }
    InsertSorted(files, name);
  }
  ::closedir(d);

  bool skipFiles = false;
  m_bDstFresh = false;
  m_freshNames.clear();
  for (const std::string& name : files) {
    if (skipFiles || PumpAndCheckAbort()) break;
    FilterOneName(srcDir, dstDir, link, name, dstMissing, skipFiles);
  }
  if (!m_settings.RecurseDir || m_bAbort) return !m_bAbort;

  m_ancestors.push_back({self.dev, self.ino});
  for (const std::string& name : dirs) {
    if (AbortFlagged()) break;
    const std::string subSrc = Join(srcDir, name);
    const std::string subDst = Join(dstDir, name);
    FileId id;
    if (!IdOf(subSrc, id)) continue;
    // The destination tree inside the source tree is output, not input; a
    // link back to a folder above would never end.
    if (id.dev == m_dstRootDev && id.ino == m_dstRootIno) continue;
    bool loop = false;
    for (const auto& a : m_ancestors) loop |= a.first == id.dev && a.second == id.ino;
    if (loop) continue;
    if (subSrc.size() >= static_cast<size_t>(kMaxPath) || subDst.size() >= static_cast<size_t>(kMaxPath)) {
      ReportFileError(subSrc, "the path is too long");
      LogError("[Can't CHDIR to : " + subSrc + "]");
      continue;
    }
    if (dstMissing) {
      // A sub-folder's destination needs its parent.
      m_dstPath = dstDir + "/";
      if (!MakeOutputSubdirectory(m_dstPath.size())) break;
      dstMissing = false;
    }
    if (!FilterDirectory(subSrc, subDst, link + "/" + name)) break;
  }
  m_ancestors.pop_back();
  return !m_bAbort;
}

void CBulkFilter::FilterOneName(const std::string& srcDir, const std::string& dstDir, const std::string& link,
                                const std::string& name, bool& dstMissing, bool& skipFiles) {
  const std::string destName = DestinationName(name);
  const std::string srcPath = Join(srcDir, name);
  const std::string dstPath = Join(dstDir, destName);
  if (m_pProgress) {
    m_pProgress->StepIt();
    m_pProgress->SetFileName(srcPath);
  }
  ++m_nAttempted;
  if (m_pProgress) m_pProgress->SetCounter(std::to_string(m_nAttempted) + " / " + std::to_string(m_nTotal));

  std::string reason;
  if (srcPath.size() >= static_cast<size_t>(kMaxPath)) reason = "the path is too long";
  if (!reason.empty() || !LoadSource(srcPath, reason)) {
    ReportFileError(srcPath, reason);
    LogError("[Can't open file : " + srcPath + "]");
    return;
  }
  if (dstMissing) {
    m_dstPath = dstDir + "/";
    if (!MakeOutputSubdirectory(m_dstPath.size())) {
      ReportFileError(srcPath, "cannot create the folder " + dstDir);
      m_list.clear();
      skipFiles = true;
      return;
    }
    dstMissing = false;
    m_bDstFresh = true;
  }
  const int64_t srcSize = m_nSrcSize;
  // A folder this run made holds only what it wrote there: no need to ask
  // whether the name is taken, unless a name before this one mapped to it.
  m_bDstAbsent = m_bDstFresh && m_freshNames.count(destName) == 0;
  const int ok = FilterFile(srcPath, dstPath);
  m_bDstAbsent = false;
  m_list.clear();
  if (!ok) return;
  if (m_bDstFresh) m_freshNames.insert(destName);
  ++m_nConverted;
  m_nSavedBytes += srcSize - m_nNewSize;
  if (m_pLog) LogFile(link + "/" + destName, dstPath, srcSize);
}

// Only a file that starts as a JPEG is filtered; bytes that the parse did not
// reach (a file cut short) are carried over as they are, never lost.
bool CBulkFilter::LoadSource(const std::string& srcPath, std::string& reason) {
  CSegmentFile& f = *m_pSource;
  m_bSourceInMemory = false;
  m_list.clear();  // its records may point into the bytes about to be replaced
  // O_NONBLOCK: a pipe put in the file's place must not hang the run; a
  // regular file's reads ignore it.
  const int fd = ::open(srcPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kWholeFileLimit) {
    const size_t size = static_cast<size_t>(st.st_size);
    if (size > m_srcCapacity) {
      // Grown without being cleared: every byte used is read first.
      m_srcBuffer.reset(new uint8_t[size]);
      m_srcCapacity = size;
    }
    size_t got = 0;
    while (got < size) {
      const ssize_t n = ::read(fd, m_srcBuffer.get() + got, size - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    ::close(fd);
    m_srcLength = got;
    m_bSourceInMemory = true;
    m_srcDev = st.st_dev;
    m_srcIno = st.st_ino;
    m_nSrcSize = static_cast<int64_t>(st.st_size);
    ParseJpegInPlace(m_srcBuffer.get(), m_srcLength, m_list);
  } else {
    // Refusals and large files: the buffered reader, with its own reasons.
    if (fd >= 0) ::close(fd);
    if (!f.Open(srcPath)) {
      const int error = errno;
      if (IsRegularFile(srcPath, &reason)) reason = std::strerror(error);
      return false;
    }
    m_nSrcSize = f.Length();
    ParseJpeg(f, m_list);
    f.Close();
  }
  if (m_list.empty() || m_list.front()->MarkerCode() != M_SOI || m_list.front()->m_nOffset != 0) {
    m_list.clear();
    reason = "not a JPEG file";
    return false;
  }
  const CJpegSegment& last = *m_list.back();
  const int64_t end = last.m_nOffset + last.m_nLength;
  if (last.MarkerCode() != M_EOI && end < m_nSrcSize)
    m_list.push_back(CJpegSegment::NotLoaded(SF_SOURCE, end, m_nSrcSize - end));
  return true;
}

int CBulkFilter::FilterFile(const std::string& srcPath, const std::string& dstPath) {
  FrameSize(m_list, m_nWidth, m_nHeight);
  FilterApp0(m_list, m_settings.RemoveThumb != 0, m_settings.RemoveJFXX != 0);
  if (m_settings.RemoveCOM) DropCode(m_list, M_COM);
  if (m_settings.RemoveAppX)
    for (int n = 1; n <= 15; ++n)
      if (m_settings.RemoveAPP[n]) DropCode(m_list, M_APP0 + n);
  if (m_settings.ConvertExif) ExifToJfif(m_list);
  if (m_settings.UniteDQT) UniteSegments(m_list, M_DQT);
  if (m_settings.UniteDHT) UniteSegments(m_list, M_DHT);

  int64_t written = -1;
  struct stat st {};
  const bool ok = WriteResult(srcPath, dstPath, written) && (written >= 0 || ::stat(dstPath.c_str(), &st) == 0);
  m_bSourceInMemory = false;
  if (!ok) {
    ReportFileError(srcPath, "cannot be written to " + dstPath);
    LogError("[Can't Save to " + dstPath + "]");
    return 0;
  }
  m_nNewSize = written >= 0 ? written : static_cast<int64_t>(st.st_size);
  return 1;
}

// The list's bytes as pieces of the source in memory and of the new
// records, by the rules of the streamed write: source records in file
// order, none past the end. Neighbouring source records make one piece.
bool CBulkFilter::GatherOutput(int64_t& total) {
  m_parts.clear();
  total = 0;
  const int64_t size = static_cast<int64_t>(m_srcLength);
  int64_t pos = 0;
  const uint8_t* runEnd = nullptr;  // end of the last piece when it is a source piece
  for (const auto& rec : m_list) {
    const int64_t len = rec->m_nLength;
    if (!rec->Has(SF_SOURCE)) {
      if (rec->Has(SF_DROP) || len <= 0) continue;
      if (!rec->m_pData) return false;
      m_parts.push_back({rec->m_pData, static_cast<size_t>(len)});
      runEnd = nullptr;
      total += len;
      continue;
    }
    const int64_t at = rec->m_nOffset;
    if (at < pos || at > size || len < 0 || len > size - at) return false;
    pos = at + len;
    if (rec->Has(SF_DROP) || len == 0) {
      runEnd = nullptr;
      continue;
    }
    const uint8_t* from = m_srcBuffer.get() + at;
    if (from == runEnd)
      m_parts.back().iov_len += static_cast<size_t>(len);
    else
      m_parts.push_back({const_cast<uint8_t*>(from), static_cast<size_t>(len)});
    runEnd = from + len;
    total += len;
  }
  return true;
}

// A source is replaced only through a complete temporary copy, and no other
// file of the source tree is ever overwritten.
bool CBulkFilter::WriteResult(const std::string& srcPath, const std::string& dstPath, int64_t& written) {
  written = -1;
  if (dstPath.size() >= static_cast<size_t>(kMaxPath)) return false;
  FileId srcId, dstId;
  struct stat dst {};
  if (m_bSourceInMemory)
    srcId = {static_cast<dev_t>(m_srcDev), static_cast<ino_t>(m_srcIno)};
  else if (!IdOf(srcPath, srcId))
    return false;
  const bool dstExists = !m_bDstAbsent && IdOf(dstPath, dstId, &dst);
  const bool inPlace = dstExists && srcId == dstId;
  if (dstExists) {
    if (S_ISREG(dst.st_mode) && (dst.st_mode & 0222) == 0) return false;  // read-only stays
    if (!inPlace && InSourceTree(dstPath)) return false;
  }
  if (!inPlace && m_bSourceInMemory) {
    int64_t total = 0;
    if (!GatherOutput(total) || !ReplaceFileContent(dstPath, m_parts.data(), m_parts.size(), dstExists ? &dst : nullptr))
      return false;
    written = total;
    return true;
  }
  if (!inPlace) return WriteSegments(srcPath, dstPath, m_list) == 1;

  std::string temp;
  if (!MakeTempFileName(TempFolderOf(m_app), kTempFilePrefix, kTempFileSuffix, temp)) return false;
  // Written into the name just made: a copy beside it under a name of its
  // own would outlive a killed run where no cleanup looks for it.
  CSegmentFile source;
  FILE* out = source.Open(srcPath) ? std::fopen(temp.c_str(), "wb") : nullptr;
  bool ok = out && WriteSegments(source, out, m_list) == 1;
  if (out && std::fclose(out) != 0) ok = false;
  source.Close();
  if (ok && beforeReplace) beforeReplace();
  if (ok) ok = ReplaceFile(temp, srcPath, m_sink);
  ::unlink(temp.c_str());
  return ok;
}

// Whether a path names a file this run reads as a source.
bool CBulkFilter::InSourceTree(const std::string& path) const {
  const std::string root = m_srcRoot == "/" ? "/" : m_srcRoot + "/";
  if (path.compare(0, root.size(), root) != 0) return false;
  if (!m_settings.RecurseDir) return path.find('/', root.size()) == std::string::npos;
  // The destination tree nested in the source tree is skipped by the walk.
  const std::string out = m_dstRoot == "/" ? "/" : m_dstRoot + "/";
  return out.size() <= root.size() || path.compare(0, out.size(), out) != 0;
}

int CBulkFilter::ExifToJfif(SegmentList& list) const {
  auto app1 = list.begin();
  while (app1 != list.end() && (*app1)->MarkerCode() != M_APP1) ++app1;
  if (app1 == list.end()) return 0;
  const uint8_t* block = nullptr;
  size_t size = 0;
  if (!ExifBlockOf(**app1, block, size)) return 0;
  // One reader for the run: its tables keep their memory from file to file.
  if (!m_pExif) m_pExif = std::make_unique<CExifReader>();
  CExifReader& reader = *m_pExif;
  if (!reader.Parse(block, size)) return 0;

  Drop(**app1);
  // JFIF 1.01, dots per inch, no thumbnail; the Exif resolution unit is not
  // consulted.
  const uint16_t x = Density(reader, TAG_X_RESOLUTION, 72);
  const uint16_t y = Density(reader, TAG_Y_RESOLUTION, 72);
  const Bytes app0 = {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x01, 0x01,
                      static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x),
                      static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(y), 0x00, 0x00};
  auto at = list.insert(std::next(app1), NewRecord(app0));

  const std::string text = ExifComment(reader, m_settings, m_app);
  if (!text.empty()) {
    const size_t len = text.size() + 2;
    Bytes com = {0xFF, 0xFE, static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len)};
    com.insert(com.end(), text.begin(), text.end());
    list.insert(std::next(at), NewRecord(com));
  }
  return 1;
}

void CBulkFilter::ReportFileError(const std::string& path, const std::string& reason) {
  if (onFileError) onFileError(path, reason);
}

void CBulkFilter::LogError(const std::string& line) {
  if (!m_pLog) return;
  BeginEmphasis();
  std::fputs(Html(line).c_str(), m_pLog);
  EndEmphasis();
}

void CBulkFilter::LogFile(const std::string& link, const std::string& dstPath, int64_t srcSize) {
  if (!m_pLog) return;
  const uint32_t size = m_nNewSize > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(m_nNewSize);
  const ByteCountText text = FormatByteCount(size);
  std::fprintf(m_pLog, "<A href=\"%s\">%s</A><BR>\n", Html(link).c_str(), Html(dstPath).c_str());
  std::fprintf(m_pLog, "width=%d height=%d (%sbytes)<BR>\n", m_nWidth, m_nHeight, text.shortText.c_str());
  std::fprintf(m_pLog, "Size=%sbytes(%ld)<BR>\n", text.grouped.c_str(), static_cast<long>(srcSize - m_nNewSize));
  std::fputs("<BR>\n\n", m_pLog);
}

} // namespace qv
