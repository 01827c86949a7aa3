#pragma once
// One image and what is known about the file it came from.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/ConverterApp.h"
#include "image/DibBitmap.h"

namespace qv {

// File type codes, shared with the extension helpers.
enum FileType : int {
  FT_NONE = 0,
  FT_CLIPBOARD = 132,
  FT_BMP = 133,
  FT_RGB = 134,
  FT_JPEG = 135,
  FT_PNG = 136,
  FT_MAG = 137,
  FT_TIFF = 139,
};

// Why the last JPEG write returned 0: the document's content does not fit
// the file's segments (a file to skip), or the file could not be written.
enum WriteFailure : int { WRITE_OK = 0, WRITE_UNFIT = 1, WRITE_FAILED = 2 };

struct CCommentRecord {
  int charset = 3;     // character-set code
  std::string name;    // "Comment" for comments read from files
  std::string text;    // internal character set
};

class CImageDoc {
public:
  explicit CImageDoc(CConverterApp& app);
  ~CImageDoc();
  CImageDoc(const CImageDoc&) = delete;
  CImageDoc& operator=(const CImageDoc&) = delete;

  // ---- codecs ----
  int ReadJpeg(const std::string& path);
  int WriteJpeg(const std::string& path);
  // The bare thumbnail stream (no APP0, no APP1) in memory; the comment
  // is left out when the stream would not fit an Exif segment with it.
  int EncodeThumbnail(std::vector<uint8_t>& stream);
  // A device file at `path` with `thumbnail` embedded in its Exif segment
  // (none when null), replacing the file only once it is complete.
  int WriteDeviceJpeg(const std::string& path, const std::vector<uint8_t>* thumbnail);
  // In the save mode m_nPngSaveMode (image/PngWriter.h); reports failures.
  int WritePng(const std::string& path);
  // In the buffer's own colour type (image/BmpWriter.h); reports failures.
  int WriteBmpFile(const std::string& path);
  // Raw rows and a ".fal" header beside them (image/BmpWriter.h).
  int WriteRgbFile(const std::string& path);

  // ---- resampling ----
  // Fits the image into a width x height canvas (see image/Resample.h);
  // the fitted picture size goes to the application's lastImageWidth/Height.
  int ResizeImage(int width, int height);
  // The same from another buffer, which is left as it was.
  int ResizeImageFrom(const CMemBitmap& source, int width, int height);
  // Replaces the image by a white canvas; the description becomes " ".
  int MakeBlankImage(int width, int height);

  // ---- document operations ----
  int Load(const std::string& path);
  int SaveByType(const std::string& path);
  void ClearImage();
  void AddDefaultComment();
  void SetDescription(const std::string& text) { m_strDescription = text; }
  void GetSize(int& width, int& height) const;
  void DeleteTempFiles();
  // The new-image state: a white 640 x 480 16-colour canvas.
  int OnNewDocument();

  CConverterApp& App() const { return m_app; }
  CDibBitmap& Bitmap() { return *m_pBitmap; }
  const CDibBitmap& Bitmap() const { return *m_pBitmap; }
  CCommentRecord* CurrentComment();
  const CCommentRecord* CurrentComment() const;

  // Members, in the order of the document's data model.
  int m_bNumberedTitle = 0;
  int m_nDocumentId = 0;
  int m_nFileType = FT_NONE;
  std::string m_strDescription;
  int64_t m_nFileSize = 0;
  std::unique_ptr<CDibBitmap> m_pBitmap;
  int m_bComment = 0;
  int m_nReadCharset = -1;
  std::string m_readComment;  // raw COM text, only between header read and record creation
  int m_bGrayscale = 0;
  int m_bCustomDqt = 0;
  QuantTable m_dqt[2]{};
  int m_nBitsPerSample = 8;
  double m_dGamma = 0.0;
  int m_bGamma = 0;
  std::vector<RgbQuad> m_colorTable;
  int m_bTransparent = 0;
  uint8_t m_transparentColor[3]{};  // blue, green, red
  int m_nPngSaveMode = 0;
  int m_bWriteGamma = 0;
  int m_nRejectReason = 0;
  std::string m_strCodecInfo;
  int m_bTempFiles = 0;
  std::string m_tempPath[2];
  int m_bConverted = 0;
  std::vector<CCommentRecord> m_comments;
  int m_nCurrentComment = -1;  // index into m_comments, -1 for none
  int m_nQualityRunning = 0;

  // The path the document was loaded from or saved to.
  std::string m_strPathName;
  // The library's message of the last failed read or write, for callers
  // that explain failures in their own words.
  std::string m_strCodecError;
  int m_nWriteFailure = WRITE_OK;
  // The last load error (LOADERR_*) and the path it concerns; kept per
  // document, so that parallel conversions each have their own.
  int m_nLoadError = 0;
  std::string m_strLoadErrorName;
  // Fitted picture size of the last resize onto a canvas.
  int lastImageWidth = 0;
  int lastImageHeight = 0;
  // The first APP1 of the loaded JPEG when it is Exif ("Exif\0\0" and the
  // TIFF block), else empty.
  std::vector<uint8_t> m_exifBlock;

private:
  CConverterApp& m_app;
};

} // namespace qv
