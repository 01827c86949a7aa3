#include "jpegmeta/MarkerTree.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "jpegmeta/Charset.h"
#include "jpegmeta/PngChunk.h"
#include "jpegmeta/SegmentList.h"

namespace qv {
namespace {

__attribute__((format(printf, 1, 2))) std::string Format(const char* fmt, ...) {
  char buf[256];
  va_list args;
  va_start(args, fmt);
  const int n = std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n) < sizeof buf ? static_cast<size_t>(n) : sizeof buf - 1);
}

uint32_t Be16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | p[1]; }
uint32_t Be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Children of one record: items are added only where their bytes lie inside
// the part of the record that the header vouches for.
class NodeBuilder {
public:
  NodeBuilder(const CJpegSegment& rec, int64_t end) : m_rec(rec), m_d(rec.m_pData), m_end(end) {}
  bool Fits(int64_t offset, int64_t count) const { return offset >= 0 && count >= 0 && offset + count <= m_end; }
  const uint8_t* d() const { return m_d; }
  int64_t End() const { return m_end; }
  MarkerNode Node(std::string text, int64_t offset, int64_t count) const {
    MarkerNode n;
    n.text = std::move(text);
    n.item = {&m_rec, static_cast<int>(offset), static_cast<int>(count)};
    return n;
  }

private:
  const CJpegSegment& m_rec;
  const uint8_t* m_d;
  int64_t m_end;
};

// SOFn: P (1) Y (2) X (2) Nf (1), then per component id (1) H:V (1) Tq (1).
void AddFrameItems(const NodeBuilder& b, std::vector<MarkerNode>& out) {
  const uint8_t* d = b.d();
  if (!b.Fits(4, 1)) return;
  out.push_back(b.Node(Format("Precision=%dbit", d[4]), 4, 1));
  if (!b.Fits(5, 2)) return;
  out.push_back(b.Node(Format("Rows=%u", Be16(d + 5)), 5, 2));
  if (!b.Fits(7, 2)) return;
  out.push_back(b.Node(Format("Columns=%u", Be16(d + 7)), 7, 2));
  if (!b.Fits(9, 1)) return;
  out.push_back(b.Node(Format("Number of components=%d", d[9]), 9, 1));
  for (int k = 0; k < d[9]; ++k) {
    const int e = 10 + 3 * k;
    if (!b.Fits(e, 3)) return;
    MarkerNode c = b.Node(Format("Component #%d", d[e]), e, 3);
    c.children.push_back(b.Node(Format("H:V=(%d:%d)", d[e + 1] >> 4, d[e + 1] & 15), e + 1, 1));
    c.children.push_back(b.Node(Format("Quantization Table ID=%d", d[e + 2]), e + 2, 1));
    out.push_back(std::move(c));
  }
}

// DHT: per table Tc:Th (1), 16 code counts, the symbols.
void AddHuffmanItems(const NodeBuilder& b, std::vector<MarkerNode>& out) {
  const uint8_t* d = b.d();
  for (int64_t e = 4; b.Fits(e, 17);) {
    const int tc = d[e] >> 4;
    out.push_back(b.Node(Format("Class=%d%s Index=%d", tc, tc == 0 ? "(DC)" : tc == 1 ? "(AC)" : "", d[e] & 15), e, 1));
    int size = 16;
    for (int i = 1; i <= 16; ++i) size += d[e + i];
    if (!b.Fits(e + 1, size)) return;
    out.push_back(b.Node(Format(" HT data(%d)", size), e + 1, size));
    e += 1 + size;
  }
}

// SOS: Ns (1), per component id (1) Td:Ta (1), then Ss, Se, Ah:Al.
void AddScanItems(const NodeBuilder& b, std::vector<MarkerNode>& out) {
  const uint8_t* d = b.d();
  if (!b.Fits(4, 1)) return;
  out.push_back(b.Node(Format("Components=%d", d[4]), 4, 1));
  int64_t e = 5;
  for (int k = 0; k < d[4]; ++k, e += 2) {
    if (!b.Fits(e, 2)) return;
    MarkerNode c = b.Node(Format("Component #%d", d[e]), e, 1);
    c.children.push_back(b.Node(Format("Coding table (DC=%d AC=%d)", d[e + 1] >> 4, d[e + 1] & 15), e + 1, 1));
    out.push_back(std::move(c));
  }
  if (!b.Fits(e, 3)) return;
  out.push_back(b.Node(Format("Spectral selection Ss-Se(%d-%d)", d[e], d[e + 1]), e, 2));
  out.push_back(b.Node(Format("Spectral selection Ah-Al(%d-%d)", d[e + 2] >> 4, d[e + 2] & 15), e + 2, 1));
}

