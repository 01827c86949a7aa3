#include "batch/BatchEngine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

#include "app/ConverterApp.h"
#include "batch/BatchSettings.h"
#include "app/AppHelpers.h"
#include "app/ReplacingFile.h"
#include "image/DisplayBitmap.h"
#include "image/ImageDoc.h"
#include "image/JpegCodec.h"
#include "image/Resample.h"
#include "image/RowResampler.h"
#include "jpegmeta/PhotoFacts.h"
#include "platform/MessageSink.h"

namespace qv {
namespace {

const char kLoadCaption[] = "JPEG File Load";
const char kSaveErrorFormat[] = "File save error!  '%s'       \nConvert stopped.";

std::string SizeText(int w, int h) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%dx%d ", w, h);
  return buf;
}

void ShowSaveError(IMessageSink& sink, const std::string& path) {
  std::string text(sizeof kSaveErrorFormat + path.size(), '\0');
  const int n = std::snprintf(text.data(), text.size(), kSaveErrorFormat, path.c_str());
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  sink.MessageBox(text, kBatchCaption, MB_OK | MB_ICONEXCLAMATION);
}

void ShowSaveError(CImageDoc& doc, const std::string& path) {
  ShowSaveError(doc.App().Messages(), path);
  doc.m_nLoadError = LOADERR_NONE;
}

// Fits `source` into width x height on the document (a copy when it has
// that size already).
bool FitOnto(CImageDoc& doc, const CMemBitmap& source, int width, int height, const std::string& shownPath) {
  if (source.Width() != width || source.Height() != height) return doc.ResizeImageFrom(source, width, height) != 0;
  if (doc.Bitmap().CloneFrom(source)) return true;
  ShowSaveError(doc, shownPath);
  return false;
}

// A write that failed on the file's content skips the file; any other
// failure stops the run.
int SaveFailed(CImageDoc& doc, const std::string& shownPath) {
  if (doc.m_nWriteFailure == WRITE_UNFIT) return CONVERT_SKIPPED;
  ShowSaveError(doc, shownPath);
  return CONVERT_STOP;
}

} // namespace

std::string DeviceFileName(int seqNo) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Imag%04d.jpg", seqNo);
  return buf;
}

int NextSeqNo(int n) { return n + 1 > 9999 ? 1 : n + 1; }

std::vector<std::string> PlannedDeviceNames(int first, size_t count) {
  std::vector<std::string> names;
  names.reserve(count);
  for (int n = first; names.size() < count; n = NextSeqNo(n)) names.push_back(DeviceFileName(n));
  return names;
}

int HighestDeviceNumber(const std::string& dir) {
  int highest = 0;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return 0;
  while (const dirent* e = ::readdir(d)) {
    const char* n = e->d_name;
    if (std::strlen(n) != 12 || strncasecmp(n, "imag", 4) != 0 || strcasecmp(n + 8, ".jpg") != 0) continue;
    int value = 0;
    bool digits = true;
    for (int i = 4; i < 8; ++i) {
      digits = digits && n[i] >= '0' && n[i] <= '9';
      value = value * 10 + (n[i] - '0');
    }
    if (digits && value > highest) highest = value;
  }
  ::closedir(d);
  return highest;
}

namespace {

// The photo's own date for the device file, so that listings by date keep
// the shooting order: DateTimeOriginal, else DateTime, else the source's time.
void TakeShootingTime(const CImageDoc& doc, const std::string& source, DeviceFile& file) {
  std::time_t when = 0;
  struct stat st {};
  file.stamped = true;
  file.nanoseconds = 0;
  if (!doc.m_exifBlock.empty() && ExifShootingTime(doc.m_exifBlock.data(), doc.m_exifBlock.size(), when)) {
    file.seconds = static_cast<int64_t>(when);
  } else if (::stat(source.c_str(), &st) == 0) {
    file.seconds = static_cast<int64_t>(st.st_mtim.tv_sec);
    file.nanoseconds = static_cast<long>(st.st_mtim.tv_nsec);
  } else {
    file.stamped = false;
  }
}

} // namespace

