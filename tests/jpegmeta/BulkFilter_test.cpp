// The bulk filter on real files in temporary folders: outputs are parsed with
// the segment list and decoded with libjpeg; failures are made to happen for
// real (blocked paths, file-size limits, read-only and full file systems).
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/AppHelpers.h"
#include "app/Profile.h"
#include "app/Settings.h"
#include "batch/BatchEngine.h"
#include "jpegmeta/BulkFilter.h"
#include "jpegmeta/Charset.h"
#include "jpegmeta/ExifReader.h"
#include "jpegmeta/ExifSummary.h"
#include "jpegmeta/MetaBytes.h"
#include "jpegmeta/SegmentList.h"
#include "support/TestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

// ---- files ----

std::string Real(const std::string& path) {
  char* r = ::realpath(path.c_str(), nullptr);
  std::string s = r ? r : path;
  std::free(r);
  return s;
}

void MakeDir(const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path; }

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d))
      if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A libjpeg picture; the encoder's own JFIF APP0 (18 bytes after SOI) is
// left out so tests put their own segments in front.
Bytes PictureBody(int w = 48, int h = 32, bool progressive = false, unsigned seed = 3) {
  const Bytes jpeg = EncodeJpeg(MakeTestPicture(w, h, seed), w, h, 3, 85, progressive);
  EXPECT_EQ(jpeg[3], 0xE0);
  return Bytes(jpeg.begin() + 20, jpeg.end());
}

Bytes Jpeg(const std::vector<Bytes>& segments, const Bytes& body) {
  Bytes b = {0xFF, 0xD8};
  for (const Bytes& s : segments) Append(b, s);
  Append(b, body);
  return b;
}

// JFIF APP0 with an n x 1 RGB thumbnail.
Bytes JfifWithThumb(int n, uint16_t density = 150) {
  Bytes p = {'J', 'F', 'I', 'F', 0, 1, 2, 1, uint8_t(density >> 8), uint8_t(density), uint8_t(density >> 8),
             uint8_t(density), uint8_t(n), 1};
  p.resize(p.size() + static_cast<size_t>(3 * n), 0x55);
  return Segment(0xE0, p);
}

Bytes Jfxx() { return Segment(0xE0, {'J', 'F', 'X', 'X', 0, 0x10, 1, 2, 3}); }
Bytes App(int n, const std::string& text) { return Segment(static_cast<uint8_t>(0xE0 + n), Bytes(text.begin(), text.end())); }
Bytes Com(const std::string& text) { return Segment(0xFE, Bytes(text.begin(), text.end())); }

Bytes UserComment(const std::string& header8, const Bytes& text) {
  Bytes v(header8.begin(), header8.end());
  v.resize(8, 0);
  Append(v, text);
  return v;
}

Bytes Ucs2Be(const std::u16string& s) {
  Bytes b;
  for (char16_t c : s) b.push_back(uint8_t(c >> 8)), b.push_back(uint8_t(c));
  return b;
}

// An Exif APP1: IFD0 entries, then an Exif IFD with `exif` when given.
Bytes ExifApp1With(TiffBuilder& t, std::vector<TiffBuilder::Entry> ifd0, const std::vector<TiffBuilder::Entry>& exif) {
  if (!exif.empty()) ifd0.push_back(t.Long(TAG_EXIF_IFD, 0));
  const TiffBuilder::Ifd first = t.AddIfd(ifd0);
  t.SetIfd0(first.offset);
  if (!exif.empty()) t.SetLong(first.valueFields.back(), t.AddIfd(exif).offset);
  return ExifApp1(t.b);
}

// ---- reading outputs ----

// Marker codes of a file in order, data runs left out.
std::vector<int> Codes(const std::string& path) {
  CSegmentFile f;
  EXPECT_TRUE(f.Open(path)) << path;
  SegmentList list;
  ParseJpeg(f, list);
  std::vector<int> codes;
  for (const auto& r : list)
    if (r->MarkerCode()) codes.push_back(r->MarkerCode());
  return codes;
}

int Count(const std::vector<int>& codes, int code) {
  return static_cast<int>(std::count(codes.begin(), codes.end(), code));
}

// Decoded pixels must be those of the source: the scan data is untouched.
void ExpectSamePixels(const Bytes& source, const std::string& outPath) {
  DecodedJpeg a, b;
  ASSERT_TRUE(DecodeJpeg(source, a));
  ASSERT_TRUE(DecodeJpeg(ReadFileBytes(outPath), b)) << outPath;
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  EXPECT_TRUE(a.pixels == b.pixels) << outPath;
}

// ---- progress and failure makers ----

class ScriptedProgress : public IBatchProgress {
public:
  void SetRange(int total) override { range = total; }
  void SetFileName(const std::string& name) override { names.push_back(name); }
  void SetCounter(const std::string& text) override { counters.push_back(text); }
  void StepIt() override { ++steps; }
  bool AbortRequested() const override { return abortAfterSteps >= 0 && steps >= abortAfterSteps; }
  int range = -1, steps = 0, abortAfterSteps = -1;
  std::vector<std::string> names, counters;
};

#define EXPECT_CHILD_OK(result)                                         \
  do {                                                                  \
    const std::string r_ = (result);                                    \
    if (r_.rfind("skip:", 0) == 0) GTEST_SKIP() << r_.substr(6);        \
    EXPECT_EQ(r_, "");                                                  \
  } while (0)

// ---- the fixture: in/, out/, tmp/ and a filter with every option off ----

class BulkFilterTest : public ::testing::Test {
protected:
  TempDir dir;
  RecordingSink sink;
  CSettings app;
  CBulkFilterSettings s;
  ScriptedProgress progress;
  std::string in, out, tmp;

  void SetUp() override {
    in = dir.File("in");
    out = dir.File("out");
    tmp = dir.File("tmp");
    MakeDir(in);
    MakeDir(out);
    MakeDir(tmp);
    app.TempDir = tmp;
    s.SrcDirectory = in;
    s.DstDirectory = out;
    s.LogFilePath = dir.File("log.htm");
    s.ConvertExif = 0;
    s.ExifGenCmt = 0;
    s.ExifUserCmt = 0;
  }

  // Runs the filter; the CBulkFilter is kept for its counters.
  std::unique_ptr<CBulkFilter> Run(const std::function<void(CBulkFilter&)>& setup = nullptr) {
    auto f = std::make_unique<CBulkFilter>(app, sink, s);
    f->m_pProgress = &progress;
    if (setup) setup(*f);
    EXPECT_EQ(f->FilterRun(100), 1);
    return f;
  }

  std::string Put(const std::string& name, const Bytes& bytes, const std::string& folder = "") {
    const std::string path = (folder.empty() ? in : folder) + "/" + name;
    WriteFileBytes(path, bytes);
    return path;
  }

  std::string Log() const { return test::ReadFileText(s.LogFilePath); }
};

// ---- settings ----

