#include <gtest/gtest.h>

#include "jpegmeta/Charset.h"
#include "jpegmeta/MarkerTree.h"
#include "jpegmeta/MetaBytes.h"
#include "jpegmeta/PngChunk.h"
#include "jpegmeta/SegmentList.h"

using namespace qv;
using namespace qv::test;

namespace {

std::vector<std::string> Texts(const std::vector<MarkerNode>& nodes) {
  std::vector<std::string> t;
  for (const MarkerNode& n : nodes) t.push_back(n.text);
  return t;
}

struct Parsed {
  Bytes bytes;
  SegmentList list;
  std::vector<MarkerNode> tree;
};

void ParseInto(Parsed& p, bool png) {
  CSegmentFile f;
  f.OpenMemory(p.bytes.data(), p.bytes.size());
  if (png) {
    uint8_t sig[8];
    f.Read(sig, 8);
    ParsePng(f, p.list);
  } else {
    ParseJpeg(f, p.list);
  }
  p.tree = BuildMarkerTree(p.list, png);
}

TEST(MarkerTree, BaselineJpegShowsEveryRecordWithItsFields) {
  Parsed p;
  p.bytes = BaselineJpeg({1, 2, 3, 0xFF, 0x00, 4});
  ParseInto(p, false);
  EXPECT_EQ(Texts(p.tree), (std::vector<std::string>{
                               "SOI   (Start of image)(2)", "APP0(18)", "DQT   (Quantization table)(69)",
                               "SOF0  (Baseline DCT/Huffman)(13)", "DHT   (Huffman table)(22)",
                               "SOS   (Start of scan)(10)", "Scan data(6)", "EOI   (End of image)(2)"}));
  EXPECT_EQ(Texts(p.tree[1].children), (std::vector<std::string>{"JFIF1.2", " X:Y=72:72dpi", " Thumb=0x0"}));
  EXPECT_EQ(Texts(p.tree[2].children), (std::vector<std::string>{"Precision=0(8bit) Table ID=0", " QT data(64)"}));
  EXPECT_EQ(Texts(p.tree[3].children), (std::vector<std::string>{"Precision=8bit", "Rows=8", "Columns=16",
                                                                  "Number of components=1", "Component #1"}));
  EXPECT_EQ(Texts(p.tree[3].children[4].children),
            (std::vector<std::string>{"H:V=(1:1)", "Quantization Table ID=0"}));
  EXPECT_EQ(Texts(p.tree[4].children), (std::vector<std::string>{"Class=0(DC) Index=0", " HT data(17)"}));
  EXPECT_EQ(Texts(p.tree[5].children),
            (std::vector<std::string>{"Components=1", "Component #1", "Spectral selection Ss-Se(0-63)",
                                      "Spectral selection Ah-Al(0-0)"}));
  EXPECT_EQ(Texts(p.tree[5].children[1].children), std::vector<std::string>{"Coding table (DC=0 AC=0)"});
  EXPECT_TRUE(p.tree[6].children.empty());
}

TEST(MarkerTree, ItemsNameTheirBytesInTheRecord) {
  Parsed p;
  p.bytes = BaselineJpeg({1, 2});
  ParseInto(p, false);
  const MarkerNode& sof = p.tree[3];
  EXPECT_EQ(sof.item.offset, 0);
  EXPECT_EQ(sof.item.count, 4);
  const MarkerItem& columns = sof.children[2].item;
  EXPECT_EQ(columns.record, sof.item.record);
  EXPECT_EQ(columns.offset, 7);  // the two bytes after the rows
  EXPECT_EQ(columns.count, 2);
  EXPECT_EQ(columns.record->m_pData[7] << 8 | columns.record->m_pData[8], 16);
  EXPECT_EQ(p.tree[0].item.count, 2);
  EXPECT_EQ(p.tree[6].item.offset, 0);
  EXPECT_EQ(p.tree[6].item.count, 0);
  const MarkerItem& ht = p.tree[4].children[1].item;
  EXPECT_EQ(ht.offset, 5);
  EXPECT_EQ(ht.count, 17);
}

TEST(MarkerTree, TablesOfSeveralKindsAndPrecisions) {
  Bytes dqt = {0x10};  // 16-bit table 0, then a table of unknown precision
  dqt.resize(129, 0);
  dqt.push_back(0x21);
  Bytes file = {0xFF, 0xD8};
  Append(file, Segment(0xDB, dqt));
  Append(file, Segment(0xDD, {0, 4}));
  Append(file, Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 2, 0, 30, 0, 40, 3, 2}));
  Append(file, Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 7, 0, 1, 0, 1, 0, 0}));
  Append(file, Segment(0xE0, {'A', 'V', 'I', '1'}));
  Append(file, Segment(0xC4, {0x13, 0, 2}));  // code counts cut short
  Parsed p;
  p.bytes = file;
  ParseInto(p, false);
  ASSERT_EQ(p.tree.size(), 7u);
  EXPECT_EQ(Texts(p.tree[1].children), (std::vector<std::string>{"Precision=1(16bit) Table ID=0", " QT data(128)",
                                                                  "Precision=2 Table ID=1"}));
  EXPECT_EQ(Texts(p.tree[2].children), std::vector<std::string>{"Interval=4"});
  EXPECT_EQ(Texts(p.tree[3].children), (std::vector<std::string>{"JFIF1.1", " X:Y=30:40dot/cm", " Thumb=3x2"}));
  EXPECT_EQ(p.tree[4].children[1].text, " X:Y=1:1(?)");
  EXPECT_TRUE(p.tree[5].children.empty());
  EXPECT_TRUE(p.tree[6].children.empty());
}

