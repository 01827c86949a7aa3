// The PNG writer, checked by reading every file back with libpng.
#include "image/PngWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <png.h>

#include "app/ConverterApp.h"
#include "image/ColorMatcher.h"
#include "image/FixedPalette.h"
#include "image/ImageDoc.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;

namespace {

// ---- reading back ----

struct RawRead {  // plain C data only: it lives across setjmp
  png_structp png;
  png_infop info;
  FILE* file;
  png_bytep data;
  png_bytepp rows;
  size_t rowBytes;
};

bool ReadRawRows(RawRead* r) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_init_io(r->png, r->file);
  png_read_info(r->png, r->info);
  png_set_interlace_handling(r->png);
  png_read_update_info(r->png, r->info);
  const png_uint_32 height = png_get_image_height(r->png, r->info);
  r->rowBytes = png_get_rowbytes(r->png, r->info);
  r->data = static_cast<png_bytep>(std::malloc(r->rowBytes * height + 1));
  r->rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * (height + 1)));
  for (png_uint_32 y = 0; y < height; ++y) r->rows[y] = r->data + y * r->rowBytes;
  png_read_image(r->png, r->rows);
  png_read_end(r->png, r->info);
  return true;
}

struct PngText {
  int compression;
  std::string key, text, lang;
};

// A decoded file: its header fields, raw rows as stored (4-bit samples
// still packed), palette, transparency, gamma and texts.
struct PngFile {
  bool ok = false;
  int width = 0, height = 0, bitDepth = 0, colorType = 0, interlace = 0;
  std::vector<std::vector<uint8_t>> rows;
  std::vector<png_color> palette;
  std::vector<uint8_t> trnsAlpha;
  bool hasTrnsColor = false;
  png_color_16 trnsColor{};
  bool hasGamma = false;
  png_fixed_point gamma = 0;
  std::vector<PngText> texts;

  // Sample x of row y, unpacked.
  int Sample(int x, int y) const {
    const std::vector<uint8_t>& r = rows[static_cast<size_t>(y)];
    if (bitDepth == 4) return (x & 1) ? r[static_cast<size_t>(x / 2)] & 0x0F : r[static_cast<size_t>(x / 2)] >> 4;
    return r[static_cast<size_t>(x)];
  }
};

PngFile ReadPng(const std::string& path) {
  PngFile f;
  RawRead r;
  std::memset(&r, 0, sizeof r);
  r.file = std::fopen(path.c_str(), "rb");
  if (!r.file) return f;
  r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  r.info = png_create_info_struct(r.png);
  f.ok = ReadRawRows(&r);
  if (f.ok) {
    f.width = static_cast<int>(png_get_image_width(r.png, r.info));
    f.height = static_cast<int>(png_get_image_height(r.png, r.info));
    f.bitDepth = png_get_bit_depth(r.png, r.info);
    f.colorType = png_get_color_type(r.png, r.info);
    f.interlace = png_get_interlace_type(r.png, r.info);
    for (int y = 0; y < f.height; ++y)
      f.rows.emplace_back(r.rows[y], r.rows[y] + r.rowBytes);
    png_colorp pal = nullptr;
    int n = 0;
    if (png_get_PLTE(r.png, r.info, &pal, &n)) f.palette.assign(pal, pal + n);
    png_bytep alpha = nullptr;
    png_color_16p color = nullptr;
    if (png_get_tRNS(r.png, r.info, &alpha, &n, &color)) {
      if (f.colorType == PNG_COLOR_TYPE_PALETTE) {
        f.trnsAlpha.assign(alpha, alpha + n);
      } else {
        f.hasTrnsColor = true;
        f.trnsColor = *color;
      }
    }
    f.hasGamma = png_get_gAMA_fixed(r.png, r.info, &f.gamma) != 0;
    png_textp text = nullptr;
    const int count = png_get_text(r.png, r.info, &text, nullptr);
    for (int i = 0; i < count; ++i)
      f.texts.push_back({text[i].compression, text[i].key,
                         std::string(text[i].text, text[i].compression > 0 ? text[i].itxt_length : text[i].text_length),
                         text[i].lang ? text[i].lang : ""});
  }
  png_destroy_read_struct(&r.png, &r.info, nullptr);
  std::free(r.data);
  std::free(r.rows);
  std::fclose(r.file);
  return f;
}