TEST(BulkFilterSettingsSection, DefaultsMapUnderHomeAndEveryKeyIsSavedInOrder) {
  TempDir dir;
  CProfile profile(dir.File("q.ini"));
  CBulkFilterSettings d;
  d.Load(profile);
  EXPECT_EQ(d.SrcDirectory, HomeDirectory() + "/Exif/in");
  EXPECT_EQ(d.DstDirectory, HomeDirectory() + "/Dcim/100kxcam");
  EXPECT_EQ(d.LogFilePath, HomeDirectory() + "/blkflt.htm");
  EXPECT_EQ(d.ConvertExif, 1);
  EXPECT_EQ(d.ExifGenCmt, 1);
  EXPECT_EQ(d.ExifUserCmt, 1);
  EXPECT_EQ(d.ExtFilter, 1);
  EXPECT_EQ(d.RemoveAppX, 0);
  for (int n = 1; n <= 15; ++n) EXPECT_EQ(d.RemoveAPP[n], 1) << n;
  EXPECT_EQ(d.StrExtFilter, ".jpg;.jfif;.jpeg");

  CBulkFilterSettings s;
  s.RemoveAPP[7] = 0;
  s.UniteDHT = 1;
  s.ConvertExif = 0;
  s.StrExtFilter = ".jpe";
  ASSERT_TRUE(s.Save(profile));
  const std::string text = test::ReadFileText(dir.File("q.ini"));
  const char* order[] = {"SrcDirectory=", "DstDirectory=", "CreateLog=", "LogFilePath=", "RemoveThumb=",
                         "RemoveJFXX=", "RemoveAppX=", "RemoveAPP1=", "RemoveAPP15=", "UniteDQT=", "UniteDHT=",
                         "RemoveCOM=", "ConvertExif=", "ExifGenCmt=", "ExifGenEng=", "ExifUserCmt=",
                         "RecurseDir=", "ExtFilter=", "StrExtFilter="};
  size_t at = 0;
  for (const char* key : order) {
    const size_t pos = text.find(std::string("\n") + key);
    ASSERT_NE(pos, std::string::npos) << key;
    EXPECT_GT(pos, at) << key;
    at = pos;
  }
  EXPECT_NE(text.find("[bulkfilter]"), std::string::npos);
  CBulkFilterSettings back;
  back.Load(profile);
  EXPECT_EQ(back.RemoveAPP[7], 0);
  EXPECT_EQ(back.RemoveAPP[8], 1);
  EXPECT_EQ(back.UniteDHT, 1);
  EXPECT_EQ(back.ConvertExif, 0);
  EXPECT_EQ(back.StrExtFilter, ".jpe");
}

TEST(BulkFilterResult, MessageCarriesCountAndSignedSavedTotal) {
  EXPECT_EQ(BulkFilterResultText(3, 1234), "3 files converted     (1234 バイトの削減)");
  EXPECT_EQ(BulkFilterResultText(1, -23), "1 files converted     (-23 バイトの削減)");
  // Totals past 32 bits stay whole.
  EXPECT_EQ(BulkFilterResultText(0, int64_t{5} << 32), "0 files converted     (21474836480 バイトの削減)");
}

// ---- each option: whole outputs known to the byte, pixels unchanged ----

// The JFIF APP0 that replaces an Exif APP1: version 1.1, dots per inch.
Bytes ConvertedApp0(uint16_t x, uint16_t y) {
  return Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 1, uint8_t(x >> 8), uint8_t(x), uint8_t(y >> 8), uint8_t(y), 0, 0});
}

Bytes SmallExif() {
  TiffBuilder t(false);
  return ExifApp1With(t, {t.Ascii(TAG_MAKE, "Q")}, {});
}

struct OptionCase {
  const char* what;
  std::vector<Bytes> in;
  std::function<void(CBulkFilterSettings&)> set;
  std::function<Bytes(const Bytes& body)> want;  // the whole output
  bool decodable = true;
};

std::function<Bytes(const Bytes&)> Headers(std::vector<Bytes> segments) {
  return [segments](const Bytes& body) { return Jpeg(segments, body); };
}

TEST_F(BulkFilterTest, EachOptionGivesTheExpectedFileAndKeepsThePixels) {
  const Bytes body = PictureBody();
  // libjpeg writes one DQT per table right after its APP0.
  ASSERT_TRUE(body[0] == 0xFF && body[1] == 0xDB && body[69] == 0xFF && body[70] == 0xDB);
  const Bytes exif = SmallExif();
  // Too much for one length field: 1,011 tables of 65 bytes.
  std::vector<Bytes> manyTables(1009, Dqt(2, 9));
  manyTables.insert(manyTables.begin(), Jfif());
  const std::vector<OptionCase> cases = {
      {"nothing on", {Jfif(), App(1, "x"), Com("hello")}, [](auto&) {},
       Headers({Jfif(), App(1, "x"), Com("hello")})},
      {"RemoveThumb", {JfifWithThumb(4, 150), Com("c")}, [](auto& s) { s.RemoveThumb = 1; },
       Headers({Jfif(1, 150, 150), Com("c")})},
      {"RemoveThumb, no thumbnail", {Jfif(1, 96, 96)}, [](auto& s) { s.RemoveThumb = 1; }, Headers({Jfif(1, 96, 96)})},
      {"RemoveJFXX", {Jfif(), Jfxx(), App(0, "OTHER")}, [](auto& s) { s.RemoveJFXX = 1; },
       Headers({Jfif(), App(0, "OTHER")})},
      {"RemoveCOM", {Jfif(), Com("one"), App(2, "x"), Com("two")}, [](auto& s) { s.RemoveCOM = 1; },
       Headers({Jfif(), App(2, "x")})},
      {"RemoveAppX, APP2 only", {Jfif(), exif, App(2, "icc-1"), App(13, "ps"), App(2, "icc-2")},
       [](auto& s) {
         s.RemoveAppX = 1;
         for (int n = 1; n <= 15; ++n) s.RemoveAPP[n] = n == 2;
       },
       Headers({Jfif(), exif, App(13, "ps")})},
      // libjpeg refuses JPGn markers: this one is compared, not decoded.
      {"RemoveAppX keeps JPGn", {Segment(0xF0, {1}), App(5, "x"), Segment(0xFD, {2})},
       [](auto& s) { s.RemoveAppX = 1; }, Headers({Segment(0xF0, {1}), Segment(0xFD, {2})}), false},
      {"UniteDQT, three tables", {Jfif(), Dqt(2, 9)}, [](auto& s) { s.UniteDQT = 1; },
       [](const Bytes& b) {
         const Bytes third = Dqt(2, 9);
         Bytes merged(third.begin() + 4, third.end());
         merged.insert(merged.end(), b.begin() + 4, b.begin() + 69);
         merged.insert(merged.end(), b.begin() + 73, b.begin() + 138);
         return Jpeg({Jfif(), Segment(0xDB, merged)}, Bytes(b.begin() + 138, b.end()));
       }},
      {"UniteDQT past 65,533 bytes", manyTables, [](auto& s) { s.UniteDQT = 1; }, Headers(manyTables)},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes src = Jpeg(c.in, body);
    Put("a.jpg", src);
    s = CBulkFilterSettings();
    s.SrcDirectory = in;
    s.DstDirectory = out;
    s.ConvertExif = 0;
    c.set(s);
    auto f = Run();
    const Bytes want = c.want(body);
    EXPECT_EQ(ReadFileBytes(out + "/a.jpg"), want);
    EXPECT_EQ(f->SavedBytes(), static_cast<int64_t>(src.size()) - static_cast<int64_t>(want.size()));
    if (c.decodable) ExpectSamePixels(src, out + "/a.jpg");
  }
}