// DQT: per table Pq:Tq (1), then 64 entries of 1 (Pq 0) or 2 (Pq 1) bytes.
// Another precision leaves the table's size unknown: the walk ends there.
void AddQuantItems(const NodeBuilder& b, std::vector<MarkerNode>& out) {
  const uint8_t* d = b.d();
  for (int64_t e = 4; b.Fits(e, 1);) {
    const int pq = d[e] >> 4;
    out.push_back(b.Node(Format("Precision=%d%s Table ID=%d", pq, pq == 0 ? "(8bit)" : pq == 1 ? "(16bit)" : "", d[e] & 15), e, 1));
    if (pq > 1) return;
    const int size = pq ? 128 : 64;
    if (!b.Fits(e + 1, size)) return;
    out.push_back(b.Node(Format(" QT data(%d)", size), e + 1, size));
    e += 1 + size;
  }
}

// JFIF APP0: "JFIF\0", version (2), units (1), X and Y density (2 each),
// thumbnail width and height (1 each).
void AddJfifItems(const NodeBuilder& b, std::vector<MarkerNode>& out) {
  const uint8_t* d = b.d();
  if (!b.Fits(4, 4) || std::memcmp(d + 4, "JFIF", 4) != 0) return;
  if (!b.Fits(4, 7)) return;
  out.push_back(b.Node(Format("JFIF%d.%d", d[9], d[10]), 4, 7));
  if (!b.Fits(11, 5)) return;
  const char* unit = d[11] == 0 ? "" : d[11] == 1 ? "dpi" : d[11] == 2 ? "dot/cm" : "(?)";
  out.push_back(b.Node(Format(" X:Y=%u:%u%s", Be16(d + 12), Be16(d + 14), unit), 11, 5));
  if (!b.Fits(16, 2)) return;
  out.push_back(b.Node(Format(" Thumb=%dx%d", d[16], d[17]), 16, 2));
}

void AddCommentItem(const NodeBuilder& b, std::vector<MarkerNode>& out) {
  const char* payload = reinterpret_cast<const char*>(b.d() + 4);
  const long n = static_cast<long>(b.End() - 4);
  const int code = DetectCharset(payload, n);
  const char* name = CharsetName(code);
  std::string text = Format("(%s) ", name ? name : "");
  if (code == CS_ASCII || code == CS_SJIS)
    text.append(payload, static_cast<size_t>(n));
  else
    text += ToInternal(payload, code, n);
  out.push_back(b.Node(std::move(text), 4, n));
}

bool IsFrameMarker(int code) {
  return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

} // namespace

MarkerNode JpegRecordNode(const CJpegSegment& rec) {
  MarkerNode node;
  node.item.record = &rec;
  const int code = rec.MarkerCode();
  const char* name = MarkerName(code);
  if (!name || rec.Has(SF_NOT_LOADED)) {
    node.text = Format("Scan data(%lld)", static_cast<long long>(rec.m_nLength));
    return node;
  }
  if (code >= 0xD0 && code <= 0xD9) {
    node.text = Format("%s(2)", name);
    node.item.count = 2;
    return node;
  }
  const int len = rec.LengthField();
  node.text = Format("%s(%d)", name, len < 0 ? 0 : len + 2);
  node.item.count = 4;
  // Only a record that holds every byte its length field announces is decoded.
  if (len < 2 || rec.m_nLength < len + 2) return node;
  const NodeBuilder b(rec, len + 2);
  if (IsFrameMarker(code)) AddFrameItems(b, node.children);
  else if (code == 0xC4) AddHuffmanItems(b, node.children);
  else if (code == 0xDA) AddScanItems(b, node.children);
  else if (code == 0xDB) AddQuantItems(b, node.children);
  else if (code == 0xDD && b.Fits(4, 2)) node.children.push_back(b.Node(Format("Interval=%u", Be16(rec.m_pData + 4)), 4, 2));
  else if (code == 0xE0) AddJfifItems(b, node.children);
  else if (code == 0xFE) AddCommentItem(b, node.children);
  return node;
}

