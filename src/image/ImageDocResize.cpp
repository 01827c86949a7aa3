// The document's resampling operations; the pixel work is in Resample.cpp.
#include "app/AppHelpers.h"
#include "image/ImageDoc.h"
#include "image/Resample.h"

namespace qv {
int CImageDoc::ResizeImage(int width, int height) { return ResizeImageFrom(*m_pBitmap, width, height); }

int CImageDoc::ResizeImageFrom(const CMemBitmap& source, int width, int height) {
  // The old image stays the document's until the new one is complete.
  auto resized = std::make_unique<CDibBitmap>();
  FitResult fit;
  std::string error;
  if (!ResizeBitmap(source, width, height, DisplayOptionsOf(m_app), *resized, &fit, &error)) {
    ShowFileError(m_app.Messages(), kResizeOperation, m_strPathName, error);
    return 0;
  }
  m_colorTable.clear();
  m_pBitmap = std::move(resized);
  m_nFileSize = 0;
  lastImageWidth = fit.width;
  lastImageHeight = fit.height;
  return 1;
}

int CImageDoc::MakeBlankImage(int width, int height) {
  auto blank = std::make_unique<CDibBitmap>();
  std::string error;
  if (!qv::MakeBlankImage(width, height, DisplayOptionsOf(m_app), *blank, &error)) {
    ShowFileError(m_app.Messages(), kResizeOperation, m_strPathName, error);
    return 0;
  }
  m_pBitmap = std::move(blank);
  m_nFileSize = 0;
  m_strDescription = " ";
  return 1;
}

} // namespace qv