// Chunks in file order: type and data.
std::vector<std::pair<std::string, std::vector<uint8_t>>> Chunks(const std::string& path) {
  const std::vector<uint8_t> b = test::ReadFileBytes(path);
  std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
  for (size_t pos = 8; pos + 12 <= b.size();) {
    const size_t len = static_cast<size_t>(b[pos]) << 24 | b[pos + 1] << 16 | b[pos + 2] << 8 | b[pos + 3];
    if (pos + 12 + len > b.size()) break;
    out.emplace_back(std::string(b.begin() + static_cast<long>(pos) + 4, b.begin() + static_cast<long>(pos) + 8),
                     std::vector<uint8_t>(b.begin() + static_cast<long>(pos) + 8,
                                          b.begin() + static_cast<long>(pos + 8 + len)));
    pos += 12 + len;
  }
  return out;
}

// ---- documents ----

class PngWriterTest : public ::testing::Test {
protected:
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app{dir.Path(), sink};

  // A w x h true-colour picture from the shared test pattern; the
  // document's comments are off so only the chunks under test appear.
  std::unique_ptr<CImageDoc> MakeDoc(int w, int h, int mode) {
    auto doc = std::make_unique<CImageDoc>(app);
    const std::vector<uint8_t> rgb = test::MakeTestPicture(w, h, 7);
    EXPECT_TRUE(doc->Bitmap().Create(w, h, kColorTrue));
    for (int y = 0; y < h; ++y) {
      uint8_t* row = doc->Bitmap().Row(h - 1 - y);
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        row[3 * x] = p[2];
        row[3 * x + 1] = p[1];
        row[3 * x + 2] = p[0];
      }
    }
    doc->m_nPngSaveMode = mode;
    doc->m_bWriteGamma = 0;
    doc->m_bComment = 0;
    return doc;
  }
  // Blue, green, red of image pixel (x, y), y from the top.
  static const uint8_t* Pixel(const CImageDoc& doc, int x, int y) {
    return doc.Bitmap().Row(doc.Bitmap().Height() - 1 - y) + 3 * x;
  }
  static int Grey(const uint8_t* bgr) { return (183 * bgr[1] + 19 * bgr[0] + 54 * bgr[2]) / 256; }
};

TEST_F(PngWriterTest, RgbModeKeepsEveryPixelAndDescribesTheFile) {
  for (int interlace : {0, 1}) {
    app.m_settings.bUseInterlaceOnSave = interlace;
    auto doc = MakeDoc(37, 21, 0);
    const std::string path = dir.File("rgb.png");
    ASSERT_EQ(doc->WritePng(path), 1);
    const PngFile f = ReadPng(path);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.colorType, PNG_COLOR_TYPE_RGB);
    EXPECT_EQ(f.bitDepth, 8);
    EXPECT_EQ(f.interlace, interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE);
    for (int y = 0; y < 21; ++y)
      for (int x = 0; x < 37; ++x) {
        const uint8_t* p = Pixel(*doc, x, y);
        ASSERT_EQ(f.rows[y][3 * x], p[2]) << x << "," << y;
        ASSERT_EQ(f.rows[y][3 * x + 1], p[1]);
        ASSERT_EQ(f.rows[y][3 * x + 2], p[0]);
      }
    EXPECT_EQ(doc->m_strCodecInfo, interlace ? "37x21 Int.PNG(RGB 8bit)" : "37x21 PNG(RGB 8bit)");
    EXPECT_EQ(doc->m_nBitsPerSample, 24);
    EXPECT_EQ(doc->m_nFileSize, static_cast<int64_t>(test::ReadFileBytes(path).size()));
    EXPECT_TRUE(sink.messages.empty());
  }
}