// DHTs merge per scan; a DQT between scans stays between them so a table
// redefined there still applies only to the later scans.
TEST_F(BulkFilterTest, UniteDhtAndDqtMergeEachScanGapOfAProgressiveFileSeparately) {
  const Bytes plain = Jpeg({Jfif()}, PictureBody(40, 24, true));
  size_t sos = 0;
  for (size_t i = 0, seen = 0; i + 1 < plain.size() && !sos; ++i)
    if (plain[i] == 0xFF && plain[i + 1] == 0xDA && ++seen == 2) sos = i;
  ASSERT_GT(sos, 0u);
  Bytes src(plain.begin(), plain.begin() + static_cast<long>(sos));
  Append(src, Dqt(3, 7));  // an unused table id before the second scan
  src.insert(src.end(), plain.begin() + static_cast<long>(sos), plain.end());
  Put("p.jpg", src);
  s.UniteDHT = 1;
  s.UniteDQT = 1;
  Run();
  // Per gap between scans: how many segments of the code.
  auto gaps = [](const std::string& path, int code) {
    std::vector<int> counts(1, 0);
    for (int c : Codes(path)) {
      if (c == 0xDA) counts.push_back(0);
      else if (c == code) ++counts.back();
    }
    return counts;
  };
  const std::vector<int> before = gaps(in + "/p.jpg", 0xC4), after = gaps(out + "/p.jpg", 0xC4);
  ASSERT_EQ(before.size(), after.size());
  ASSERT_NE(std::find(before.begin(), before.end(), 1), before.end());
  ASSERT_NE(std::find_if(before.begin(), before.end(), [](int n) { return n >= 2; }), before.end());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], std::min(before[i], 1)) << "gap " << i;
  const std::vector<int> dqt = gaps(out + "/p.jpg", 0xDB);
  EXPECT_EQ(dqt[0], 1);
  EXPECT_EQ(dqt[1], 1);
  ExpectSamePixels(src, out + "/p.jpg");
}

// ---- Exif to JFIF ----

struct ExifCase {
  const char* what;
  Bytes app1;
  std::function<void(CBulkFilterSettings&, CSettings&)> set;
  uint16_t x, y;        // densities of the new APP0
  std::string comment;  // "" for none
};

TEST_F(BulkFilterTest, ExifBecomesJfifWithACommentOfSummaryLinesAndUserComment) {
  TiffBuilder t1(true), t2(false), t3(false), t4(false), t5(false), t6(false), t7(false);
  const Bytes ucs2 = UserComment("UNICODE", Ucs2Be(u"日本 "));
  const std::string program = ExifSummaryString(2101) + ExifSummaryString(2202);
  const std::string metering = ExifSummaryString(2102 + EXIF_ENGLISH) + ExifSummaryString(2305 + EXIF_ENGLISH);
  ASSERT_EQ(metering.find_first_of("\x80\xFF"), std::string::npos);  // plain English
  auto off = [](CBulkFilterSettings&, CSettings&) {};
  auto gen = [](CBulkFilterSettings& s, CSettings&) { s.ExifGenCmt = 1; };
  auto user = [](CBulkFilterSettings& s, CSettings&) { s.ExifUserCmt = 1; };
  const std::vector<ExifCase> cases = {
      {"XResolution 300/1, no YResolution", ExifApp1With(t1, {t1.Rational(TAG_X_RESOLUTION, 300, 1)}, {}), off, 300,
       72, ""},
      {"lines, a blank line, the user comment",
       ExifApp1With(t2,
                    {t2.Ascii(TAG_MAKE, "QVCAM"), t2.Ascii(TAG_MODEL, "Q1"),
                     t2.Ascii(TAG_DATE_TIME, "2004:05:06 07:08:09")},
                    {t2.Short(TAG_EXPOSURE_PROGRAM, 2),
                     t2.Undefined(TAG_USER_COMMENT, UserComment("ASCII", {'h', 'i', ' ', ' '}))}),
       [](CBulkFilterSettings& s, CSettings&) { s.ExifGenCmt = s.ExifUserCmt = 1; }, 72, 72,
       "QVCAM Q1\r\n2004:05:06 07:08:09\r\n" + program + "\r\n\r\nhi"},
      {"English lines", ExifApp1With(t3, {}, {t3.Short(TAG_METERING_MODE, 5)}),
       [](CBulkFilterSettings& s, CSettings&) { s.ExifGenCmt = s.ExifGenEng = 1; }, 72, 72, metering + "\r\n"},
      {"the user comment alone",
       ExifApp1With(t4, {t4.Ascii(TAG_MAKE, "QVCAM")}, {t4.Undefined(TAG_USER_COMMENT, UserComment("ASCII", {'o', 'k'}))}),
       user, 72, 72, "ok"},
      {"a blank user comment", ExifApp1With(t5, {}, {t5.Undefined(TAG_USER_COMMENT, UserComment("ASCII", {' ', ' '}))}),
       user, 72, 72, ""},
      {"user comments switched off", ExifApp1With(t6, {}, {t6.Undefined(TAG_USER_COMMENT, UserComment("ASCII", {'x'}))}),
       gen, 72, 72, ""},
      {"UCS-2 becomes Shift_JIS", ExifApp1With(t7, {t7.Rational(TAG_Y_RESOLUTION, 200, 1)}, {t7.Undefined(TAG_USER_COMMENT, ucs2)}),
       user, 72, 200, Utf8ToInternal("日本")},
  };
  const Bytes body = PictureBody();
  auto runCase = [&](const ExifCase& c, const std::string& name) {
    SCOPED_TRACE(std::string(c.what) + " " + name);
    const Bytes src = Jpeg({c.app1}, body);
    Put(name, src);
    s.ConvertExif = 1;
    s.ExifGenCmt = s.ExifGenEng = s.ExifUserCmt = 0;
    app = CSettings();
    app.TempDir = tmp;
    c.set(s, app);
    Run();
    std::vector<Bytes> want = {ConvertedApp0(c.x, c.y)};
    if (!c.comment.empty()) want.push_back(Com(c.comment));
    EXPECT_EQ(ReadFileBytes(out + "/" + name), Jpeg(want, body));
    ExpectSamePixels(src, out + "/" + name);
    ::unlink((in + "/" + name).c_str());
  };
  for (const ExifCase& c : cases) runCase(c, "a.jpg");
  // The write-charset settings choose the comment's form.
  runCase({"UCS-2 as UTF-8", cases.back().app1,
           [](CBulkFilterSettings& s, CSettings& a) {
             s.ExifUserCmt = 1;
             a.AutoWriteCharset = 0;
             a.WriteCharset = CS_UTF8;
           },
           72, 200, "日本"},
          "b.jpg");
  // An APP1 dropped by the APPn step is still converted.
  runCase({"after RemoveAppX", cases[0].app1, [](CBulkFilterSettings& s, CSettings&) { s.RemoveAppX = 1; }, 300, 72, ""},
          "c.jpg");
}

