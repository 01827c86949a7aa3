#pragma once
// The JPEG bulk filter: rewrites the marker segments of every JPEG file of a
// folder tree into a destination tree without touching the scan data, and
// writes an HTML log of what it wrote.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <sys/uio.h>
#include <unordered_set>
#include <vector>

#include "jpegmeta/BulkWorker.h"
#include "jpegmeta/JpegSegment.h"

namespace qv {

class CExifReader;
class CProfile;
class CSegmentFile;
class IMessageSink;
struct CSettings;

extern const char kSectionBulkFilter[];  // "bulkfilter"

// The "bulkfilter" section, each member named after its key.
struct CBulkFilterSettings {
  std::string SrcDirectory;  // defaults under the home folder
  std::string DstDirectory;
  int CreateLog = 0;
  std::string LogFilePath;
  int RemoveThumb = 0;
  int RemoveJFXX = 0;
  int RemoveAppX = 0;
  int RemoveAPP[16];  // "RemoveAPP%d", 1..15; [0] unused
  int UniteDQT = 0;
  int UniteDHT = 0;
  int RemoveCOM = 0;
  int ConvertExif = 1;
  int ExifGenCmt = 1;
  int ExifGenEng = 0;
  int ExifUserCmt = 1;
  int RecurseDir = 0;
  int ExtFilter = 1;
  std::string StrExtFilter = ".jpg;.jfif;.jpeg";

  CBulkFilterSettings();
  void Load(const CProfile& profile);
  // Every key, in the order of the table above; false when a write failed.
  bool Save(CProfile& profile) const;
};

class CBulkFilter : public CBulkWorker {
public:
  // appSettings: the charset and temporary-folder settings; sink: the file
  // error boxes. Both must outlive the filter.
  CBulkFilter(const CSettings& appSettings, IMessageSink& sink, const CBulkFilterSettings& settings);
  ~CBulkFilter() override;

  const CBulkFilterSettings& Settings() const { return m_settings; }

  // Count, run, and the closing message, as the command does it after its
  // dialog. False when the run could not start or did not finish.
  bool RunCommand();

  // The run over the tree after the files were counted (total). 1 when the
  // run took place, 0 when a root is missing or the log cannot be made.
  int FilterRun(int total);
  // One folder and, when recursing, its sub-folders; false when aborted.
  bool FilterDirectory(const std::string& srcDir, const std::string& dstDir, const std::string& link);
  // Filters the loaded segment list and writes it to dstPath; 1 on success.
  int FilterFile(const std::string& srcPath, const std::string& dstPath);
  // 1 when an Exif APP1 of the list was converted to JFIF and a comment.
  int ExifToJfif(SegmentList& list) const;

  SegmentList& Segments() { return m_list; }

  int Attempted() const { return m_nAttempted; }
  // Files written successfully: the number the closing message shows.
  int Converted() const { return m_nConverted; }
  int64_t SavedBytes() const { return m_nSavedBytes; }
  int64_t NewSize() const { return m_nNewSize; }
  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }
  bool Aborted() const { return m_bAbort; }

  // Called in place rewrites between the write of the new content and the
  // replacement of the source, so tests can make the replacement fail.
  std::function<void()> beforeReplace;
  // Told of each file (or folder) the run gives up on and why, beside the
  // log's line, for callers that have no log to show.
  std::function<void(const std::string& path, const std::string& reason)> onFileError;

private:
  bool AbortFlagged();
  bool PumpAndCheckAbort();
  void FilterOneName(const std::string& srcDir, const std::string& dstDir, const std::string& link,
                     const std::string& name, bool& dstMissing, bool& skipFiles);
  bool LoadSource(const std::string& srcPath, std::string& reason);
  void ReportFileError(const std::string& path, const std::string& reason);
  bool WriteResult(const std::string& srcPath, const std::string& dstPath, int64_t& written);
  bool GatherOutput(int64_t& total);
  void LogError(const std::string& line);
  void LogFile(const std::string& link, const std::string& dstPath, int64_t srcSize);
  bool InSourceTree(const std::string& path) const;

  CBulkFilterSettings m_settings;
  const CSettings& m_app;
  IMessageSink& m_sink;
  SegmentList m_list;
  std::unique_ptr<CSegmentFile> m_pSource;  // lives for a run
  mutable std::unique_ptr<CExifReader> m_pExif;
  // The source read whole (kept between files so its memory is reused; the
  // records of m_list point into it) and the pieces of the output's one write.
  std::unique_ptr<uint8_t[]> m_srcBuffer;
  size_t m_srcCapacity = 0, m_srcLength = 0;
  std::vector<iovec> m_parts;
  // The destination folder of the files being filtered was made by this run,
  // and the names written into it so far.
  bool m_bDstFresh = false;
  std::unordered_set<std::string> m_freshNames;
  bool m_bDstAbsent = false;  // the current file's destination is known not to exist
  bool m_bSourceInMemory = false;
  uint64_t m_srcDev = 0, m_srcIno = 0;
  std::vector<std::pair<uint64_t, uint64_t>> m_ancestors;  // folders being walked
  std::string m_srcRoot;
  std::string m_dstRoot;
  uint64_t m_dstRootDev = 0, m_dstRootIno = 0;
  int m_nTotal = 0;
  int m_nAttempted = 0;
  int m_nConverted = 0;
  int64_t m_nSavedBytes = 0;
  int64_t m_nSrcSize = 0;
  int64_t m_nNewSize = 0;
  int m_nWidth = 0;
  int m_nHeight = 0;
};

// "%d files converted     (%ld バイトの削減)" as UTF-8.
std::string BulkFilterResultText(int files, int64_t savedBytes);

} // namespace qv