namespace {

const char* ColorTypeName(int type) {
  switch (type) {
    case 0: return "(GrayScale)";
    case 2: return "(TrueColor)";
    case 3: return "(IndexColor)";
    case 4: return "(GrayScale with Alpha)";
    case 6: return "(TrueColor with Alpha)";
    default: return "(Unknown)";
  }
}

// IHDR: width (4), height (4), bit depth, colour type, compression, filter,
// interlace (1 each).
void AddHeaderItems(const NodeBuilder& b, std::vector<MarkerNode>& out, int& colorType) {
  const uint8_t* d = b.d();
  if (!b.Fits(8, 13)) return;
  out.push_back(b.Node(Format("Width=%lu", static_cast<unsigned long>(Be32(d + 8))), 8, 4));
  out.push_back(b.Node(Format("Height=%lu", static_cast<unsigned long>(Be32(d + 12))), 12, 4));
  out.push_back(b.Node(Format("BitDepth=%d", d[16]), 16, 1));
  out.push_back(b.Node(Format("ColorType=%d%s", d[17], ColorTypeName(d[17])), 17, 1));
  out.push_back(b.Node(Format("Compression=%d%s", d[18], d[18] == 0 ? "(Deflate)" : "(Unknown)"), 18, 1));
  out.push_back(b.Node(Format("Filter=%d%s", d[19], d[19] == 0 ? "(PNG)" : "(Unknown)"), 19, 1));
  out.push_back(b.Node(Format("Interlace=%d%s", d[20], d[20] == 0 ? "(none)" : d[20] == 1 ? "(Adam7)" : "(Unknown)"), 20, 1));
  colorType = d[17];
}

// bKGD and tRNS share the grey / RGB forms (16-bit samples).
bool SampleText(const uint8_t* d, int64_t n, int colorType, std::string& text) {
  if ((colorType == 0 || colorType == 4) && n >= 2) {
    text += Format("Grayscale(%u)", Be16(d));
    return true;
  }
  if ((colorType == 2 || colorType == 6) && n >= 6) {
    text += Format("RGB(%u.%u.%u)", Be16(d), Be16(d + 2), Be16(d + 4));
    return true;
  }
  return false;
}

void AddBackgroundItem(const NodeBuilder& b, int64_t n, int colorType, std::vector<MarkerNode>& out) {
  const uint8_t* d = b.d() + 8;
  std::string text = "Background=";
  if (SampleText(d, n, colorType, text)) {
  } else if (colorType == 3 && n >= 1) {
    text += Format("Idx(%d)", d[0]);
  } else if (colorType == 0 || colorType == 2 || colorType == 3 || colorType == 4 || colorType == 6) {
    return;  // too short for its colour type
  } else {
    text += Format("Unknown ColorType %d", colorType);
  }
  out.push_back(b.Node(std::move(text), 8, n));
}

void AddTransparencyItems(const NodeBuilder& b, int64_t n, int colorType, std::vector<MarkerNode>& out) {
  const uint8_t* d = b.d() + 8;
  if (colorType == 3) {
    for (int64_t i = 0; i < n; ++i) out.push_back(b.Node(Format("Transparent Idx(%d)", d[i]), 8 + i, 1));
    return;
  }
  std::string text = "Transparent ";
  if (colorType == 0 || colorType == 2) {
    if (!SampleText(d, n, colorType, text)) return;
  } else {
    text += Format("Unknown ColorType %d", colorType);
  }
  out.push_back(b.Node(std::move(text), 8, n));
}

void AddSignificantBitsItem(const NodeBuilder& b, int64_t n, int colorType, std::vector<MarkerNode>& out) {
  const uint8_t* d = b.d() + 8;
  std::string text = "SigBits ";
  if (colorType == 0 && n >= 1) text += Format("G=%d", d[0]);
  else if ((colorType == 2 || colorType == 3) && n >= 3) text += Format("RGB=(%d %d %d)", d[0], d[1], d[2]);
  else if (colorType == 4 && n >= 2) text += Format("G=%d A=%d", d[0], d[1]);
  else if (colorType == 6 && n >= 4) text += Format("RGB=(%d %d %d) A=%d", d[0], d[1], d[2], d[3]);
  else if (colorType < 0 || colorType == 1 || colorType == 5 || colorType > 6) text += Format("Unknown ColorType %d", colorType);
  else return;
  out.push_back(b.Node(std::move(text), 8, n));
}

void AddPhysItems(const NodeBuilder& b, std::vector<MarkerNode>& out) {
  const uint8_t* d = b.d();
  if (!b.Fits(8, 9)) return;
  const bool metre = d[16] == 1;
  for (int i = 0; i < 2; ++i) {
    const uint32_t v = Be32(d + 8 + 4 * i);
    std::string text = Format("Dimension %c=%lu", i == 0 ? 'X' : 'Y', static_cast<unsigned long>(v));
    if (metre)
      text += Format("(pix/m) (%llu dpi)", (static_cast<unsigned long long>(v) * 254 + 5000) / 10000);
    else
      text += "(unkown)";
    out.push_back(b.Node(std::move(text), 8 + 4 * i, 4));
  }
}

void AddChromaticityItems(const NodeBuilder& b, std::vector<MarkerNode>& out) {
  static const char* const kNames[4] = {"White", "Red  ", "Green", "Blue "};
  const uint8_t* d = b.d();
  for (int k = 0; k < 4 && b.Fits(8 + 8 * k, 8); ++k) {
    const int64_t e = 8 + 8 * k;
    out.push_back(b.Node(Format("Chromaticity(%s) x=%1.5f y=%1.5f", kNames[k], Be32(d + e) / 100000.0,
                                Be32(d + e + 4) / 100000.0),
                         e, 8));
  }
}

void AddIntentItem(const NodeBuilder& b, std::vector<MarkerNode>& out) {
  static const char* const kIntents[4] = {"Perceptual", "Relative colorimetric", "Saturation",
                                          "Absolute colorimetric"};
  if (!b.Fits(8, 1)) return;
  const int v = b.d()[8];
  out.push_back(b.Node(Format("Rendering intent=%d(%s)", v, v < 4 ? kIntents[v] : "Unknown"), 8, 1));
}

void AddTimeItem(const NodeBuilder& b, std::vector<MarkerNode>& out) {
  const uint8_t* d = b.d();
  if (!b.Fits(8, 7)) return;
  out.push_back(b.Node(Format("LastModified=%04u/%d/%d %d:%d:%d", Be16(d + 8), d[10], d[11], d[12], d[13], d[14]), 8, 7));
}

std::string TypeLetters(uint32_t type) {
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((type >> (24 - 8 * i)) & 0xFF);
  return s;
}

} // namespace