TEST_F(PngWriterTest, GreyscaleModesStoreTheLuminanceAndPackFourBitSamples) {
  auto doc = MakeDoc(13, 9, 3);
  ASSERT_EQ(doc->WritePng(dir.File("g8.png")), 1);
  const PngFile g8 = ReadPng(dir.File("g8.png"));
  ASSERT_TRUE(g8.ok);
  EXPECT_EQ(g8.colorType, PNG_COLOR_TYPE_GRAY);
  EXPECT_EQ(g8.bitDepth, 8);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(g8.Sample(x, y), Grey(Pixel(*doc, x, y))) << x << "," << y;
  EXPECT_EQ(doc->m_strCodecInfo, "13x9 PNG(Gray 8bit)");
  EXPECT_EQ(doc->m_bGrayscale, 1);

  doc->m_nPngSaveMode = 4;
  ASSERT_EQ(doc->WritePng(dir.File("g4.png")), 1);
  const PngFile g4 = ReadPng(dir.File("g4.png"));
  ASSERT_TRUE(g4.ok);
  EXPECT_EQ(g4.bitDepth, 4);
  ASSERT_EQ(g4.rows[0].size(), 7u);  // 13 samples, two per byte
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 13; ++x) ASSERT_EQ(g4.Sample(x, y), Grey(Pixel(*doc, x, y)) >> 4) << x << "," << y;
    EXPECT_EQ(g4.rows[y][0], (Grey(Pixel(*doc, 0, y)) >> 4) << 4 | Grey(Pixel(*doc, 1, y)) >> 4);
  }
  EXPECT_EQ(doc->m_nBitsPerSample, 4);
}

TEST_F(PngWriterTest, IndexedModesMapPixelsThroughTheFixedPalettes) {
  for (int mode : {1, 2}) {
    const int entries = mode == 1 ? 256 : 16;
    std::vector<RgbQuad> fixed(static_cast<size_t>(entries));
    FillFixedPalette(fixed.data(), entries);
    // The test pattern, and in its first row every palette colour itself.
    auto doc = MakeDoc(entries, 12, mode);
    for (int x = 0; x < entries; ++x) {
      uint8_t* p = doc->Bitmap().Row(11) + 3 * x;
      p[0] = fixed[x].rgbBlue, p[1] = fixed[x].rgbGreen, p[2] = fixed[x].rgbRed;
    }
    const std::string path = dir.File("idx.png");
    ASSERT_EQ(doc->WritePng(path), 1);
    const PngFile f = ReadPng(path);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.colorType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(f.bitDepth, mode == 1 ? 8 : 4);
    ASSERT_EQ(f.palette.size(), static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
      EXPECT_EQ(f.palette[i].red, fixed[i].rgbRed);
      EXPECT_EQ(f.palette[i].green, fixed[i].rgbGreen);
      EXPECT_EQ(f.palette[i].blue, fixed[i].rgbBlue);
    }
    CColorMatcher matcher;
    ASSERT_TRUE(matcher.Init(fixed.data(), entries, entries));
    matcher.BuildIndex();
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < entries; ++x) {
        const png_color c = f.palette[static_cast<size_t>(f.Sample(x, y))];
        const RgbQuad& want = fixed[static_cast<size_t>(matcher.FindNearest(Pixel(*doc, x, y)))];
        ASSERT_EQ(c.red, want.rgbRed) << x << "," << y;
        ASSERT_EQ(c.green, want.rgbGreen);
        ASSERT_EQ(c.blue, want.rgbBlue);
        if (y == 0) {
          ASSERT_EQ(c.red, fixed[x].rgbRed) << "palette colour " << x << " is kept exactly";
          ASSERT_EQ(c.green, fixed[x].rgbGreen);
          ASSERT_EQ(c.blue, fixed[x].rgbBlue);
        }
      }
    EXPECT_EQ(doc->m_colorTable.size(), static_cast<size_t>(entries));
    EXPECT_EQ(doc->m_nBitsPerSample, mode == 1 ? 8 : 4);
    EXPECT_EQ(doc->m_strCodecInfo, mode == 1 ? "256x12 PNG(Idx 8bit)" : "16x12 PNG(Idx 4bit)");
  }
}