namespace {

// The device file of the document's image with `thumbnail` embedded, in
// memory, and the time it is to carry.
int Finish(CImageDoc& doc, const std::string& source, const std::string& outPath,
           const std::vector<uint8_t>& thumbnail, DeviceFile& file) {
  doc.m_nFileType = FT_JPEG;
  if (!EncodeDeviceJpeg(doc, outPath, &thumbnail, file.bytes)) return SaveFailed(doc, outPath);
  TakeShootingTime(doc, source, file);
  doc.SetDescription(SizeText(doc.lastImageWidth, doc.lastImageHeight) + "Modified Image");
  return CONVERT_DONE;
}

// The whole picture decoded first, for displays whose dithering the
// resampler must see.
int MakeHeld(CImageDoc& doc, const std::string& source, const std::string& outPath, int targetWidth,
             int targetHeight, DeviceFile& file) {
  if (!doc.Load(source)) return CONVERT_SKIPPED;

  // Both passes resample from one decode of the source: decoding is
  // deterministic, so a second load would give the same pixels.
  CDibBitmap decoded;
  decoded.SwapPixels(doc.Bitmap());

  if (outPath.size() >= 260) {
    ShowSaveError(doc, outPath);
    return CONVERT_STOP;
  }
  // The thumbnail stays in memory and the device file appears under its
  // name only when complete, so no run leaves a part of one behind.
  std::vector<uint8_t> thumbnail;
  if (!FitOnto(doc, decoded, 160, 120, ThumbnailPathOf(outPath))) return CONVERT_STOP;
  if (!doc.EncodeThumbnail(thumbnail)) return SaveFailed(doc, ThumbnailPathOf(outPath));

  doc.lastImageWidth = 1024;
  doc.lastImageHeight = 768;
  if (!FitOnto(doc, decoded, targetWidth, targetHeight, outPath)) return CONVERT_STOP;
  return Finish(doc, source, outPath, thumbnail, file);
}

// The decoder's rows straight into the thumbnail's and the device
// picture's resamplers; kept per thread so that their plans serve the next
// photo of the same size.
class DeviceRows : public IDecodedRows {
public:
  void Reset(int width, int height) {
    m_width = width;
    m_height = height;
    m_failed = false;
  }
  bool BeginRows(int width, int height, bool topFirst) override {
    m_srcWidth = width;
    m_srcHeight = height;
    try {
      thumb.Begin(width, height, 160, 120, topFirst);
      canvas.Begin(width, height, m_width, m_height, topFirst);
      // One ring of decoded rows serves both resamplers, so neither copies them.
      m_ringRows = std::max(thumb.RowsReadAgain(), canvas.RowsReadAgain()) + 1;
      m_rowBytes = 3 * static_cast<size_t>(width) + resample::kRowSlack;  // the slack NextRow promises
      if (m_ringRows > 1) {
        m_ring.resize(static_cast<size_t>(m_ringRows) * m_rowBytes);
        thumb.CallerKeepsRows();
        canvas.CallerKeepsRows();
      }
      m_next = 0;
    } catch (const std::exception&) {
      m_failed = true;
    }
    return !m_failed;
  }
  uint8_t* NextRow() override {
    if (m_ringRows <= 1 || m_failed) return nullptr;
    return m_ring.data() + static_cast<size_t>(m_next++ % m_ringRows) * m_rowBytes;
  }
  void PushRow(const uint8_t* row, bool slack) override {
    if (m_failed) return;
    try {
      thumb.PushRow(row, slack);
      canvas.PushRow(row, slack);
    } catch (const std::exception&) {
      m_failed = true;
    }
  }
  bool Failed() const { return m_failed; }
  bool SourceIs(int width, int height) const { return m_srcWidth == width && m_srcHeight == height; }

  CRowResampler thumb, canvas;

private:
  int m_width = 0, m_height = 0;
  int m_srcWidth = 0, m_srcHeight = 0;
  bool m_failed = false;
  std::vector<uint8_t> m_ring;
  size_t m_rowBytes = 0;
  int m_ringRows = 0, m_next = 0;
};

// A finished canvas becomes the document's image, as ResizeImage leaves it;
// a source of the canvas's size keeps the fitted size the caller set. The
// image it replaces is memory for `next`'s next canvas.
bool Install(CImageDoc& doc, CRowResampler& resampler, bool resized, CRowResampler& next) {
  auto bitmap = std::make_unique<CDibBitmap>();
  const int width = resampler.CanvasWidth(), height = resampler.CanvasHeight();
  const FitResult fit = resampler.Fit();
  if (!MakeDisplayBitmap(*bitmap, width, height, resampler.TakeCanvas(), DisplayOptionsOf(doc.App()))) {
    ShowFileError(doc.App().Messages(), kResizeOperation, doc.m_strPathName, kCantMakeBitmap);
    return false;
  }
  doc.m_colorTable.clear();
  next.Recycle(doc.m_pBitmap->TakeRows());
  doc.m_pBitmap = std::move(bitmap);
  if (!resized) return true;
  doc.m_nFileSize = 0;
  doc.lastImageWidth = fit.width;
  doc.lastImageHeight = fit.height;
  return true;
}

} // namespace

