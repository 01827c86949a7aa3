#include "jpegmeta/MarkerEditForm.h"

#include <cstdio>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/AppHelpers.h"
#include "jpegmeta/PngChunk.h"
#include "jpegmeta/SegmentFile.h"
#include "jpegmeta/SegmentList.h"
#include "platform/MessageSink.h"

namespace qv {

namespace {

// Natural (row-major) position of the k-th entry in zig-zag order.
constexpr int kNaturalOrder[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

bool HasPngExtension(const std::string& path) {
  return path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".png") == 0;
}

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One line of edited text, cut to its first 256 characters (UTF-8
// continuation bytes belong to the character before them).
void ParseHexLine(const char* p, const char* end, std::vector<uint8_t>& out) {
  size_t chars = 0;
  int value = -1;  // the run so far, modulo 256; -1 outside a run
  for (; p < end; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if ((c & 0xC0) != 0x80 && ++chars > kMarkerHexLineLimit) break;
    const int digit = HexValue(c);
    if (digit >= 0) {
      value = ((value < 0 ? 0 : value) * 16 + digit) & 0xFF;
    } else if (value >= 0) {
      out.push_back(static_cast<uint8_t>(value));
      value = -1;
    }
  }
  if (value >= 0) out.push_back(static_cast<uint8_t>(value));
}

std::unique_ptr<CJpegSegment> NewRecord(const std::vector<uint8_t>& bytes) {
  return std::make_unique<CJpegSegment>(static_cast<int64_t>(bytes.size()), bytes.empty() ? nullptr : bytes.data());
}

int64_t ModificationTime(const struct stat& st) {
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

} // namespace

std::string HexDumpText(const CJpegSegment& rec, const char* lineEnd) {
  if (rec.Has(SF_NOT_LOADED) || !rec.m_pData) return kMarkerScanDataText;
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  const int64_t n = rec.m_nLength;
  text.reserve(static_cast<size_t>(n) * 3 + static_cast<size_t>(n / 16 + 1) * 2);
  for (int64_t i = 0; i < n; ++i) {
    const uint8_t b = rec.m_pData[i];
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
    text += ' ';
    if (i % 16 == 15 || i == n - 1) text += lineEnd;
  }
  return text;
}

HexSelection HexSelectionOf(int offset, int count, int lineEndLength) {
  HexSelection s;
  if (count <= 0) {
    s.all = true;
    s.end = -1;
    return s;
  }
  const int64_t o = offset, last = static_cast<int64_t>(offset) + count - 1;
  s.start = static_cast<int>(3 * o + lineEndLength * (o / 16));
  // Up to the last byte's second digit: an item that ends a line of 16 takes
  // neither the blank after it nor the line end.
  s.end = static_cast<int>(3 * last + lineEndLength * (last / 16) + 2);
  return s;
}

std::vector<uint8_t> ParseHexText(const std::string& utf8) {
  std::vector<uint8_t> out;
  const char* p = utf8.data();
  const char* end = p + utf8.size();
  while (p < end) {
    const char* eol = p;
    while (eol < end && *eol != '\n') ++eol;
    ParseHexLine(p, eol, out);
    p = eol < end ? eol + 1 : end;
  }
  return out;
}

bool LengthFieldDiffers(const std::vector<uint8_t>& bytes) {
  if (bytes.size() <= 3) return false;
  const size_t field = (size_t{bytes[2]} << 8) | bytes[3];
  return bytes.size() - 2 != field;
}

std::vector<DqtPicture> DqtPicturesOf(const CJpegSegment& rec) {
  std::vector<DqtPicture> out;
  if (rec.MarkerCode() != 0xDB) return out;
  const int len = rec.LengthField();
  // Only what the length field vouches for, and only what the record holds.
  if (len < 2 || rec.m_nLength < len + 2) return out;
  const uint8_t* d = rec.m_pData;
  const int64_t end = len + 2;
  for (int64_t e = 4; e < end;) {
    const int pq = d[e] >> 4, id = d[e] & 15;
    if (pq > 1) break;  // the table's size is unknown
    const int size = pq ? 128 : 64;
    if (e + 1 + size > end) break;
    if (id <= 1) {
      DqtPicture pic;
      pic.id = id;
      for (int k = 0; k < 64; ++k) {
        unsigned v = pq ? ((unsigned{d[e + 1 + 2 * k]} << 8) | d[e + 2 + 2 * k]) : d[e + 1 + k];
        // 16-bit entries rounded to 8 bits; the largest would round up to 256.
        if (pq) v = (v + 128) / 256 > 255 ? 255 : (v + 128) / 256;
        pic.values[kNaturalOrder[k]] = static_cast<uint16_t>(v);
      }
      out.push_back(pic);
    }
    e += 1 + size;
  }
  return out;
}

std::string QfLabelOf(uint32_t pictureSum) { return "Qf=" + EstimateQuality(pictureSum); }

// ---- CMarkerEditForm ----

bool CMarkerEditForm::Open(const std::string& path, IMessageSink& sink) {
  m_path = path;
  m_list.clear();
  m_bPng = m_bModified = false;
  m_nTailStart = -1;
  CSegmentFile file;
  if (!file.Open(path)) {
    ShowFileError(sink, "JpegMarker", path, kCantOpenFile);
    return false;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) m_nFileTime = ModificationTime(st);
  m_nFileLength = file.Length();
  if (HasPngExtension(path)) {
    uint8_t signature[8];
    if (file.Read(signature, 8) == 8 && IsPngSignature(signature, 8)) {
      m_bPng = true;
      ParsePng(file, m_list);
    }
    return true;
  }
  ParseJpeg(file, m_list);
  const bool sawEoi = !m_list.empty() && m_list.back()->MarkerCode() == 0xD9;
  if (!sawEoi) {
    const CJpegSegment* last = m_list.empty() ? nullptr : m_list.back().get();
    m_nTailStart = last ? last->m_nOffset + last->m_nLength : 0;
  }
  return true;
}

bool CMarkerEditForm::IsEditable(const CJpegSegment* rec) const {
  return !m_bPng && rec && !rec->Has(SF_NOT_LOADED) && rec->m_pData;
}

SegmentList::iterator CMarkerEditForm::Find(const CJpegSegment* rec) {
  auto it = m_list.begin();
  while (it != m_list.end() && it->get() != rec) ++it;
  return it;
}

const CJpegSegment* CMarkerEditForm::Replace(const CJpegSegment* old, std::vector<uint8_t> bytes,
                                             IMessageSink& sink) {
  if (!IsEditable(old)) return nullptr;
  auto at = Find(old);
  if (at == m_list.end()) return nullptr;
  if (LengthFieldDiffers(bytes)) {
    const int answer = sink.MessageBox(kMarkerLengthQuestion, "", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return nullptr;
    if (answer == IDYES) {
      const size_t field = bytes.size() - 2;
      if (field > 0xFFFF) return nullptr;  // no 16-bit field can say so
      bytes[2] = static_cast<uint8_t>(field >> 8);
      bytes[3] = static_cast<uint8_t>(field);
    }
  }
  auto made = m_list.insert(std::next(at), NewRecord(bytes));
  if ((*at)->Has(SF_SOURCE))
    (*at)->m_nFlags |= SF_DROP;
  else
    m_list.erase(at);
  m_bModified = true;
  return made->get();
}

const CJpegSegment* CMarkerEditForm::InsertComment(const CJpegSegment* after) {
  if (m_bPng) return nullptr;
  auto at = Find(after);
  if (at == m_list.end()) return nullptr;
  auto made = m_list.insert(std::next(at), NewRecord({0xFF, 0xFE, 0x00, 0x02}));
  m_bModified = true;
  return made->get();
}

bool CMarkerEditForm::Delete(const CJpegSegment* rec) {
  if (m_bPng) return false;
  auto at = Find(rec);
  if (at == m_list.end()) return false;
  if ((*at)->Has(SF_SOURCE))
    (*at)->m_nFlags |= SF_DROP;
  else
    m_list.erase(at);
  m_bModified = true;
  return true;
}

bool CMarkerEditForm::SourceUnchanged() const {
  struct stat st {};
  return ::stat(m_path.c_str(), &st) == 0 && st.st_size == m_nFileLength && ModificationTime(st) == m_nFileTime;
}

bool CMarkerEditForm::WriteTemp(const std::string& temp) {
  // Bytes after the last record of a file without EOI are kept as a run.
  if (m_nTailStart >= 0 && m_nTailStart < m_nFileLength)
    m_list.push_back(CJpegSegment::NotLoaded(SF_SOURCE | SF_NOT_LOADED, m_nTailStart, m_nFileLength - m_nTailStart));
  CSegmentFile source;
  FILE* out = source.Open(m_path) ? std::fopen(temp.c_str(), "wb") : nullptr;
  bool ok = out && WriteSegments(source, out, m_list) == 1;
  if (out && std::fclose(out) != 0) ok = false;
  source.Close();
  if (m_nTailStart >= 0 && m_nTailStart < m_nFileLength) m_list.pop_back();
  return ok;
}

int CMarkerEditForm::Save(const std::string& tempDir, IMessageSink& sink) {
  if (m_bPng) return 0;
  if (sink.MessageBox(kMarkerSaveQuestion, "", MB_YESNO | MB_ICONEXCLAMATION | kMarkerDefaultSecond) != IDYES)
    return 0;
  if (!SourceUnchanged()) {
    ShowFileError(sink, "Save", m_path, kMarkerSourceChanged);
    return 0;
  }
  std::string temp;
  if (!MakeTempFileName(tempDir, kTempFilePrefix, kTempFileSuffix, temp)) {
    ShowFileError(sink, "Save", tempDir, kMarkerCantMakeTemp);
    return 0;
  }
  if (!WriteTemp(temp)) {
    ::unlink(temp.c_str());  // a partial copy is of no use to anyone
    ShowFileError(sink, "CreateTemp", temp, kMarkerCantMakeTemp);
    return 0;
  }
  if (!ReplaceFile(temp, m_path, sink)) {
    // The whole new content stays in the temporary file, as the message says.
    ShowFileError(sink, "ReplaceTemp", temp, kMarkerTempLeft);
    return 0;
  }
  ::unlink(temp.c_str());
  return 1;
}

} // namespace qv