TEST_F(PngWriterTest, AColourTableOfTheModesDepthIsUsedAndAnotherReplaced) {
  auto doc = MakeDoc(8, 4, 2);
  doc->m_colorTable = {RgbQuad{0, 0, 0, 0}, RgbQuad{255, 255, 255, 0}, RgbQuad{0, 0, 255, 0}};
  doc->m_nBitsPerSample = 4;
  ASSERT_EQ(doc->WritePng(dir.File("own.png")), 1);
  const PngFile own = ReadPng(dir.File("own.png"));
  ASSERT_TRUE(own.ok);
  ASSERT_EQ(own.palette.size(), 3u);
  EXPECT_EQ(own.palette[2].red, 255);
  EXPECT_EQ(own.palette[2].blue, 0);

  // Made for 8 bits: a 4-bit save drops it for the 16 standard colours.
  doc->m_nBitsPerSample = 8;
  ASSERT_EQ(doc->WritePng(dir.File("std.png")), 1);
  EXPECT_EQ(ReadPng(dir.File("std.png")).palette.size(), 16u);
  EXPECT_EQ(doc->m_colorTable.size(), 16u);
}

TEST_F(PngWriterTest, TransparencyChunkFollowsTheMode) {
  const uint8_t key[3] = {0x20, 0xC0, 0xF0};  // blue, green, red
  auto write = [&](int mode) {
    auto doc = MakeDoc(6, 5, mode);
    doc->m_bTransparent = 1;
    std::memcpy(doc->m_transparentColor, key, 3);
    EXPECT_EQ(doc->WritePng(dir.File("t.png")), 1);
    EXPECT_NE(doc->m_strCodecInfo.find(" +T"), std::string::npos);
    return ReadPng(dir.File("t.png"));
  };
  // Palette: entries up to the matched one, all opaque but that last one.
  for (int mode : {1, 2}) {
    const int entries = mode == 1 ? 256 : 16;
    std::vector<RgbQuad> fixed(static_cast<size_t>(entries));
    FillFixedPalette(fixed.data(), entries);
    CColorMatcher m;
    m.Init(fixed.data(), entries, entries);
    m.BuildIndex();
    const int k = m.FindNearest(key);
    const PngFile f = write(mode);
    ASSERT_EQ(f.trnsAlpha.size(), static_cast<size_t>(k + 1)) << "mode " << mode;
    for (int i = 0; i < k; ++i) EXPECT_EQ(f.trnsAlpha[i], 255);
    EXPECT_EQ(f.trnsAlpha.back(), 0);
  }
  const PngFile rgb = write(0);
  ASSERT_TRUE(rgb.hasTrnsColor);
  EXPECT_EQ(rgb.trnsColor.red, 0xF0);
  EXPECT_EQ(rgb.trnsColor.green, 0xC0);
  EXPECT_EQ(rgb.trnsColor.blue, 0x20);
  // Greyscale: the key is the grey the colour's own pixels become, so a
  // 4-bit file gets the 4-bit value (an 8-bit one would be out of range).
  const int grey = Grey(key);
  const PngFile g8 = write(3);
  ASSERT_TRUE(g8.hasTrnsColor);
  EXPECT_EQ(g8.trnsColor.gray, grey);
  const PngFile g4 = write(4);
  ASSERT_TRUE(g4.hasTrnsColor);
  EXPECT_EQ(g4.trnsColor.gray, grey >> 4);
}

