#include "batch/BatchRun.h"

#include <cstdio>

#include "app/ConverterApp.h"
#include "batch/BatchSettings.h"
#include "image/ImageDoc.h"
#include "platform/MessageSink.h"

namespace qv {

bool CBatchRun::Start(const BatchRunRequest& request) {
  if (request.files.empty() || !DirectoryExists(request.dstDir)) return false;
  if (!request.srcDir.empty() && !DirectoryExists(request.srcDir)) return false;
  nextSeqNo = request.firstSeqNo;
  batchFiles = request.files;
  batchTotal = static_cast<int>(request.files.size());
  targetWidth = request.targetWidth;
  targetHeight = request.targetHeight;
  batchSrcDir = request.srcDir;
  batchDstDir = request.dstDir;
  m_pWorkDoc = nullptr;
  m_pProgress = nullptr;
  stepBusy = 0;
  batchIndex = 0;
  batchConverted = 0;
  batchState = BS_START;
  return true;
}

int CBatchRun::ConvertOne() {
  // Names given with a folder of their own (the command line) stand alone.
  const bool standAlone = !batchCurrent.empty() && batchCurrent[0] == '/';
  m_srcPath = standAlone ? batchCurrent : batchSrcDir + "/" + batchCurrent;
  m_dstPath = batchDstDir + "/" + DeviceFileName(nextSeqNo);
  nextSeqNo = NextSeqNo(nextSeqNo);  // used up even when the file is skipped
  return ConvertToDeviceFile(*m_pWorkDoc, m_srcPath, m_dstPath, targetWidth, targetHeight);
}

void CBatchRun::Step(IBatchHost& host) {
  if (stepBusy) return;
  stepBusy = 1;
  switch (batchState) {
  case BS_START: StepStart(host); break;
  case BS_CONVERT: StepConvert(host); break;
  case BS_CLOSE_PROGRESS: StepCloseProgress(host); break;
  case BS_REPORT: StepReport(); break;
  case BS_FINISH: StepFinish(host); break;
  case BS_ABORT: StepAbort(host); break;
  default: break;
  }
  stepBusy = 0;
}

void CBatchRun::StepStart(IBatchHost& host) {
  char title[64];
  std::snprintf(title, sizeof title, "Converted Image View %d", workDocCounter + 1);
  CImageDoc* doc = host.OpenWorkDocument(title);
  if (!doc) {
    m_app.Messages().MessageBox("CImageDoc が作成できません", "Quorvex", MB_OK | MB_ICONSTOP);
    End();
    return;
  }
  ++workDocCounter;
  m_pWorkDoc = doc;
  IBatchProgress* progress = host.CreateProgress();
  if (!progress) {
    End();
    return;
  }
  m_pProgress = progress;
  progress->SetRange(batchTotal);
  batchState = BS_CONVERT;
}

void CBatchRun::StepConvert(IBatchHost& host) {
  IBatchProgress* progress = m_pProgress;
  if (progress->AbortRequested() || batchIndex >= batchTotal) {
    progress->ShowAgain();
    batchState = BS_CLOSE_PROGRESS;
    return;
  }
  batchCurrent = batchFiles[static_cast<size_t>(batchIndex)];
  progress->SetFileName(batchCurrent);
  char counter[48];
  std::snprintf(counter, sizeof counter, "%d / %d", batchIndex + 1, batchTotal);
  progressText = counter;
  progress->SetCounter(counter);
  switch (ConvertOne()) {
  case CONVERT_DONE:
    ++batchConverted;
    progress->StepIt();
    ++batchIndex;
    host.UpdateViews(m_pWorkDoc);
    break;
  case CONVERT_SKIPPED: {
    const int code = m_pWorkDoc->m_nLoadError;
    m_pWorkDoc->m_nLoadError = LOADERR_NONE;
    m_pWorkDoc->MakeBlankImage(1024, 768);
    host.UpdateViews(m_pWorkDoc);
    ShowLoadError(m_app.Messages(), code, m_pWorkDoc->m_strLoadErrorName, true);
    ++batchIndex;
    break;
  }
  default:
    batchState = BS_ABORT;
    break;
  }
  progress->ShowAgain();
}

void CBatchRun::StepCloseProgress(IBatchHost& host) {
  host.DestroyProgress(m_pProgress);
  m_pProgress = nullptr;
  batchState = BS_REPORT;
}

void CBatchRun::StepReport() {
  batchState = BS_FINISH;  // before the box: its nested loop may step again
  m_app.Messages().MessageBox(ConvertedCountText(batchConverted), kBatchCaption, MB_OK | MB_ICONINFORMATION);
}

void CBatchRun::StepFinish(IBatchHost& host) {
  if (m_pWorkDoc) host.CloseWorkDocument(m_pWorkDoc);
  End();
  host.SetStatusText(" ");
}

void CBatchRun::StepAbort(IBatchHost& host) {
  host.DestroyProgress(m_pProgress);
  m_pProgress = nullptr;
  batchState = BS_FINISH;
}

void CBatchRun::Abandon(IBatchHost& host) {
  if (m_pProgress) host.DestroyProgress(m_pProgress);
  End();
}

void CBatchRun::End() {
  m_pWorkDoc = nullptr;
  m_pProgress = nullptr;
  batchState = BS_IDLE;
  stepBusy = 0;
}

} // namespace qv
