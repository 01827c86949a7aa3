#include "batch/BatchEngine.h"

#include <cstdio>
#include <vector>

#include "app/ConverterApp.h"
#include "batch/BatchSettings.h"
#include "batch/BulkWorker.h"
#include "image/ImageDoc.h"
#include "image/JpegCodec.h"
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

void ShowSaveError(CConverterApp& app, const std::string& path) {
  std::string text(sizeof kSaveErrorFormat + path.size(), '\0');
  const int n = std::snprintf(text.data(), text.size(), kSaveErrorFormat, path.c_str());
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  app.Messages().MessageBox(text, kBatchCaption, MB_OK | MB_ICONEXCLAMATION);
  app.lastLoadError = LOADERR_NONE;
}

// Fits `source` into width x height on the document (a copy when it has
// that size already).
bool FitOnto(CImageDoc& doc, const CMemBitmap& source, int width, int height, const std::string& shownPath) {
  if (source.Width() != width || source.Height() != height) return doc.ResizeImageFrom(source, width, height) != 0;
  if (doc.Bitmap().CloneFrom(source)) return true;
  ShowSaveError(doc.App(), shownPath);
  return false;
}

// A write that failed on the file's content skips the file; any other
// failure stops the run.
int SaveFailed(CImageDoc& doc, const std::string& shownPath) {
  if (doc.m_nWriteFailure == WRITE_UNFIT) return CONVERT_SKIPPED;
  ShowSaveError(doc.App(), shownPath);
  return CONVERT_STOP;
}

void EndRun(CConverterApp& app) {
  app.batchWorker.reset();
  app.batchState = BS_IDLE;
}

} // namespace

std::string DeviceFileName(int seqNo) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Imag%04d.jpg", seqNo);
  return buf;
}

int NextSeqNo(int n) { return n + 1 > 9999 ? 1 : n + 1; }

int ConvertToDeviceFile(CImageDoc& doc, const std::string& source, const std::string& outPath, int targetWidth,
                        int targetHeight) {
  CConverterApp& app = doc.App();
  if (!doc.Load(source)) return CONVERT_SKIPPED;

  // Both passes resample from one decode of the source: decoding is
  // deterministic, so a second load would give the same pixels.
  CDibBitmap decoded;
  decoded.SwapPixels(doc.Bitmap());

  if (outPath.size() >= 260) {
    ShowSaveError(app, outPath);
    return CONVERT_STOP;
  }
  // The thumbnail stays in memory and the device file appears under its
  // name only when complete, so no run leaves a part of one behind.
  std::vector<uint8_t> thumbnail;
  if (!FitOnto(doc, decoded, 160, 120, outPath + "__thumb")) return CONVERT_STOP;
  if (!doc.EncodeThumbnail(thumbnail)) return SaveFailed(doc, outPath + "__thumb");

  app.lastImageWidth = 1024;
  app.lastImageHeight = 768;
  if (!FitOnto(doc, decoded, targetWidth, targetHeight, outPath)) return CONVERT_STOP;
  doc.m_nFileType = FT_JPEG;
  if (!doc.WriteDeviceJpeg(outPath, &thumbnail)) return SaveFailed(doc, outPath);
  doc.SetDescription(SizeText(app.lastImageWidth, app.lastImageHeight) + "Modified Image");
  return CONVERT_DONE;
}

bool StartBatch(CConverterApp& app, const BatchRunRequest& request) {
  if (request.files.empty() || !DirectoryExists(request.dstDir)) return false;
  if (!request.srcDir.empty() && !DirectoryExists(request.srcDir)) return false;
  app.batchWorker = std::make_unique<CBulkWorker>();
  app.batchWorker->nextSeqNo = request.firstSeqNo;
  app.batchFiles = request.files;
  app.batchTotal = static_cast<int>(request.files.size());
  app.targetWidth = request.targetWidth;
  app.targetHeight = request.targetHeight;
  app.batchSrcDir = request.srcDir;
  app.batchDstDir = request.dstDir;
  app.stepBusy = 0;
  app.batchIndex = 0;
  app.batchConverted = 0;
  app.batchState = BS_START;
  return true;
}

