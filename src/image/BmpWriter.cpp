#include "image/BmpWriter.h"
#include "image/ImageTexts.h"

#include <cstdlib>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/AppHelpers.h"
#include "image/ImageDoc.h"

namespace qv {
namespace {


void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

uint32_t GetLe16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t GetLe32(const uint8_t* p) { return GetLe16(p) | (GetLe16(p + 2) << 16); }

// The 40-byte info header as it lies in a file.
std::vector<uint8_t> SerializeInfoHeader(const BitmapInfoHeader& h) {
  std::vector<uint8_t> out;
  out.reserve(40);
  PutLe32(out, h.biSize);
  PutLe32(out, static_cast<uint32_t>(h.biWidth));
  PutLe32(out, static_cast<uint32_t>(h.biHeight));
  PutLe16(out, h.biPlanes);
  PutLe16(out, h.biBitCount);
  PutLe32(out, h.biCompression);
  PutLe32(out, h.biSizeImage);
  PutLe32(out, static_cast<uint32_t>(h.biXPelsPerMeter));
  PutLe32(out, static_cast<uint32_t>(h.biYPelsPerMeter));
  PutLe32(out, h.biClrUsed);
  PutLe32(out, h.biClrImportant);
  return out;
}

// Offset of the extension's '.' within the file name part, or npos.
size_t FileExtensionPos(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.find_last_of('.');
  return dot == std::string::npos || dot < nameStart ? std::string::npos : dot;
}

} // namespace


RgbFalPaths RgbFalPathsFor(const std::string& path) {
  RgbFalPaths p;
  const size_t dot = FileExtensionPos(path);
  if (dot == std::string::npos) {
    p.fal = path + ".fal";
    p.rgb = path + ".rgb";
  } else {
    p.fal = path.substr(0, dot) + ".fal";
    p.rgb = strcasecmp(path.c_str() + dot, ".fal") == 0 ? path.substr(0, dot) + ".rgb" : path;
  }
  return p;
}

std::string FalHeaderText(int width, int height) {
  char size[48];
  std::snprintf(size, sizeof size, "%d %d 0 0\n", width, height);
  return std::string("F_ALL(V1.00)\n") + size + "1.00 255 255 255 0\n";
}

std::string DescribeBmp(const uint8_t* header, size_t size) {
  char buf[96];
  if (!header || size < 12) return std::string();
  const uint32_t headerSize = GetLe32(header);
  if (headerSize == 12) {
    const int n = std::snprintf(buf, sizeof buf, "%dx%d ", static_cast<int>(GetLe16(header + 4)),
                                static_cast<int>(GetLe16(header + 6)));
    std::snprintf(buf + n, sizeof buf - static_cast<size_t>(n), "OS/2 DIB(%dbit)",
                  static_cast<int>(GetLe16(header + 10)));
    return buf;
  }
  if (size < 20) return std::string();
  const int width = static_cast<int>(GetLe32(header + 4));
  const int height = static_cast<int>(GetLe32(header + 8));
  const int bitCount = static_cast<int>(GetLe16(header + 14));
  const uint32_t compression = GetLe32(header + 16);
  int n = std::snprintf(buf, sizeof buf, "%dx%d ", width, height);
  char* rest = buf + n;
  const size_t room = sizeof buf - static_cast<size_t>(n);
  switch (compression) {
  case 0: std::snprintf(rest, room, "Windows BMP(%dbit)", bitCount); break;
  case 1: std::snprintf(rest, room, "Windows RLE(8bit)"); break;
  case 2: std::snprintf(rest, room, "Windows RLE(4bit)"); break;
  case 3: std::snprintf(rest, room, "Bitfields BMP(%dbit)", bitCount); break;
  default: std::snprintf(rest, room, "Unknown BMP(%d)", static_cast<int>(compression)); break;
  }
  return buf;
}

// ---- the document's writers ----

int CImageDoc::WriteBmpFile(const std::string& path) {
  CReplacingFile out;
  if (!out.Open(path)) {
    ShowFileError(m_app.Messages(), kSaveBmpOperation, path, kCantOpenFile);
    return 0;
  }
  CDibBitmap& bmp = *m_pBitmap;
  const BitmapInfoHeader* h = bmp.ExportDib(-1);
  if (!h) {
    ShowFileError(m_app.Messages(), kSaveBmpOperation, path, kCantMakeDib);
    return 0;
  }
  // BITMAPFILEHEADER: "BM", file size, two reserved words, bits offset.
  const size_t headerSize = bmp.DibHeaderSize();
  const uint64_t fileSize = 14 + headerSize + static_cast<uint64_t>(bmp.DibBitsSize());
  std::vector<uint8_t> head;
  head.reserve(14 + headerSize);
  PutLe16(head, 0x4D42);
  PutLe32(head, fileSize > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(fileSize));
  PutLe32(head, 0);
  PutLe32(head, static_cast<uint32_t>(14 + headerSize));
  const std::vector<uint8_t> info = SerializeInfoHeader(*h);
  head.insert(head.end(), info.begin(), info.end());
  const auto* colors = reinterpret_cast<const uint8_t*>(bmp.DibColors());
  if (colors) head.insert(head.end(), colors, colors + (headerSize - sizeof(BitmapInfoHeader)));

  const bool written = out.Write(head.data(), head.size()) && out.Write(bmp.DibBits(), bmp.DibBitsSize());
  bmp.FreeDib();
  if (!written || !out.Commit()) {
    ShowFileError(m_app.Messages(), kSaveBmpOperation, path, kCantWriteFile);
    return 0;
  }
  m_nFileSize = FileSizeOf(path);
  m_strCodecInfo = DescribeBmp(info.data(), info.size());
  return 1;
}

int CImageDoc::WriteRgbFile(const std::string& path) {
  const RgbFalPaths paths = RgbFalPathsFor(path);
  const CDibBitmap& bmp = *m_pBitmap;
  // Both files are complete before either replaces anything.
  CReplacingFile fal;
  if (!fal.Open(paths.fal)) {
    ShowFileError(m_app.Messages(), kSaveRgbOperation, paths.fal, kCantOpenFile);
    return 0;
  }
  const std::string falText = FalHeaderText(bmp.Width(), bmp.Height());
  if (!fal.Write(falText.data(), falText.size())) {
    ShowFileError(m_app.Messages(), kSaveRgbOperation, paths.fal, kCantWriteFile);
    return 0;
  }
  CReplacingFile rgb;
  if (!rgb.Open(paths.rgb)) {
    ShowFileError(m_app.Messages(), kSaveRgbOperation, paths.rgb, kCantOpenFile);
    return 0;
  }
  if (bmp.IsEmpty()) {
    ShowFileError(m_app.Messages(), kSaveRgbOperation, paths.rgb, kCantMakeDib);
    return 0;
  }
  // Top image row first, red-green-blue, no padding.
  const size_t rowBytes = static_cast<size_t>(bmp.Width()) * 3;
  std::vector<uint8_t> line(rowBytes);
  bool ok = true;
  for (int y = bmp.Height() - 1; y >= 0 && ok; --y) {
    const uint8_t* src = bmp.Row(y);
    for (size_t k = 0; k < rowBytes; k += 3) {
      line[k] = src[k + 2];
      line[k + 1] = src[k + 1];
      line[k + 2] = src[k];
    }
    ok = rgb.Write(line.data(), rowBytes);
  }
  if (!ok || !rgb.Commit()) {
    ShowFileError(m_app.Messages(), kSaveRgbOperation, paths.rgb, kCantWriteFile);
    return 0;
  }
  if (!fal.Commit()) {
    ShowFileError(m_app.Messages(), kSaveRgbOperation, paths.fal, kCantWriteFile);
    return 0;
  }
  m_nFileSize = FileSizeOf(paths.rgb);
  return 1;
}

} // namespace qv