TEST_F(PngWriterTest, GammaChunkComesFromTheDocumentOrTheDefault) {
  auto doc = MakeDoc(4, 4, 0);
  doc->m_bWriteGamma = 1;
  ASSERT_EQ(doc->WritePng(dir.File("none.png")), 1);
  EXPECT_FALSE(ReadPng(dir.File("none.png")).hasGamma);  // no value to write

  doc->m_bGamma = 1;
  doc->m_dGamma = 0.45455;
  ASSERT_EQ(doc->WritePng(dir.File("doc.png")), 1);
  PngFile f = ReadPng(dir.File("doc.png"));
  EXPECT_TRUE(f.hasGamma);
  EXPECT_EQ(f.gamma, 45455);
  EXPECT_EQ(doc->m_strCodecInfo, "4x4 PNG(RGB 8bit) +G");

  app.m_settings.UseDefaultGammaOnSave = 1;
  app.m_settings.DefaultGamma = 1.0;
  ASSERT_EQ(doc->WritePng(dir.File("default.png")), 1);
  f = ReadPng(dir.File("default.png"));
  EXPECT_EQ(f.gamma, 100000);

  doc->m_bWriteGamma = 0;
  ASSERT_EQ(doc->WritePng(dir.File("off.png")), 1);
  EXPECT_FALSE(ReadPng(dir.File("off.png")).hasGamma);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(PngWriterTest, AGammaLibpngCannotWriteIsRefusedWithAMessage) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double g : {0.0, -1.0, -0.45, 1e-9, 1e9, nan}) {
    sink.messages.clear();
    auto doc = MakeDoc(4, 4, 0);
    doc->m_bWriteGamma = 1;
    app.m_settings.UseDefaultGammaOnSave = 1;
    app.m_settings.DefaultGamma = g;
    const std::string path = dir.File("bad.png");
    EXPECT_EQ(doc->WritePng(path), 0) << g;
    EXPECT_FALSE(test::FileExists(path)) << g;
    ASSERT_EQ(sink.messages.size(), 1u) << g;
    EXPECT_EQ(sink.messages[0].text, std::string("SavePngFile:") + kPngBadGamma + "\n" + path);
  }
  EXPECT_EQ(PngFixedGamma(0.00016), 16);
  EXPECT_EQ(PngFixedGamma(6250.0), 625000000);
}

TEST_F(PngWriterTest, CommentsBecomeTextChunksInListOrder) {
  // "テスト" in the internal character set (Shift_JIS) and in UTF-8.
  const std::string sjis = "\x83\x65\x83\x58\x83\x67";
  const std::string utf8 = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";
  auto doc = MakeDoc(3, 3, 0);
  doc->m_bComment = 1;
  doc->m_comments = {{3, "Comment", sjis}, {0, "Author", "someone"}};

  ASSERT_EQ(doc->WritePng(dir.File("text.png")), 1);
  PngFile f = ReadPng(dir.File("text.png"));
  ASSERT_EQ(f.texts.size(), 2u);
  EXPECT_EQ(f.texts[0].compression, PNG_TEXT_COMPRESSION_NONE);
  EXPECT_EQ(f.texts[0].key, "Comment");
  EXPECT_EQ(f.texts[0].text, sjis);  // its own character set (AutoWriteCharset)
  EXPECT_EQ(f.texts[1].key, "Author");
  EXPECT_EQ(f.texts[1].text, "someone");

  app.m_settings.UsePNGiTXT = 1;
  app.m_settings.DefaultPNGiTXTLang = "ja-jp";
  const std::string path = dir.File("itxt.png");
  ASSERT_EQ(doc->WritePng(path), 1);
  f = ReadPng(path);
  ASSERT_EQ(f.texts.size(), 2u);
  EXPECT_EQ(f.texts[0].compression, PNG_ITXT_COMPRESSION_NONE);
  EXPECT_EQ(f.texts[0].text, utf8);
  EXPECT_EQ(f.texts[0].lang, "ja-jp");
  // The chunk itself: keyword, no compression, language tag, empty
  // translated keyword, then the UTF-8 text.
  std::vector<uint8_t> want;
  const std::string head = std::string("Comment") + '\0' + '\0' + '\0' + "ja-jp" + '\0' + '\0';
  want.assign(head.begin(), head.end());
  want.insert(want.end(), utf8.begin(), utf8.end());
  int itxtChunks = 0;
  for (const auto& c : Chunks(path)) {
    if (c.first != "iTXt") continue;
    if (++itxtChunks == 1) {
      EXPECT_EQ(c.second, want);
    }
  }
  EXPECT_EQ(itxtChunks, 2);

  doc->m_bComment = 0;
  ASSERT_EQ(doc->WritePng(dir.File("quiet.png")), 1);
  EXPECT_TRUE(ReadPng(dir.File("quiet.png")).texts.empty());
}

