#include "jpegmeta/SegmentList.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/AppHelpers.h"
#include "app/ReplacingFile.h"
#include "jpegmeta/PngChunk.h"

namespace qv {
namespace {

uint32_t Be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

const char* const kMarkerNames[63] = {
    "SOF0  (Baseline DCT/Huffman)", "SOF1  (Ext-Seq DCT/Huffman)", "SOF2  (Progressive DCT/Huffman)",
    "SOF3  (Lossless/Huffman)", "DHT   (Huffman table)", "SOF5  (Diff-seq DCT/Huffman)",
    "SOF6  (Diff-prg DCT/Huffman)", "SOF7  (Diff-lossless/Huffman)", "JPG", "SOF9  (Ext-Seq DCT/Arith)",
    "SOF10 (Progressive DCT/Arith)", "SOF11 (Loseless/Arith)", "DAC   (Arithmetic table)",
    "SOF13 (Diff-ext DCT/Arith)", "SOF14 (Diff-prg DCT/Arith)", "SOF15 (Diff-loseless/Arith)",
    "RST0", "RST1", "RST2", "RST3", "RST4", "RST5", "RST6", "RST7",
    "SOI   (Start of image)", "EOI   (End of image)", "SOS   (Start of scan)", "DQT   (Quantization table)",
    "DNL   (Number of lines)", "DRI   (Number of restart interval)", "DHP   (Hierarchical progression)",
    "EXP   (Expand reference images)",
    "APP0", "APP1", "APP2", "APP3", "APP4", "APP5", "APP6", "APP7",
    "APP8", "APP9", "APP10", "APP11", "APP12", "APP13", "APP14", "APP15",
    "JPG0", "JPG1", "JPG2", "JPG3", "JPG4", "JPG5", "JPG6", "JPG7", "JPG8", "JPG9", "JPG10", "JPG11",
    "JPG12", "JPG13", "COM   (Comment)",
};

// Reads a marker segment whose 0xFF is at `at` and whose code has just been
// read: length field, then length - 2 payload bytes. Null when the segment is
// cut short or its length field cannot describe a segment.
std::unique_ptr<CJpegSegment> ReadMarkerSegment(CSegmentFile& src, int code, int64_t at) {
  uint8_t field[2];
  if (src.Read(field, 2) < 2) return nullptr;
  const int64_t len = (int64_t{field[0]} << 8) | field[1];
  if (len < 2) return nullptr;
  auto seg = std::make_unique<CJpegSegment>(len + 2);
  seg->m_pData[0] = 0xFF;
  seg->m_pData[1] = static_cast<uint8_t>(code);
  seg->m_pData[2] = field[0];
  seg->m_pData[3] = field[1];
  if (src.Read(seg->m_pData + 4, len - 2) < len - 2) return nullptr;
  seg->m_nFlags |= SF_SOURCE;
  seg->m_nOffset = at;
  return seg;
}

// Copies a whole file into `out`.
bool CopyInto(const std::string& from, CReplacingFile& out) {
  FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  std::vector<char> buf(CSegmentFile::kDefaultCapacity);
  bool ok = true;
  for (;;) {
    const size_t n = std::fread(buf.data(), 1, buf.size(), in);
    if (n > 0 && !out.Write(buf.data(), n)) ok = false;
    if (!ok || n < buf.size()) break;
  }
  if (std::ferror(in)) ok = false;
  std::fclose(in);
  return ok;
}

// A marker without a length (SOI, EOI, RSTn) found at `at` of the source.
std::unique_ptr<CJpegSegment> LoneMarker(int code, int64_t at) {
  const uint8_t bytes[2] = {0xFF, static_cast<uint8_t>(code)};
  auto rec = std::make_unique<CJpegSegment>(2, bytes);
  rec->m_nFlags |= SF_SOURCE;
  rec->m_nOffset = at;
  return rec;
}

// Index of the first 0xFF at or after `pos` that is not followed by 0x00
// (stuffing in scan data, the bulk of all 0xFF bytes), or n. 64 bytes a step
// where the machine allows: a scan has an 0xFF every few hundred bytes, and
// stopping at each costs more than looking at them all.
int64_t NextMarkerCandidate(const uint8_t* data, int64_t pos, int64_t n) {
#if defined(__SSE2__)
  const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
  const __m128i zero = _mm_setzero_si128();
  // Each 16 bytes are compared with the 16 after them shifted by one, so the
  // last load must end inside the data.
  while (pos + 65 <= n) {
    const uint8_t* p = data + pos;
    const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i a2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    const __m128i a3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
    const __m128i any = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(a0, ff), _mm_cmpeq_epi8(a1, ff)),
                                     _mm_or_si128(_mm_cmpeq_epi8(a2, ff), _mm_cmpeq_epi8(a3, ff)));
    if (_mm_movemask_epi8(any) != 0) {
      for (int k = 0; k < 64; k += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k + 1));
        const int hit = _mm_movemask_epi8(_mm_cmpeq_epi8(a, ff)) & ~_mm_movemask_epi8(_mm_cmpeq_epi8(next, zero));
        if (hit != 0) return pos + k + __builtin_ctz(static_cast<unsigned>(hit));
      }
    }
    pos += 64;
  }