int MakeDeviceFile(CImageDoc& doc, const std::string& source, const std::string& outPath, int targetWidth,
                   int targetHeight, DeviceFile& file) {
  file = DeviceFile();
  if (DisplayDitherColors(DisplayOptionsOf(doc.App())) != 0)
    return MakeHeld(doc, source, outPath, targetWidth, targetHeight, file);
  thread_local DeviceRows rows;
  rows.Reset(targetWidth, targetHeight);
  rows.canvas.Recycle(doc.m_pBitmap->TakeRows());  // the load would drop it
  const bool loaded = LoadJpegRows(doc, source, rows) != 0;
  if (rows.Failed()) {
    doc.m_nLoadError = LOADERR_NONE;
    ShowFileError(doc.App().Messages(), kResizeOperation, source, kCantMakeBitmap);
    return CONVERT_STOP;
  }
  if (!loaded) return CONVERT_SKIPPED;

  if (outPath.size() >= 260) {
    ShowSaveError(doc, outPath);
    return CONVERT_STOP;
  }
  // The thumbnail stays in memory and the device file appears under its
  // name only when complete, so no run leaves a part of one behind.
  std::vector<uint8_t> thumbnail;
  if (!Install(doc, rows.thumb, !rows.SourceIs(160, 120), rows.canvas)) return CONVERT_STOP;
  if (!doc.EncodeThumbnail(thumbnail)) return SaveFailed(doc, ThumbnailPathOf(outPath));

  doc.lastImageWidth = 1024;
  doc.lastImageHeight = 768;
  if (!Install(doc, rows.canvas, !rows.SourceIs(targetWidth, targetHeight), rows.thumb)) return CONVERT_STOP;
  return Finish(doc, source, outPath, thumbnail, file);
}

int WriteDeviceFile(CConverterApp& app, const std::string& outPath, const DeviceFile& file) {
  // One write into a new file beside the target, renamed over it when whole.
  if (!ReplaceFileContent(outPath, file.bytes.data(), file.bytes.size())) {
    ShowSaveError(app.Messages(), outPath);
    return CONVERT_STOP;
  }
  if (file.stamped) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<std::time_t>(file.seconds);
    times[1].tv_nsec = file.nanoseconds;
    ::utimensat(AT_FDCWD, outPath.c_str(), times, 0);
  }
  return CONVERT_DONE;
}

int ConvertToDeviceFile(CImageDoc& doc, const std::string& source, const std::string& outPath, int targetWidth,
                        int targetHeight) {
  DeviceFile file;
  const int made = MakeDeviceFile(doc, source, outPath, targetWidth, targetHeight, file);
  if (made != CONVERT_DONE) return made;
  const int written = WriteDeviceFile(doc.App(), outPath, file);
  if (written == CONVERT_DONE) doc.m_nFileSize = static_cast<int64_t>(file.bytes.size());
  return written;
}

void ShowLoadError(IMessageSink& sink, int code, const std::string& name, bool batch) {
  const char* fmt = LoadErrorFormat(code);
  if (!fmt) return;
  std::string text(std::string(fmt).size() + name.size() + 1, '\0');
  const int n = std::snprintf(text.data(), text.size(), fmt, name.c_str());
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  if (batch) text += "\nSkip convert.";
  sink.MessageBox(text, kLoadCaption, MB_OK | MB_ICONEXCLAMATION);
}

void ReportLoadError(CConverterApp& app, bool batch) {
  const int code = app.lastLoadError;
  app.lastLoadError = LOADERR_NONE;  // before the box: its loop may report again
  ShowLoadError(app.Messages(), code, app.loadErrorName, batch);
}

} // namespace qv