void BatchStep(CConverterApp& app, IBatchHost& host) {
  if (app.stepBusy) return;
  app.stepBusy = 1;
  CBulkWorker* worker = app.batchWorker.get();
  switch (app.batchState) {
  case BS_START: {
    char title[64];
    std::snprintf(title, sizeof title, "Converted Image View %d", app.workDocCounter + 1);
    CImageDoc* doc = host.OpenWorkDocument(title);
    if (!doc) {
      app.Messages().MessageBox("CImageDoc が作成できません", "Quorvex", MB_OK | MB_ICONSTOP);
      EndRun(app);
      break;
    }
    ++app.workDocCounter;
    worker->m_pWorkDoc = doc;
    IBatchProgress* progress = host.CreateProgress();
    if (!progress) {
      EndRun(app);
      break;
    }
    worker->m_pProgress = progress;
    progress->SetRange(app.batchTotal);
    app.batchState = BS_CONVERT;
    break;
  }
  case BS_CONVERT: {
    IBatchProgress* progress = worker->m_pProgress;
    if (progress->AbortRequested() || app.batchIndex >= app.batchTotal) {
      progress->ShowAgain();
      app.batchState = BS_CLOSE_PROGRESS;
      break;
    }
    app.batchCurrent = app.batchFiles[static_cast<size_t>(app.batchIndex)];
    progress->SetFileName(app.batchCurrent);
    char counter[48];
    std::snprintf(counter, sizeof counter, "%d / %d", app.batchIndex + 1, app.batchTotal);
    app.progressText = counter;
    progress->SetCounter(counter);
    switch (worker->ConvertOne(app)) {
    case CONVERT_DONE:
      ++app.batchConverted;
      progress->StepIt();
      ++app.batchIndex;
      host.UpdateViews(worker->m_pWorkDoc);
      break;
    case CONVERT_SKIPPED:
      worker->m_pWorkDoc->MakeBlankImage(1024, 768);
      host.UpdateViews(worker->m_pWorkDoc);
      ReportLoadError(app, true);
      ++app.batchIndex;
      break;
    default:
      app.batchState = BS_ABORT;
      break;
    }
    progress->ShowAgain();
    break;
  }
  case BS_CLOSE_PROGRESS:
    host.DestroyProgress(worker->m_pProgress);
    worker->m_pProgress = nullptr;
    app.batchState = BS_REPORT;
    break;
  case BS_REPORT: {
    char text[64];
    std::snprintf(text, sizeof text, "%d files converted.      ", app.batchConverted);
    app.batchState = BS_FINISH;  // before the box: its nested loop may step again
    app.Messages().MessageBox(text, kBatchCaption, MB_OK | MB_ICONINFORMATION);
    break;
  }
  case BS_FINISH:
    if (worker && worker->m_pWorkDoc) host.CloseWorkDocument(worker->m_pWorkDoc);
    EndRun(app);
    host.SetStatusText(" ");
    break;
  case BS_ABORT:
    host.DestroyProgress(worker->m_pProgress);
    worker->m_pProgress = nullptr;
    app.batchState = BS_FINISH;
    break;
  default:
    break;
  }
  app.stepBusy = 0;
}

void ReportLoadError(CConverterApp& app, bool batch) {
  if (app.reportBusy) return;
  if (app.batchState != BS_IDLE && !batch) return;
  app.reportBusy = 1;
  if (const char* fmt = LoadErrorFormat(app.lastLoadError)) {
    std::string text(std::string(fmt).size() + app.loadErrorName.size() + 1, '\0');
    const int n = std::snprintf(text.data(), text.size(), fmt, app.loadErrorName.c_str());
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    if (batch) text += "\nSkip convert.";
    app.Messages().MessageBox(text, kLoadCaption, MB_OK | MB_ICONEXCLAMATION);
  }
  app.lastLoadError = LOADERR_NONE;
  app.reportBusy = 0;
}

} // namespace qv