// ---- failures ----

TEST_F(PngWriterTest, AnUnwritableTargetFailsWithTheDocumentUnchanged) {
  test::WriteFileBytes(dir.File("plain"), {1, 2, 3});
  std::vector<std::string> targets = {dir.File("missing/out.png"), dir.File("plain/out.png")};
  if (geteuid() != 0) {  // root writes into read-only folders
    ASSERT_EQ(mkdir(dir.File("ro").c_str(), 0555), 0);
    targets.push_back(dir.File("ro/out.png"));
  }
  for (const std::string& path : targets) {
    sink.messages.clear();
    auto doc = MakeDoc(5, 4, 2);
    doc->m_strCodecInfo = "before";
    const std::vector<uint8_t> pixels(doc->Bitmap().Bits(), doc->Bitmap().Bits() + 4 * doc->Bitmap().Stride());
    EXPECT_EQ(doc->WritePng(path), 0) << path;
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "SavePngFile:Cannot open\n" + path);
    EXPECT_FALSE(test::FileExists(path));
    EXPECT_EQ(std::vector<uint8_t>(doc->Bitmap().Bits(), doc->Bitmap().Bits() + pixels.size()), pixels);
    EXPECT_EQ(doc->m_strCodecInfo, "before");
    EXPECT_TRUE(doc->m_colorTable.empty());
  }
}

TEST_F(PngWriterTest, AFullDiskKeepsTheOldFileAndLeavesNoTemporary) {
  auto doc = MakeDoc(300, 200, 0);
  const std::string path = dir.File("keep.png");
  test::WriteFileBytes(path, {'o', 'l', 'd'});
  // A file-size limit stands in for a full disk.
  const int result = [&] {
    test::FileSizeLimit limit(4096);
    return doc->WritePng(path);
  }();
  EXPECT_EQ(result, 0);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "SavePngFile:Error handler\n" + path);
  EXPECT_EQ(doc->m_strCodecError, "Write Error");
  EXPECT_EQ(test::ReadFileBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"keep.png"});
}

TEST_F(PngWriterTest, AnEmptyImageOrAnUnknownModeIsRefused) {
  auto doc = MakeDoc(4, 4, 7);
  EXPECT_EQ(doc->WritePng(dir.File("mode.png")), 0);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, std::string("SavePngFile:") + kPngBadMode + "\n" + dir.File("mode.png"));

  CImageDoc empty(app);
  EXPECT_EQ(empty.WritePng(dir.File("empty.png")), 0);
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[1].text, "SavePngFile:Can't make the DIB\n" + dir.File("empty.png"));
  EXPECT_FALSE(test::FileExists(dir.File("empty.png")));
}

TEST(DescribePng, NamesEveryColourTypeAndFlag) {
  PngDescription d;
  d.width = 640;
  d.height = 480;
  const std::pair<int, const char*> types[] = {{0, "(Gray"}, {2, "(RGB"}, {3, "(Idx"}, {4, "(@Gray"},
                                               {6, "(@RGB"}, {5, "(cType=5"}, {26, "(cType=1a"}};
  for (const auto& t : types) {
    d.colorType = t.first;
    int grey = -1;
    EXPECT_EQ(DescribePng(d, &grey), std::string("640x480 PNG") + t.second + " 8bit)");
    EXPECT_EQ(grey, t.first == 0 || t.first == 4 ? 1 : 0);
  }
  d.colorType = 3;
  d.bitDepth = 4;
  d.interlaced = d.transparent = d.gamma = true;
  EXPECT_EQ(DescribePng(d), "640x480 Int.PNG(Idx 4bit) +T +G");
}

} // namespace