TEST_F(BulkFilterTest, AnUnreadableExifBlockStaysAsItIs) {
  const Bytes src = Jpeg({Segment(0xE1, {'E', 'x', 'i', 'f', 0, 0, 'X', 'X', 0, 0})}, PictureBody());
  Put("a.jpg", src);
  s.ConvertExif = 1;
  Run();
  EXPECT_EQ(ReadFileBytes(out + "/a.jpg"), src);
}

TEST_F(BulkFilterTest, AnOutputLargerThanItsSourceMakesTheSavedTotalNegative) {
  // A JIS user comment written as UTF-8: two bytes per character become three.
  s.ConvertExif = s.ExifUserCmt = 1;
  app.AutoWriteCharset = 0;
  app.WriteCharset = CS_UTF8;
  Bytes jis = {0x1B, '$', 'B'};
  for (int i = 0; i < 100; ++i) Append(jis, {0x46, 0x7C});  // 日
  Append(jis, {0x1B, '(', 'B'});
  TiffBuilder t(false);
  const Bytes src = Jpeg({ExifApp1With(t, {}, {t.Undefined(TAG_USER_COMMENT, UserComment("JIS", jis))})}, PictureBody());
  Put("a.jpg", src);
  auto f = Run();
  const int64_t grown = static_cast<int64_t>(ReadFileBytes(out + "/a.jpg").size()) - static_cast<int64_t>(src.size());
  ASSERT_GT(grown, 0);
  EXPECT_EQ(f->SavedBytes(), -grown);
  EXPECT_EQ(BulkFilterResultText(f->Converted(), f->SavedBytes()),
            "1 files converted     (" + std::to_string(-grown) + " バイトの削減)");
}

// ---- real camera files ----

TEST_F(BulkFilterTest, CameraFilesWithEveryOptionKeepTheirPixelsAndAddUpTheSavedBytes) {
  const std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "camera corpus not on this machine";
  std::vector<std::string> files = ListJpegFiles(corpus + "/camera");
  const auto more = ListJpegFiles(corpus + "/exif-org");
  files.insert(files.end(), more.begin(), more.end());
  ASSERT_FALSE(files.empty());
  for (const std::string& f : files) Put(f.substr(f.rfind('/') + 1), ReadFileBytes(f));
  s = CBulkFilterSettings();
  s.SrcDirectory = in;
  s.DstDirectory = out;
  s.LogFilePath = dir.File("log.htm");
  s.CreateLog = 1;
  s.RemoveThumb = s.RemoveJFXX = s.RemoveAppX = s.RemoveCOM = s.UniteDQT = s.UniteDHT = 1;
  auto run = Run();
  EXPECT_EQ(run->Converted(), static_cast<int>(files.size()));
  int64_t saved = 0;
  int converted = 0;
  for (const std::string& f : files) {
    const std::string name = f.substr(f.rfind('/') + 1);
    const Bytes src = ReadFileBytes(f);
    const std::string o = out + "/" + name;
    ExpectSamePixels(src, o);
    saved += static_cast<int64_t>(src.size()) - static_cast<int64_t>(ReadFileBytes(o).size());
    const std::vector<int> codes = Codes(o);
    for (int c = 0xE1; c <= 0xEF; ++c) EXPECT_EQ(Count(codes, c), 0) << name;
    EXPECT_LE(Count(codes, 0xDB), 1) << name;
    EXPECT_GE(Count(codes, 0xE0), 1) << name;
    converted += Log().find("\">" + Real(out) + "/" + name + "</A>") != std::string::npos;
  }
  EXPECT_EQ(run->SavedBytes(), saved);
  EXPECT_GT(saved, 0);
  EXPECT_EQ(converted, static_cast<int>(files.size()));
}

TEST_F(BulkFilterTest, OddCorpusFilesNeitherCrashNorLoseTheirSourceInPlace) {
  const std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "camera corpus not on this machine";
  const auto files = ListJpegFiles(corpus + "/invalid");
  for (const std::string& f : files) Put(f.substr(f.rfind('/') + 1), ReadFileBytes(f));
  s.DstDirectory = in;
  s.ConvertExif = 1;
  s.UniteDHT = s.UniteDQT = 1;
  Run();
  for (const std::string& f : files) {
    const std::string mine = in + "/" + f.substr(f.rfind('/') + 1);
    DecodedJpeg a, b;
    // Whatever libjpeg makes of the source, it makes of the output.
    const bool readable = DecodeJpeg(ReadFileBytes(f), a);
    EXPECT_EQ(DecodeJpeg(ReadFileBytes(mine), b), readable) << f;
    if (readable) {
      EXPECT_TRUE(a.pixels == b.pixels) << f;
    }
  }
  EXPECT_EQ(Entries(tmp).size(), 0u);
}

// ---- the log ----