MarkerNode PngChunkNode(const CPngChunk& chunk, int& colorType) {
  MarkerNode node;
  node.item.record = &chunk;
  const int64_t n = chunk.DataLength();
  if (chunk.Has(SF_NOT_LOADED)) {
    node.text = Format("IDATA(%lld)", static_cast<long long>(n));
    return node;
  }
  node.text = TypeLetters(chunk.m_nType) + Format("(%lld)", static_cast<long long>(n));
  node.item.count = 8;
  // Data lies at 8 .. 8 + n, the CRC after it.
  const NodeBuilder b(chunk, 8 + n);
  switch (chunk.m_nType) {
    case 0x49484452: AddHeaderItems(b, node.children, colorType); break;            // IHDR
    case 0x624B4744: AddBackgroundItem(b, n, colorType, node.children); break;      // bKGD
    case 0x6348524D: AddChromaticityItems(b, node.children); break;                 // cHRM
    case 0x67414D41:                                                                // gAMA
      if (b.Fits(8, 4))
        node.children.push_back(b.Node(Format("Gamma=%2.2f", Be32(chunk.m_pData + 8) / 100000.0), 8, 4));
      break;
    case 0x70485973: AddPhysItems(b, node.children); break;                         // pHYs
    case 0x73424954: AddSignificantBitsItem(b, n, colorType, node.children); break; // sBIT
    case 0x73524742: AddIntentItem(b, node.children); break;                        // sRGB
    case 0x74494D45: AddTimeItem(b, node.children); break;                          // tIME
    case 0x74524E53: AddTransparencyItems(b, n, colorType, node.children); break;   // tRNS
    default: break;
  }
  node.children.push_back(b.Node(Format("CRC=0x%08lx", static_cast<unsigned long>(chunk.m_nCrc)), 8 + n, 4));
  return node;
}

std::vector<MarkerNode> BuildMarkerTree(const SegmentList& list, bool png) {
  std::vector<MarkerNode> nodes;
  int colorType = -1;
  for (const auto& rec : list) {
    if (rec->Has(SF_DROP)) continue;
    if (png)
      nodes.push_back(PngChunkNode(static_cast<const CPngChunk&>(*rec), colorType));
    else
      nodes.push_back(JpegRecordNode(*rec));
  }
  return nodes;
}

} // namespace qv