#endif
  while (pos < n) {
    const void* hit = std::memchr(data + pos, 0xFF, static_cast<size_t>(n - pos));
    if (!hit) return n;
    const int64_t at = static_cast<const uint8_t*>(hit) - data;
    if (at + 1 >= n || data[at + 1] != 0x00) return at;
    pos = at + 2;
  }
  return n;
}

} // namespace

// Records cover the file from offset 0 to the end of EOI without gaps:
//   data run   bytes between markers (scan data, fill bytes, bytes before SOI)
//   standalone FF D0..D9 (RSTn, SOI, EOI), 2 bytes
//   segment    FF cc LL LL payload[LLLL - 2]
int ParseJpeg(CSegmentFile& src, SegmentList& list) {
  int64_t runStart = 0;
  for (;;) {
    if (src.FindByte(0xFF) < 0) break;
    int64_t at = src.Position();
    if (src.GetByte() < 0) break;
    int code = src.GetByte();
    // 0xFF 0xFF: the first one was a fill byte.
    while (code == 0xFF) {
      ++at;
      code = src.GetByte();
    }
    if (code < 0) break;
    if (code < 0xC0) continue;  // stuffed 0x00 in scan data, reserved codes
    if (at > runStart) list.push_back(CJpegSegment::NotLoaded(SF_SOURCE, runStart, at - runStart));
    if (code >= 0xD0 && code <= 0xD9) {
      list.push_back(LoneMarker(code, at));
      runStart = at + 2;
      if (code == 0xD9) break;
      continue;
    }
    auto seg = ReadMarkerSegment(src, code, at);
    if (!seg) break;
    runStart = at + seg->m_nLength;
    list.push_back(std::move(seg));
  }
  return 1;
}

// The records of ParseJpeg, found straight in memory; only RSTn markers stay
// inside the runs, so a scan with restart intervals is one record, not
// hundreds.
int ParseJpegInPlace(const uint8_t* data, size_t size, SegmentList& list) {
  const int64_t n = data ? static_cast<int64_t>(size) : 0;
  int64_t runStart = 0;
  int64_t pos = 0;
  while (pos < n) {
    const int64_t hit = NextMarkerCandidate(data, pos, n);
    if (hit >= n) break;
    int64_t c = hit + 1;  // the code after the 0xFF
    while (c < n && data[c] == 0xFF) ++c;                      // fill bytes
    if (c >= n) break;
    const int64_t at = c - 1;
    const int code = data[c];
    pos = c + 1;
    if (code < 0xC0 || (code >= 0xD0 && code <= 0xD7)) continue;  // stuffed 0x00, reserved codes, RSTn
    if (at > runStart) list.push_back(CJpegSegment::NotLoaded(SF_SOURCE, runStart, at - runStart));
    if (code == 0xD8 || code == 0xD9) {
      list.push_back(LoneMarker(code, at));
      runStart = at + 2;
      if (code == 0xD9) break;
      continue;
    }
    // FF cc LL LL payload: the whole segment must be there.
    if (c + 2 >= n) break;
    const int64_t len = (int64_t{data[c + 1]} << 8) | data[c + 2];
    if (len < 2 || len > n - at - 2) break;
    auto seg = CJpegSegment::Borrowed(data + at, len + 2);
    seg->m_nFlags |= SF_SOURCE;
    seg->m_nOffset = at;
    list.push_back(std::move(seg));
    runStart = pos = at + len + 2;
  }
  return 1;
}