TEST_F(BulkFilterTest, LogHasExactLinesPerFileAndRedErrorLines) {
  const Bytes src = Jpeg({Jfif(), Com("drop me")}, PictureBody(48, 32));
  Put("a.jpg", src);
  Put("bad.jpg", {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'});
  s.CreateLog = 1;
  s.RemoveCOM = 1;
  auto f = Run();
  const uint32_t size = static_cast<uint32_t>(ReadFileBytes(out + "/a.jpg").size());
  const ByteCountText t = FormatByteCount(size);
  const std::string want = "<HTML><BODY>\n"
                           "<A href=\"./a.jpg\">" + Real(out) + "/a.jpg</A><BR>\n"
                           "width=48 height=32 (" + t.shortText + "bytes)<BR>\n"
                           "Size=" + t.grouped + "bytes(11)<BR>\n"
                           "<BR>\n\n"
                           "<FONT color=\"red\"><STRONG>[Can't open file : " + Real(in) + "/bad.jpg]"
                           "</STRONG></FONT><BR>\n"
                           "</BODY></HTML>\n";
  EXPECT_EQ(Log(), want);
  EXPECT_EQ(f->Attempted(), 2);
  EXPECT_EQ(f->Converted(), 1);
  EXPECT_EQ(f->SavedBytes(), 11);
  EXPECT_FALSE(FileExists(out + "/bad.jpg"));
}

TEST_F(BulkFilterTest, NamesInTheLogCannotInjectMarkup) {
  Put("a<b>&\"c.jpg", Jpeg({Jfif()}, PictureBody()));
  s.CreateLog = 1;
  Run();
  const std::string log = Log();
  EXPECT_NE(log.find("<A href=\"./a&lt;b&gt;&amp;&quot;c.jpg\">"), std::string::npos) << log;
  EXPECT_EQ(log.find("<b>"), std::string::npos);
}

TEST_F(BulkFilterTest, RootErrorsStopTheRunWithTheirMessages) {
  s.SrcDirectory = dir.File("missing-in");
  CBulkFilter a(app, sink, s);
  EXPECT_EQ(a.FilterRun(1), 0);
  s.SrcDirectory = in;
  s.DstDirectory = dir.File("missing-out");
  CBulkFilter b(app, sink, s);
  EXPECT_EQ(b.FilterRun(1), 0);
  s.DstDirectory = out;
  s.CreateLog = 1;
  s.LogFilePath = dir.File("no-such-folder/log.htm");
  CBulkFilter c(app, sink, s);
  EXPECT_EQ(c.FilterRun(1), 0);
  ASSERT_EQ(sink.messages.size(), 3u);
  EXPECT_EQ(sink.messages[0].text, "BulkFlt:転送元ディレクトリが存在しません\n" + dir.File("missing-in"));
  EXPECT_EQ(sink.messages[1].text, "BulkFlt:転送先ディレクトリが存在しません\n" + dir.File("missing-out"));
  EXPECT_EQ(sink.messages[2].text, "BulkFlt:ログファイルが作成できません\n" + dir.File("no-such-folder/log.htm"));
}

TEST_F(BulkFilterTest, TheCommandCountsRunsAndReportsConvertedFilesOnly) {
  const Bytes src = Jpeg({Jfif(), Com("x")}, PictureBody());
  Put("a.jpg", src);
  Put("b.jpg", src);
  Put("c.jpg", {1, 2, 3});
  s.RemoveCOM = 1;
  CBulkFilter f(app, sink, s);
  f.m_pProgress = &progress;
  EXPECT_FALSE(f.RunCommand());  // one file failed
  EXPECT_EQ(progress.range, 3);
  EXPECT_EQ(progress.counters.back(), "3 / 3");
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "2 files converted     (10 バイトの削減)");
  EXPECT_EQ(sink.messages[0].style, MB_OK | MB_ICONINFORMATION);
}

// ---- names, folders, recursion ----

TEST_F(BulkFilterTest, OutputNamesTakeJpgAndTheExtensionListChoosesTheFiles) {
  const Bytes src = Jpeg({Jfif()}, PictureBody());
  Put("a.jpeg", src);
  Put("B.JFIF", src);
  Put("noext", src);
  Put("c.txt", src);
  Run();
  EXPECT_EQ(Entries(out), (std::vector<std::string>{"B.jpg", "a.jpg"}));
  s.ExtFilter = 0;
  s.CreateLog = 1;
  Run();
  EXPECT_EQ(Entries(out), (std::vector<std::string>{"B.jpg", "a.jpg", "c.jpg", "noext.jpg"}));
  // Case-insensitive order.
  const std::string log = Log();
  EXPECT_LT(log.find("\"./a.jpg\""), log.find("\"./B.jpg\""));
  EXPECT_LT(log.find("\"./B.jpg\""), log.find("\"./c.jpg\""));
  EXPECT_LT(log.find("\"./c.jpg\""), log.find("\"./noext.jpg\""));
}

TEST_F(BulkFilterTest, RecursionMirrorsTheTreeAndMakesFoldersOnlyWhenNeeded) {
  const Bytes src = Jpeg({Jfif()}, PictureBody());
  MakeDir(in + "/sub");
  MakeDir(in + "/sub/deeper");
  MakeDir(in + "/empty");
  MakeDir(in + "/onlydirs");
  MakeDir(in + "/onlydirs/x");
  Put("a.jpg", src);
  Put("c.jpg", src, in + "/sub");
  Put("d.jpg", src, in + "/sub/deeper");
  Put("e.jpg", src, in + "/onlydirs/x");
  s.CreateLog = 1;
  Run();
  EXPECT_EQ(Entries(out), (std::vector<std::string>{"a.jpg"}));
  s.RecurseDir = 1;
  auto f = Run();
  EXPECT_EQ(f->Converted(), 4);
  EXPECT_EQ(Entries(out), (std::vector<std::string>{"a.jpg", "onlydirs", "sub"}));
  EXPECT_EQ(Entries(out + "/sub"), (std::vector<std::string>{"c.jpg", "deeper"}));
  EXPECT_EQ(Entries(out + "/sub/deeper"), (std::vector<std::string>{"d.jpg"}));
  EXPECT_EQ(Entries(out + "/onlydirs/x"), (std::vector<std::string>{"e.jpg"}));
  const std::string log = Log();
  const size_t a = log.find("href=\"./a.jpg\""), e = log.find("href=\"./onlydirs/x/e.jpg\""),
               c = log.find("href=\"./sub/c.jpg\""), d = log.find("href=\"./sub/deeper/d.jpg\"");
  ASSERT_NE(d, std::string::npos);
  EXPECT_LT(a, e);
  EXPECT_LT(e, c);
  EXPECT_LT(c, d);
}

TEST_F(BulkFilterTest, ADestinationInsideTheSourceAndALinkLoopAreWalkedOnce) {
  const Bytes src = Jpeg({Jfif()}, PictureBody());
  MakeDir(in + "/sub");
  Put("a.jpg", src);
  Put("b.jpg", src, in + "/sub");
  ASSERT_EQ(::symlink("..", (in + "/sub/up").c_str()), 0);
  s.DstDirectory = in + "/out";
  MakeDir(s.DstDirectory);
  s.RecurseDir = 1;
  auto f = Run();
  EXPECT_EQ(f->Converted(), 2);
  EXPECT_EQ(Entries(in + "/out"), (std::vector<std::string>{"a.jpg", "sub"}));
  EXPECT_EQ(Entries(in + "/out/sub"), (std::vector<std::string>{"b.jpg"}));
}

TEST_F(BulkFilterTest, InPlaceRewritesThroughATemporaryFileAndLeavesNoneBehind) {
  const Bytes src = Jpeg({Jfif(), Com("c")}, PictureBody());
  Put("a.jpg", src);
  s.DstDirectory = in;
  s.RemoveCOM = 1;
  auto f = Run();
  EXPECT_EQ(f->Converted(), 1);
  EXPECT_EQ(ReadFileBytes(in + "/a.jpg").size(), src.size() - 5);
  ExpectSamePixels(src, in + "/a.jpg");
  EXPECT_EQ(Entries(in), (std::vector<std::string>{"a.jpg"}));
  EXPECT_EQ(Entries(tmp).size(), 0u);
}

TEST_F(BulkFilterTest, InPlaceNeverOverwritesAnotherSourceOfTheSameName) {
  const Bytes first = Jpeg({Jfif(), Com("jpeg")}, PictureBody(32, 32, false, 1));
  const Bytes second = Jpeg({Jfif(), Com("jpg")}, PictureBody(32, 32, false, 2));
  Put("a.jpeg", first);
  Put("a.jpg", second);
  s.DstDirectory = in;
  s.CreateLog = 1;
  Run();
  EXPECT_EQ(ReadFileBytes(in + "/a.jpeg"), first);
  ExpectSamePixels(second, in + "/a.jpg");
  EXPECT_NE(Log().find("[Can't Save to " + Real(in) + "/a.jpg]"), std::string::npos);
}

// ---- abort ----

TEST_F(BulkFilterTest, AbortStopsBetweenFiles) {
  const Bytes src = Jpeg({Jfif()}, PictureBody());
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) Put(n, src);
  progress.abortAfterSteps = 2;
  auto f = Run();
  EXPECT_TRUE(f->Aborted());
  EXPECT_EQ(f->Converted(), 2);
  EXPECT_EQ(Entries(out), (std::vector<std::string>{"a.jpg", "b.jpg"}));

  // A quitting event loop counts as an abort too.
  progress = ScriptedProgress();
  TempDir other;
  s.DstDirectory = other.Path();
  int pumps = 0;
  auto g = Run([&](CBulkFilter& w) { w.pump = [&] { return ++pumps < 2; }; });
  EXPECT_TRUE(g->Aborted());
  EXPECT_EQ(Entries(other.Path()), (std::vector<std::string>{"a.jpg"}));
}