TEST(MarkerTree, CommentsShowTheirCharsetAndInternalText) {
  Bytes file = {0xFF, 0xD8};
  Append(file, Segment(0xFE, {'h', 'e', 'l', 'l', 'o'}));
  const std::string jis = "\x1b$BF|K\\\x1b(B";  // 日本 in ISO-2022-JP
  Append(file, Segment(0xFE, Bytes(jis.begin(), jis.end())));
  Parsed p;
  p.bytes = file;
  ParseInto(p, false);
  ASSERT_EQ(p.tree.size(), 3u);
  EXPECT_EQ(p.tree[1].text, "COM   (Comment)(9)");
  ASSERT_EQ(p.tree[1].children.size(), 1u);
  EXPECT_EQ(p.tree[1].children[0].text, std::string("(") + CharsetName(CS_ASCII) + ") hello");
  EXPECT_EQ(p.tree[1].children[0].item.offset, 4);
  EXPECT_EQ(p.tree[1].children[0].item.count, 5);
  EXPECT_EQ(p.tree[2].children[0].text, std::string("(") + CharsetName(CS_JIS) + ") " + Utf8ToInternal("日本"));
}

TEST(MarkerTree, EditedRecordsShortOfTheirLengthFieldAndDroppedRecords) {
  SegmentList list;
  const Bytes cut = {0xFF, 0xC0, 0x00, 0x11, 8, 0, 1};
  list.push_back(std::make_unique<CJpegSegment>(static_cast<int64_t>(cut.size()), cut.data()));
  const Bytes tiny = {0xFF, 0xFE};
  list.push_back(std::make_unique<CJpegSegment>(2, tiny.data()));
  const Bytes gone = {0xFF, 0xD8};
  list.push_back(std::make_unique<CJpegSegment>(2, gone.data()));
  list.back()->m_nFlags |= SF_DROP;
  const auto tree = BuildMarkerTree(list, false);
  ASSERT_EQ(tree.size(), 2u);
  EXPECT_EQ(tree[0].text, "SOF0  (Baseline DCT/Huffman)(19)");
  EXPECT_TRUE(tree[0].children.empty());
  EXPECT_TRUE(tree[1].children.empty());
}

Bytes BePair(uint32_t a, uint32_t b) {
  return {uint8_t(a >> 24), uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a), uint8_t(b >> 24), uint8_t(b >> 16),
          uint8_t(b >> 8), uint8_t(b)};
}