// Chunk: length n (4, big-endian), type (4), data (n), CRC (4).
int ParsePng(CSegmentFile& src, SegmentList& list) {
  int64_t total = 0;
  for (;;) {
    uint8_t head[8];
    if (src.Read(head, 8) < 8) break;
    const int64_t n = Be32(head);
    const uint32_t type = Be32(head + 4);
    std::unique_ptr<CPngChunk> chunk;
    if (type == CPngChunk::kIDAT) {
      chunk = std::make_unique<CPngChunk>(type);
      chunk->m_nLength = n;
      if (src.Skip(n) < n) break;
    } else {
      // Checked before allocating: a hostile length must not cost memory.
      if (n > src.Remaining()) break;
      chunk = std::make_unique<CPngChunk>(type, n + 12);
      std::memcpy(chunk->m_pData, head, 8);
      if (src.Read(chunk->m_pData + 8, n) < n) break;
    }
    uint8_t crc[4];
    if (src.Read(crc, 4) < 4) break;
    if (!chunk->Has(SF_NOT_LOADED)) std::memcpy(chunk->m_pData + 8 + n, crc, 4);
    chunk->m_nCrc = Be32(crc);
    total += 12 + n;
    chunk->m_nOffset = total;
    list.push_back(std::move(chunk));
    if (type == CPngChunk::kIEND) break;
  }
  return 1;
}

bool IsPngSignature(const uint8_t* bytes, size_t size) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return size >= 8 && std::memcmp(bytes, kSignature, 8) == 0;
}

int WriteSegments(CSegmentFile& src, FILE* out, const SegmentList& list) {
  std::vector<uint8_t> buf(src.Capacity());
  for (const auto& rec : list) {
    const int64_t len = rec->m_nLength;
    if (!rec->Has(SF_SOURCE)) {
      if (rec->Has(SF_DROP) || len <= 0) continue;
      if (!rec->m_pData || std::fwrite(rec->m_pData, 1, static_cast<size_t>(len), out) != static_cast<size_t>(len))
        return 0;
      continue;
    }
    // Source records are consumed in file order; a record taken out of the
    // list leaves a gap that is passed over like a dropped one.
    const int64_t pos = src.Position();
    if (rec->m_nOffset < pos) return 0;
    if (rec->m_nOffset > pos && src.Skip(rec->m_nOffset - pos) != rec->m_nOffset - pos) return 0;
    if (rec->Has(SF_DROP)) {
      if (src.Skip(len) != len) return 0;
      continue;
    }
    for (int64_t left = len; left > 0;) {
      const int64_t piece = std::min<int64_t>(left, static_cast<int64_t>(buf.size()));
      if (src.Read(buf.data(), piece) != piece) return 0;
      if (std::fwrite(buf.data(), 1, static_cast<size_t>(piece), out) != static_cast<size_t>(piece)) return 0;
      left -= piece;
    }
  }
  return std::fflush(out) == 0 ? 1 : 0;
}

int WriteSegments(const std::string& sourcePath, const std::string& destPath, const SegmentList& list) {
  CSegmentFile src;
  if (!src.Open(sourcePath)) return 0;
  CReplacingFile out;
  if (!out.Open(destPath)) return 0;
  const int ok = WriteSegments(src, out.File(), list);
  src.Close();
  return ok && out.Commit() ? 1 : 0;
}

// The new content is first copied beside the target under a temporary
// name, then renamed over it: the target never stops holding a whole file.
bool ReplaceFile(const std::string& newPath, const std::string& targetPath, IMessageSink& sink) {
  const std::string message = "中間ファイルが生成できません";  // messages are shown as UTF-8
  struct stat st {};
  CReplacingFile out;
  if (::lstat(targetPath.c_str(), &st) != 0 || !out.Open(targetPath)) {
    ShowFileError(sink, "Rename", targetPath, message);
    return false;
  }
  if (!CopyInto(newPath, out)) {
    ShowFileError(sink, "MoveTemp", targetPath, message);
    return false;
  }
  const std::string backup = out.TempPath();
  if (!out.Commit()) {
    ShowFileError(sink, "Rename", backup, message);
    return false;
  }
  return true;
}

const char* MarkerName(int code) {
  if (code < 0xC0 || code > 0xFE) return nullptr;
  return kMarkerNames[code - 0xC0];
}

bool ExifBlockOf(const CJpegSegment& app1, const uint8_t*& block, size_t& size) {
  if (app1.MarkerCode() != 0xE1) return false;
  const int len = app1.LengthField();
  if (len < 8 || app1.m_nLength < len + 2) return false;
  if (std::memcmp(app1.m_pData + 4, "Exif\0\0", 6) != 0) return false;
  block = app1.m_pData + 10;
  size = static_cast<size_t>(len - 8);
  return true;
}

const CJpegSegment* FirstApp1(const SegmentList& list) {
  for (const auto& rec : list)
    if (rec->MarkerCode() == 0xE1) return rec.get();
  return nullptr;
}

} // namespace qv