// ---- a source is never lost ----

TEST_F(BulkFilterTest, AFolderInTheWayOfTheOutputFileFailsThatFileOnly) {
  const Bytes src = Jpeg({Jfif(), Com("x")}, PictureBody());
  Put("a.jpg", src);
  Put("b.jpg", src);
  MakeDir(out + "/a.jpg");
  s.CreateLog = 1;
  s.RemoveCOM = 1;
  auto f = Run();
  EXPECT_EQ(ReadFileBytes(in + "/a.jpg"), src);
  EXPECT_EQ(f->Converted(), 1);
  EXPECT_EQ(f->SavedBytes(), 5);
  EXPECT_NE(Log().find("<FONT color=\"red\"><STRONG>[Can't Save to " + Real(out) + "/a.jpg]</STRONG></FONT><BR>\n"),
            std::string::npos);
  EXPECT_EQ(Entries(out), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(Entries(out + "/a.jpg").size(), 0u);
}

TEST_F(BulkFilterTest, AFileInTheWayOfAnOutputFolderSkipsThatFolderWithItsMessage) {
  const Bytes src = Jpeg({Jfif()}, PictureBody());
  MakeDir(in + "/sub");
  Put("c.jpg", src, in + "/sub");
  Put("d.jpg", src, in + "/sub");
  WriteFileText(out + "/sub", "in the way");
  s.CreateLog = 1;
  s.RecurseDir = 1;
  auto f = Run();
  EXPECT_EQ(f->Converted(), 0);
  EXPECT_EQ(test::ReadFileText(out + "/sub"), "in the way");
  EXPECT_EQ(ReadFileBytes(in + "/sub/c.jpg"), src);
  EXPECT_NE(Log().find("<FONT color=\"red\"><STRONG>[Can't MKDIR of " + Real(out) + "/sub]\n</STRONG></FONT><BR>\n"),
            std::string::npos)
      << Log();
  EXPECT_EQ(f->Attempted(), 1);  // the rest of the folder is skipped
}

TEST_F(BulkFilterTest, AReadOnlyFileIsNeverReplaced) {
  const Bytes src = Jpeg({Jfif(), Com("x")}, PictureBody());
  Put("a.jpg", src);
  WriteFileText(out + "/a.jpg", "older output");
  ::chmod((out + "/a.jpg").c_str(), 0444);
  s.RemoveCOM = 1;
  auto f = Run();
  EXPECT_EQ(f->Converted(), 0);
  EXPECT_EQ(test::ReadFileText(out + "/a.jpg"), "older output");
  // In place: a read-only source stays as it is.
  ::chmod((in + "/a.jpg").c_str(), 0444);
  s.DstDirectory = in;
  auto g = Run();
  EXPECT_EQ(g->Converted(), 0);
  EXPECT_EQ(ReadFileBytes(in + "/a.jpg"), src);
  EXPECT_EQ(Entries(in), (std::vector<std::string>{"a.jpg"}));
}

TEST_F(BulkFilterTest, AFailedWriteLeavesTheSourceAndNoPartialFiles) {
  const Bytes src = Jpeg({Jfif(), Com("x")}, PictureBody(256, 192));
  ASSERT_GT(src.size(), 4000u);
  Put("a.jpg", src);
  s.RemoveCOM = 1;
  for (const std::string& dst : {out, in}) {
    s.DstDirectory = dst;
    std::unique_ptr<CBulkFilter> f;
    {
      test::FileSizeLimit limit(2000);
      f = Run();
    }
    EXPECT_EQ(f->Converted(), 0) << dst;
    EXPECT_EQ(ReadFileBytes(in + "/a.jpg"), src) << dst;
    EXPECT_EQ(Entries(in), (std::vector<std::string>{"a.jpg"})) << dst;
    EXPECT_EQ(Entries(out).size(), 0u) << dst;
    EXPECT_EQ(Entries(tmp).size(), 0u) << dst;
  }
}

TEST_F(BulkFilterTest, AReplaceThatFailsHalfwayLeavesTheSourceWhole) {
  const Bytes src = Jpeg({Jfif(), Com("x")}, PictureBody(256, 192));
  ASSERT_GT(src.size(), 4000u);
  Put("a.jpg", src);
  s.DstDirectory = in;
  s.RemoveCOM = 1;
  s.CreateLog = 1;
  std::optional<test::FileSizeLimit> limit;
  // The new content is complete; copying it over the source then runs out.
  auto f = Run([&](CBulkFilter& w) { w.beforeReplace = [&] { limit.emplace(2000); }; });
  limit.reset();
  EXPECT_EQ(f->Converted(), 0);
  EXPECT_EQ(ReadFileBytes(in + "/a.jpg"), src);
  EXPECT_EQ(Entries(in), (std::vector<std::string>{"a.jpg"}));
  EXPECT_EQ(Entries(tmp).size(), 0u);
  EXPECT_NE(Log().find("[Can't Save to " + Real(in) + "/a.jpg]"), std::string::npos);
  ASSERT_FALSE(sink.messages.empty());
  EXPECT_EQ(sink.messages.back().text.rfind("MoveTemp:", 0), 0u);
}

TEST_F(BulkFilterTest, AReadOnlyFolderLeavesItsSourcesAsTheyWere) {
  const Bytes src = Jpeg({Jfif(), Com("x")}, PictureBody());
  Put("a.jpg", src);
  s.DstDirectory = in;
  s.RemoveCOM = 1;
  if (::geteuid() != 0) {
    ::chmod(in.c_str(), 0555);
    auto f = Run();
    ::chmod(in.c_str(), 0755);
    EXPECT_EQ(f->Converted(), 0);
    EXPECT_EQ(ReadFileBytes(in + "/a.jpg"), src);
    EXPECT_EQ(Entries(in), (std::vector<std::string>{"a.jpg"}));
    return;
  }
  // Permissions do not bind root: a read-only mount does.
  EXPECT_CHILD_OK(InPrivateMounts([&]() -> std::string {
    if (::mount(in.c_str(), in.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, in.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
      return "skip: no read-only bind mount here";
    CBulkFilter f(app, sink, s);
    if (f.FilterRun(1) != 1) return "run did not start";
    if (f.Converted() != 0) return "a file in a read-only folder counted as converted";
    if (ReadFileBytes(in + "/a.jpg") != src) return "source changed";
    if (Entries(in) != std::vector<std::string>{"a.jpg"}) return "stray files in the folder";
    if (!Entries(tmp).empty()) return "stray temporary files";
    return "";
  }));
}

TEST_F(BulkFilterTest, AFullFileSystemLeavesTheSourceWholeInPlaceAndBeside) {
  const std::string corpus = CorpusDir();
  const Bytes src = Jpeg({Jfif(), Com("x")}, PictureBody(256, 192));
  const std::string mnt = dir.File("small");
  MakeDir(mnt);
  s.RemoveCOM = 1;
  s.CreateLog = 1;
  EXPECT_CHILD_OK(InPrivateMounts([&]() -> std::string {
    if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=256k") != 0) return "skip: no tmpfs mount here";
    const std::string srcDir = mnt + "/in", outDir = mnt + "/out";
    ::mkdir(srcDir.c_str(), 0755);
    ::mkdir(outDir.c_str(), 0755);
    WriteFileBytes(srcDir + "/a.jpg", src);
    if (ReadFileBytes(srcDir + "/a.jpg") != src) return "setup: source not written";
    // Fill what is left.
    const int fd = ::open((mnt + "/filler").c_str(), O_CREAT | O_WRONLY, 0644);
    const std::vector<char> block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
    s.SrcDirectory = srcDir;
    for (const std::string& dst : {srcDir, outDir}) {
      s.DstDirectory = dst;
      CBulkFilter f(app, sink, s);  // the temporary folder is on another disk
      if (f.FilterRun(1) != 1) return "run did not start";
      if (f.Converted() != 0) return "a file on a full disk counted as converted (" + dst + ")";
      if (ReadFileBytes(srcDir + "/a.jpg") != src) return "source changed (" + dst + ")";
      if (Entries(srcDir) != std::vector<std::string>{"a.jpg"}) return "stray files beside the source";
      if (!Entries(outDir).empty()) return "partial output left";
      if (!Entries(tmp).empty()) return "stray temporary files";
      if (test::ReadFileText(s.LogFilePath).find("[Can't Save to " + dst + "/a.jpg]") == std::string::npos)
        return "no error line in the log";
    }
    return "";
  }));
}

TEST_F(BulkFilterTest, AFileCutShortKeepsEveryByteAfterItsHeaders) {
  const Bytes body = PictureBody(64, 64);
  const Bytes whole = Jpeg({Jfif(), Com("comment")}, body);
  const Bytes cut(whole.begin(), whole.end() - 100);  // no EOI, scan data cut
  Put("a.jpg", cut);
  s.DstDirectory = in;
  s.RemoveCOM = 1;
  auto f = Run();
  EXPECT_EQ(f->Converted(), 1);
  const Bytes withoutComment = Jpeg({Jfif()}, body);
  EXPECT_EQ(ReadFileBytes(in + "/a.jpg"), Bytes(withoutComment.begin(), withoutComment.end() - 100));
}

// ---- the gathered write against the streamed one ----

// The output beside the source (read whole, written in one gathered call)
// and the output of an in-place rewrite (streamed from the file) must be the
// same bytes.
class GatheredWriteTest : public BulkFilterTest {
protected:
  void ExpectBothWaysAlike(const Bytes& src, const std::string& what) {
    const std::string inPlace = dir.File("inplace");
    if (!FileExists(inPlace)) MakeDir(inPlace);
    Put("a.jpg", src);
    Put("a.jpg", src, inPlace);
    s.SrcDirectory = in;
    s.DstDirectory = out;
    EXPECT_EQ(Run()->Converted(), 1) << what;
    s.SrcDirectory = s.DstDirectory = inPlace;
    EXPECT_EQ(Run()->Converted(), 1) << what;
    const Bytes beside = ReadFileBytes(out + "/a.jpg");
    EXPECT_TRUE(beside == ReadFileBytes(inPlace + "/a.jpg")) << what << ": " << beside.size() << " bytes";
    EXPECT_EQ(Entries(out), (std::vector<std::string>{"a.jpg"})) << what;
  }
};

TEST_F(GatheredWriteTest, MoreScanGapsThanOneCallTakesAndSegmentsAfterTheScan) {
  // Each gap: two DHTs merged into a new record, a COM dropped, an SOS and
  // scan bytes kept: more pieces than IOV_MAX.
  Bytes body;
  for (int i = 0; i < 1500; ++i) {
    Append(body, Dht());
    Append(body, Dht());
    Append(body, Com("gap " + std::to_string(i)));
    Append(body, Sos());
    Append(body, {uint8_t(i), 0xFF, 0x00, 0x12, 0xFF, uint8_t(0xD0 + i % 8), 0x34});
  }
  Append(body, Com("after the scan"));
  Append(body, App(2, "after the scan too"));
  Append(body, {0xFF, 0xD9, 'x', 'y'});  // bytes after EOI go
  const Bytes src = Jpeg({Jfif(), Dqt(0, 1), Sof0()}, body);
  s.UniteDHT = s.RemoveCOM = 1;
  ExpectBothWaysAlike(src, "many gaps");
  const std::vector<int> codes = Codes(out + "/a.jpg");
  EXPECT_EQ(Count(codes, 0xC4), 1500);
  EXPECT_EQ(Count(codes, 0xFE), 0);
  EXPECT_EQ(Count(codes, 0xE2), 1);
  const Bytes written = ReadFileBytes(out + "/a.jpg");
  EXPECT_EQ(Bytes(written.end() - 2, written.end()), (Bytes{0xFF, 0xD9}));
}

TEST_F(GatheredWriteTest, CutShortOddAndCameraFilesComeOutAlike) {
  const Bytes whole = Jpeg({Jfif(), Com("comment")}, PictureBody(64, 64));
  std::vector<std::pair<std::string, Bytes>> files = {
      {"cut in the scan", Bytes(whole.begin(), whole.end() - 100)},
      {"cut in a segment", Bytes(whole.begin(), whole.begin() + 30)},
  };
  const std::string corpus = CorpusDir();
  if (!corpus.empty())
    for (const char* sub : {"/camera", "/invalid"})
      for (const std::string& f : ListJpegFiles(corpus + sub)) files.push_back({f, ReadFileBytes(f)});
  s.RemoveCOM = s.RemoveThumb = s.UniteDQT = s.UniteDHT = s.ConvertExif = s.ExifGenCmt = s.ExifUserCmt = 1;
  for (const auto& [name, bytes] : files) {
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) continue;  // not filtered at all
    ExpectBothWaysAlike(bytes, name);
  }
}

TEST_F(BulkFilterTest, AFileOverTheWholeReadSizeIsStreamedWithTheSameResult) {
  const Bytes body = PictureBody(64, 64);
  const auto padded = [&](size_t pad) {
    Bytes b(body.begin(), body.end() - 2);
    b.resize(b.size() + pad, 0x00);  // zeros are scan data to the parse
    Append(b, {0xFF, 0xD9});
    return b;
  };
  const size_t big = (size_t{64} << 20) + 1000;
  Put("big.jpg", Jpeg({Jfif(), Com("x")}, padded(big)));
  Put("small.jpg", Jpeg({Jfif(), Com("x")}, padded(1000)));
  s.RemoveCOM = 1;
  EXPECT_EQ(Run()->Converted(), 2);
  const Bytes small = ReadFileBytes(out + "/small.jpg");
  EXPECT_EQ(small, Jpeg({Jfif()}, padded(1000)));
  const Bytes large = ReadFileBytes(out + "/big.jpg");
  ASSERT_EQ(large.size(), small.size() + big - 1000);
  EXPECT_TRUE(std::equal(small.begin(), small.end() - 1002, large.begin()));
  EXPECT_TRUE(std::equal(small.end() - 2, small.end(), large.end() - 2));
}

TEST_F(BulkFilterTest, NamesMeetingInOneOutputEndAlikeInANewAndAnExistingFolder) {
  // "a", "a.jpeg" and "a.jpg" all become a.jpg; the last in order wins, as
  // when the folder was there before the run.
  MakeDir(in + "/sub");
  Put("a", Jpeg({Com("first")}, PictureBody()), in + "/sub");
  Put("a.jpeg", Jpeg({Com("second")}, PictureBody()), in + "/sub");
  const Bytes last = Jpeg({Com("third")}, PictureBody());
  Put("a.jpg", last, in + "/sub");
  Put("b.jpg", last, in + "/sub");
  s.ExtFilter = 0;
  s.RecurseDir = 1;
  for (bool folderThere : {false, true}) {
    if (folderThere) MakeDir(out + "/sub");
    auto f = Run();
    EXPECT_EQ(f->Converted(), 4) << folderThere;
    EXPECT_EQ(ReadFileBytes(out + "/sub/a.jpg"), last) << folderThere;
    EXPECT_EQ(Entries(out + "/sub"), (std::vector<std::string>{"a.jpg", "b.jpg"})) << folderThere;
    ASSERT_EQ(::system(("rm -rf '" + out + "/sub'").c_str()), 0);
  }
}

TEST_F(BulkFilterTest, AFileThatIsNoJpegIsNotRewritten) {
  const Bytes junk = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFE, 0, 4, 'x', 'y'};
  Put("a.jpg", junk);
  s.DstDirectory = in;
  s.RemoveCOM = 1;
  auto f = Run();
  EXPECT_EQ(f->Converted(), 0);
  EXPECT_EQ(ReadFileBytes(in + "/a.jpg"), junk);
}

// ---- temporary files ----

void SetBack(const std::string& path, int seconds) {
  const time_t then = std::time(nullptr) - seconds;
  const timeval times[2] = {{then, 0}, {then, 0}};
  ASSERT_EQ(::utimes(path.c_str(), times), 0) << path;
}

TEST_F(BulkFilterTest, ARunSweepsStaleTemporariesFromItsOutputAndTemporaryFolders) {
  const Bytes src = Jpeg({Jfif()}, PictureBody());
  MakeDir(in + "/sub");
  Put("a.jpg", src);
  Put("b.jpg", src, in + "/sub");
  MakeDir(out + "/sub");
  for (const std::string& p : {out + "/.quorvex-1234.tmp", out + "/sub/.quorvex-Zz09aB.tmp", tmp + "/.quorvex-4321.tmp",
                               out + "/quorvex1234.jpg"}) {
    WriteFileText(p, "left by a killed run");
    SetBack(p, 3600);
  }
  WriteFileText(out + "/.quorvex-5678.tmp", "another run's, in progress");
  WriteFileText(tmp + "/.quorvex-8765.tmp", "another run's, in progress");
  s.RecurseDir = 1;
  auto f = Run();
  EXPECT_EQ(f->Converted(), 2);
  EXPECT_EQ(Entries(out), (std::vector<std::string>{".quorvex-5678.tmp", "a.jpg", "quorvex1234.jpg", "sub"}));
  EXPECT_EQ(Entries(out + "/sub"), (std::vector<std::string>{"b.jpg"}));
  EXPECT_EQ(Entries(tmp), (std::vector<std::string>{".quorvex-8765.tmp"}));
}

TEST_F(BulkFilterTest, InPlaceNewContentWaitsUnderAHiddenNonImageName) {
  const Bytes src = Jpeg({Jfif(), Com("c")}, PictureBody());
  Put("a.jpg", src);
  s.DstDirectory = in;
  s.RemoveCOM = 1;
  std::vector<std::string> waiting;
  Bytes content;
  auto f = Run([&](CBulkFilter& w) {
    w.beforeReplace = [&] {
      waiting = Entries(tmp);
      if (waiting.size() == 1) content = ReadFileBytes(tmp + "/" + waiting[0]);
    };
  });
  EXPECT_EQ(f->Converted(), 1);
  ASSERT_EQ(waiting.size(), 1u);
  EXPECT_TRUE(IsTempFileName(waiting[0])) << waiting[0];
  EXPECT_EQ(content, Jpeg({Jfif()}, PictureBody()));
  EXPECT_EQ(ReadFileBytes(in + "/a.jpg"), content);
  EXPECT_EQ(Entries(in), (std::vector<std::string>{"a.jpg"}));
  EXPECT_EQ(Entries(tmp).size(), 0u);
}

TEST_F(BulkFilterTest, AnotherRunsTemporaryIsNoInputEvenWithoutTheExtensionList) {
  const Bytes src = Jpeg({Jfif()}, PictureBody());
  Put("a.jpg", src);
  Put(".quorvex-1234.tmp", src);  // complete, but not yet renamed into place
  s.ExtFilter = 0;
  auto f = Run();
  EXPECT_EQ(f->Attempted(), 1);
  EXPECT_EQ(Entries(out), (std::vector<std::string>{"a.jpg"}));
  EXPECT_EQ(ReadFileBytes(in + "/.quorvex-1234.tmp"), src);
}

} // namespace