TEST(MarkerTree, PngChunksShowTheirFieldsAndCrc) {
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes ihdr = BePair(640, 480);
  Append(ihdr, {8, 3, 0, 0, 1});
  const Bytes ihdrChunk = PngChunkBytes("IHDR", ihdr);
  Append(png, ihdrChunk);
  Append(png, PngChunkBytes("PLTE", Bytes(6, 0)));
  Append(png, PngChunkBytes("tRNS", {0, 128}));
  Append(png, PngChunkBytes("bKGD", {1}));
  Append(png, PngChunkBytes("sBIT", {5, 6, 5}));
  Bytes phys = BePair(2835, 3780);
  phys.push_back(1);
  Append(png, PngChunkBytes("pHYs", phys));
  Append(png, PngChunkBytes("gAMA", {0, 0, 0xB1, 0x8F}));
  Bytes chrm = BePair(31270, 32900);
  for (int i = 0; i < 3; ++i) Append(chrm, BePair(64000, 33000));
  Append(png, PngChunkBytes("cHRM", chrm));
  Append(png, PngChunkBytes("sRGB", {1}));
  Append(png, PngChunkBytes("tIME", {0x07, 0xE8, 1, 2, 3, 4, 5}));
  Append(png, PngChunkBytes("IDAT", Bytes(100, 0)));
  Append(png, PngChunkBytes("IEND", {}));
  Parsed p;
  p.bytes = png;
  ParseInto(p, true);
  ASSERT_EQ(p.tree.size(), 12u);
  EXPECT_EQ(p.tree[0].text, "IHDR(13)");
  EXPECT_EQ(Texts(p.tree[0].children),
            (std::vector<std::string>{"Width=640", "Height=480", "BitDepth=8", "ColorType=3(IndexColor)",
                                      "Compression=0(Deflate)", "Filter=0(PNG)", "Interlace=1(Adam7)", "CRC=0x" +
                                      [&] { char b[16]; std::snprintf(b, sizeof b, "%02x%02x%02x%02x", ihdrChunk[21], ihdrChunk[22], ihdrChunk[23], ihdrChunk[24]); return std::string(b); }()}));
  EXPECT_EQ(p.tree[0].children.back().item.offset, 21);
  EXPECT_EQ(p.tree[0].children.back().item.count, 4);
  EXPECT_EQ(p.tree[1].children.size(), 1u);  // PLTE: only the CRC
  EXPECT_EQ(p.tree[2].children[0].text, "Transparent Idx(0)");
  EXPECT_EQ(p.tree[2].children[1].text, "Transparent Idx(128)");
  EXPECT_EQ(p.tree[2].children[1].item.offset, 9);
  EXPECT_EQ(p.tree[3].children[0].text, "Background=Idx(1)");
  EXPECT_EQ(p.tree[4].children[0].text, "SigBits RGB=(5 6 5)");
  EXPECT_EQ(p.tree[5].children[0].text, "Dimension X=2835(pix/m) (72 dpi)");
  EXPECT_EQ(p.tree[5].children[1].text, "Dimension Y=3780(pix/m) (96 dpi)");
  EXPECT_EQ(p.tree[6].children[0].text, "Gamma=0.45");
  EXPECT_EQ(p.tree[7].children[0].text, "Chromaticity(White) x=0.31270 y=0.32900");
  EXPECT_EQ(p.tree[7].children[1].text, "Chromaticity(Red  ) x=0.64000 y=0.33000");
  EXPECT_EQ(p.tree[7].children[3].text, "Chromaticity(Blue ) x=0.64000 y=0.33000");
  EXPECT_EQ(p.tree[8].children[0].text, "Rendering intent=1(Relative colorimetric)");
  EXPECT_EQ(p.tree[9].children[0].text, "LastModified=2024/1/2 3:4:5");
  EXPECT_EQ(p.tree[10].text, "IDATA(100)");
  EXPECT_TRUE(p.tree[10].children.empty());
  EXPECT_EQ(p.tree[11].text, "IEND(0)");
}

TEST(MarkerTree, PngSamplesFollowTheRememberedColourType) {
  for (int type : {0, 2, 6, 5}) {
    SCOPED_TRACE(type);
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr = BePair(1, 1);
    Append(ihdr, {8, uint8_t(type), 0, 0, 0});
    Append(png, PngChunkBytes("IHDR", ihdr));
    Append(png, PngChunkBytes("bKGD", {0, 1, 0, 2, 0, 3}));
    Append(png, PngChunkBytes("sBIT", {1, 2, 3, 4}));
    Append(png, PngChunkBytes("tRNS", {0, 7, 0, 8, 0, 9}));
    Append(png, PngChunkBytes("pHYs", {0, 0, 0, 1, 0, 0, 0, 2, 0}));
    Parsed p;
    p.bytes = png;
    ParseInto(p, true);
    ASSERT_EQ(p.tree.size(), 5u);
    const char* bkgd[] = {"Background=Grayscale(1)", "", "Background=RGB(1.2.3)", "", "Background=Grayscale(1)",
                          "Background=Unknown ColorType 5", "Background=RGB(1.2.3)"};
    const char* sbit[] = {"SigBits G=1", "", "SigBits RGB=(1 2 3)", "", "SigBits G=1 A=2",
                          "SigBits Unknown ColorType 5", "SigBits RGB=(1 2 3) A=4"};
    const char* trns[] = {"Transparent Grayscale(7)", "", "Transparent RGB(7.8.9)", "", "Transparent Unknown ColorType 4",
                          "Transparent Unknown ColorType 5", "Transparent Unknown ColorType 6"};
    EXPECT_EQ(p.tree[1].children[0].text, bkgd[type]);
    EXPECT_EQ(p.tree[2].children[0].text, sbit[type]);
    EXPECT_EQ(p.tree[3].children[0].text, trns[type]);
    EXPECT_EQ(p.tree[4].children[0].text, "Dimension X=1(unkown)");
  }
}

} // namespace
