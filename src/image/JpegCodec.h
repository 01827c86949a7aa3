#pragma once
// What the one-line description of a JPEG is made of, taken from a
// decompressor or a compressor.
#include <string>

namespace qv {

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
