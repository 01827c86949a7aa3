#pragma once
// What the one-line description of a JPEG is made of, taken from a
// decompressor or a compressor.
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

class CImageDoc;

// Where a streamed load puts the picture's rows.
class IDecodedRows {
public:
  virtual ~IDecodedRows() = default;
  // Before the first row: the picture's size as shown and whether its
  // memory rows (bottom-up) arrive from the top. False refuses the picture.
  virtual bool BeginRows(int width, int height, bool topFirst) = 0;
  // 3 x width bytes of blue-green-red; with `slack`, 16 more bytes after
  // them may be read.
  virtual void PushRow(const uint8_t* row, bool slack) = 0;
  // Where the decoder puts the next row (3 x width + 16 bytes, the slack
  // read as any bytes), or null for a buffer of the decoder's own.
  virtual uint8_t* NextRow() { return nullptr; }
};

// CImageDoc::Load for a JPEG file whose rows go to `rows` as they are
// decoded; the document's image is left empty. A picture that has to be
// turned a quarter (Exif orientation 5 to 8) or dithered for the display is
// decoded whole first and then handed over from the bottom row.
int LoadJpegRows(CImageDoc& doc, const std::string& path, IDecodedRows& rows);

// The device file CImageDoc::WriteDeviceJpeg writes at `path` (named in
// messages), made in memory; 1, or 0 with the document's m_nWriteFailure.
int EncodeDeviceJpeg(CImageDoc& doc, const std::string& path, const std::vector<uint8_t>* thumbnail,
                     std::vector<uint8_t>& bytes);

struct JpegDescriptionInput {
  int width = 0;
  int height = 0;
  bool isCompressor = false;
  bool sawJfif = false;
  int jfifMajor = 1;
  int jfifMinor = 1;
  int colorSpace = 0;  // libjpeg's J_COLOR_SPACE, 0..5
  int components = 0;
  int hSamp = 1;
  int vSamp = 1;
  bool progressive = false;
  int tableCount = 0;  // quantization tables present, up to 4
  unsigned tableSums[4] = {};
};

// "%dx%d JFIF1.1(YCbCr) DS=2:1 Qf=..." ; sets *grayscale for colour space 1.
std::string DescribeJpegText(const JpegDescriptionInput& in, int* grayscale = nullptr);

// Whether a save path asks for the writer's thumbnail mode (an extension
// beginning ".jpg__thumb"); *jpgPath gets the ".jpg" path it writes.
bool IsThumbnailPath(const std::string& path, std::string* jpgPath = nullptr);
// The thumbnail-mode path of a ".jpg" path (the name the thumbnail pass uses).
std::string ThumbnailPathOf(const std::string& jpgPath);

// Texts shown for the load-error codes 1 to 6 ("%s" is the path).
const char* LoadErrorFormat(int code);

} // namespace qv
