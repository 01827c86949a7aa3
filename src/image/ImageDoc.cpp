#include "image/ImageDoc.h"

#include <cstdio>
#include <strings.h>

#include "app/Extension.h"
#include "image/JpegCodec.h"
#include "app/DqtFile.h"

namespace qv {
namespace {

std::string ExtensionOf(const std::string& path) {
  const size_t dot = FindExtension(path);
  return dot == kNoPosition ? std::string() : path.substr(dot);
}

} // namespace

CImageDoc::CImageDoc(CConverterApp& app) : m_pBitmap(std::make_unique<CDibBitmap>()), m_app(app) {
  m_bCustomDqt = app.m_settings.UseCustomDQT;
  if (m_bCustomDqt) {
    m_dqt[0] = app.m_customDqt[0];
    m_dqt[1] = app.m_customDqt[1];
  } else {
    app.ResetEncoderChoices();
    for (int k = 0; k < 2; ++k) MakeStandardTable(k, app.m_settings.Param1, m_dqt[k].data());
  }
  m_nDocumentId = app.NewDocumentId();
  app.RegisterDocumentId(m_nDocumentId);
}

CImageDoc::~CImageDoc() {
  DeleteTempFiles();
  m_app.UnregisterDocumentId(m_nDocumentId);
}

CCommentRecord* CImageDoc::CurrentComment() {
  if (m_nCurrentComment < 0 || m_nCurrentComment >= static_cast<int>(m_comments.size())) return nullptr;
  return &m_comments[static_cast<size_t>(m_nCurrentComment)];
}

const CCommentRecord* CImageDoc::CurrentComment() const {
  return const_cast<CImageDoc*>(this)->CurrentComment();
}

void CImageDoc::ClearImage() {
  m_comments.clear();
  m_nCurrentComment = -1;
  m_colorTable.clear();
  m_readComment.clear();
  m_bGrayscale = 0;
  m_bTransparent = 0;
  m_transparentColor[0] = m_transparentColor[1] = m_transparentColor[2] = 0;
  m_nPngSaveMode = m_app.m_settings.pngSaveMode;
  m_bWriteGamma = m_app.m_settings.UseWriteGammaValue;
  m_dGamma = m_app.m_settings.DefaultGamma;
}

void CImageDoc::AddDefaultComment() {
  m_bComment = m_app.m_settings.DefaultComment;
  CCommentRecord rec;
  rec.charset = m_app.m_defaultCommentCharset;
  rec.name = "Comment";
  rec.text = m_app.m_defaultComment;
  m_comments.push_back(std::move(rec));
  m_nCurrentComment = static_cast<int>(m_comments.size()) - 1;
}

void CImageDoc::GetSize(int& width, int& height) const {
  width = m_pBitmap->Width();
  height = m_pBitmap->Height();
}

void CImageDoc::DeleteTempFiles() {
  if (!m_bTempFiles) return;
  for (std::string& p : m_tempPath) {
    if (!p.empty()) std::remove(p.c_str());
    p.clear();
  }
  m_bTempFiles = 0;
}

int CImageDoc::OnNewDocument() {
  if (!m_pBitmap->Create(640, 480, kColor16)) return 0;
  m_pBitmap->Fill(255, 255, 255);
  m_strDescription = "New Image";
  m_strCodecInfo.clear();
  m_nFileType = FT_BMP;
  m_nFileSize = 0;
  AddDefaultComment();
  return 1;
}

int CImageDoc::Load(const std::string& path) {
  ClearImage();
  DeleteTempFiles();
  m_comments.clear();
  m_nCurrentComment = -1;
  m_colorTable.clear();
  m_pBitmap->Release();
  const std::string ext = ExtensionOf(path);
  if (ext.empty()) return 0;
  m_nFileType = FormatFromExtension(ext);
  m_app.UnregisterDocumentId(m_nDocumentId);
  m_nDocumentId = m_app.NewDocumentId();
  m_app.RegisterDocumentId(m_nDocumentId);
  if (m_nFileType != FT_JPEG) return 0;
  const int ok = ReadJpeg(path);
  if (ok) {
    m_strDescription = m_strCodecInfo;
    m_strPathName = path;
    if (m_comments.empty()) AddDefaultComment();
  }
  return ok;
}

int CImageDoc::SaveByType(const std::string& path) {
  const std::string ext = ExtensionOf(path);
  if (IsThumbnailPath(path)) return WriteJpeg(path);
  const int type = FormatFromExtension(ext);
  m_nFileType = type;
  switch (type) {
  case FT_BMP: return WriteBmpFile(path);
  case FT_RGB: return WriteRgbFile(path);
  case FT_JPEG: return WriteJpeg(path);
  case FT_PNG: return WritePng(path);
  default: return 0;
  }
}

} // namespace qv
