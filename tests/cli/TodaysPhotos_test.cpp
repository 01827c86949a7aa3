// The main job on the photos people have today, run as a user runs it:
// large sources, camera orientation, the shooting date, existing device
// files; and today's device files staying byte for byte what they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>
#include <sys/time.h>
#include <zlib.h>

#include "support/TestSupport.h"

namespace {

using qv::test::TempDir;

// "Exif\0\0" and a little-endian TIFF block whose IFD0 holds Orientation
// and, when given, DateTimeOriginal through an Exif IFD.
std::vector<uint8_t> ExifApp1(int orientation, const std::string& date = "") {
  std::vector<uint8_t> t = {'I', 'I', 42, 0, 8, 0, 0, 0};
  auto u16 = [&](unsigned v) { t.push_back(v & 0xFF), t.push_back((v >> 8) & 0xFF); };
  auto u32 = [&](unsigned v) { u16(v & 0xFFFF), u16(v >> 16); };
  const bool withDate = !date.empty();
  u16(withDate ? 2 : 1);
  u16(274), u16(3), u32(1), u16(static_cast<unsigned>(orientation)), u16(0);
  const unsigned exifIfd = 8 + 2 + 12 * (withDate ? 2 : 1) + 4;
  if (withDate) u16(34665), u16(4), u32(1), u32(exifIfd);
  u32(0);
  if (withDate) {
    u16(1);
    u16(36867), u16(2), u32(20), u32(exifIfd + 2 + 12 + 4);
    u32(0);
    t.insert(t.end(), date.begin(), date.end());
    t.push_back(0);
  }
  std::vector<uint8_t> seg(10 + t.size());
  const uint8_t head[10] = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  std::copy(head, head + 10, seg.begin());
  std::copy(t.begin(), t.end(), seg.begin() + 10);
  seg[2] = static_cast<uint8_t>((seg.size() - 2) >> 8);
  seg[3] = static_cast<uint8_t>(seg.size() - 2);
  return seg;
}

std::vector<uint8_t> WithSegment(std::vector<uint8_t> jpeg, const std::vector<uint8_t>& segment) {
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  return jpeg;
}

// A wide picture, dark but for a bright red block in its top-left corner.
std::vector<uint8_t> CornerPicture(int w, int h) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3, 20);
  for (int y = 0; y < h / 4; ++y)
    for (int x = 0; x < w / 4; ++x) {
      uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = 250, p[1] = 10, p[2] = 10;
    }
  return px;
}

class TodaysPhotos : public ::testing::Test {
protected:
  TempDir dir;
  void SetUp() override { ::mkdir(dir.File("in").c_str(), 0755); }
  std::string Put(const std::string& name, const std::vector<uint8_t>& bytes) {
    qv::test::WriteFileBytes(dir.File("in/" + name), bytes);
    return dir.File("in/" + name);
  }
  std::string Photo(const std::string& name, int w, int h, unsigned seed = 1) {
    return Put(name, qv::test::EncodeJpeg(qv::test::MakeTestPicture(w, h, seed), w, h, 3, 85));
  }
  qv::test::CliResult Convert(std::vector<std::string> args) {
    args.insert(args.begin(), "convert");
    return qv::test::RunCli(dir.File("config"), args);
  }
  void Settings(const std::string& text) {
    ::mkdir(dir.File("config").c_str(), 0755);
    qv::test::WriteFileText(dir.File("config/quorvex.ini"), "[default]\n" + text);
  }
  qv::test::DecodedJpeg Device(const std::string& name) {
    qv::test::DecodedJpeg d;
    EXPECT_TRUE(qv::test::DecodeJpeg(qv::test::ReadFileBytes(dir.File("out/" + name)), d)) << name;
    return d;
  }
};

// The quarter of the canvas where the picture's red corner block landed.
std::string RedCorner(const qv::test::DecodedJpeg& d) {
  int count[2][2] = {};
  for (int y = 0; y < d.height; ++y)
    for (int x = 0; x < d.width; ++x) {
      const uint8_t* p = &d.pixels[(static_cast<size_t>(y) * d.width + x) * 3];
      if (p[0] > 150 && p[1] < 90) ++count[y * 2 / d.height][x * 2 / d.width];
    }
  std::string where;
  for (int cy : {0, 1})
    for (int cx : {0, 1})
      if (count[cy][cx] > 1000) where += std::string(cy ? "bottom" : "top") + (cx ? "-right" : "-left");
  return where;
}

TEST_F(TodaysPhotos, LargeSourcesConvertScaledAndAreRefusedWhenSwitchedOff) {
  Photo("a-6000x4000.jpg", 6000, 4000);
  Photo("b-5001x10.jpg", 5001, 10);
  auto r = Convert({"--in", dir.File("in"), "--out", dir.File("out")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Device("Imag0001.jpg").width, 1024);
  EXPECT_EQ(Device("Imag0002.jpg").height, 768);
  r = qv::test::RunCli(dir.File("config"), {"info", dir.File("in/a-6000x4000.jpg")});
  EXPECT_NE(r.out.find("4500x3000 "), std::string::npos) << r.out;  // 6/8
  EXPECT_NE(r.out.find("6/8 of 6000x4000"), std::string::npos) << r.out;

  Settings("ShrinkLargeImages=0\n");
  r = Convert({"--in", dir.File("in"), "--out", dir.File("off")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Pixel size of '" + dir.File("in/a-6000x4000.jpg") + "' is too large."), std::string::npos)
      << r.err;
  EXPECT_TRUE(qv::test::FolderEntries(dir.File("off")).empty());
}

TEST_F(TodaysPhotos, EveryOrientationComesOutUprightAndAutoRotateOffKeepsTodaysBytes) {
  const int w = 320, h = 200;
  const auto stored = qv::test::EncodeJpeg(CornerPicture(w, h), w, h, 3, 90);
  // The corner block as seen, for the stored top-left corner under each tag.
  const char* seen[9] = {"", "top-left", "top-right", "bottom-right", "bottom-left",
                         "top-left", "top-right", "bottom-right", "bottom-left"};
  for (int k = 1; k <= 8; ++k) Put("o" + std::to_string(k) + ".jpg", WithSegment(stored, ExifApp1(k)));
  auto r = Convert({"--in", dir.File("in"), "--out", dir.File("out")});
  ASSERT_EQ(r.status, 0) << r.err;
  for (int k = 1; k <= 8; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "Imag%04d.jpg", k);
    EXPECT_EQ(RedCorner(Device(name)), seen[k]) << "orientation " << k;
  }
  // Switched off, every file converts as it is stored, byte for byte as before.
  Settings("AutoRotate=0\n");
  r = Convert({"--in", dir.File("in"), "--out", dir.File("off")});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto first = qv::test::ReadFileBytes(dir.File("off/Imag0001.jpg"));
  for (int k = 2; k <= 8; ++k) {
    char name[24];
    std::snprintf(name, sizeof name, "off/Imag%04d.jpg", k);
    EXPECT_EQ(qv::test::ReadFileBytes(dir.File(name)), first) << k;
  }
  EXPECT_EQ(qv::test::ReadFileBytes(dir.File("out/Imag0001.jpg")), first);
}

TEST_F(TodaysPhotos, DeviceFilesTakeTheShootingDateOrTheSourcesTime) {
  const auto plain = qv::test::EncodeJpeg(qv::test::MakeTestPicture(64, 48), 64, 48, 3, 85);
  Put("a-dated.jpg", WithSegment(plain, ExifApp1(1, "2019:06:01 12:34:56")));
  Put("b-undated.jpg", plain);
  Put("c-zero.jpg", WithSegment(plain, ExifApp1(1, "0000:00:00 00:00:00")));
  const timeval old[2] = {{1000000000, 0}, {1000000000, 0}};  // 2001-09-09
  ASSERT_EQ(::utimes(dir.File("in/b-undated.jpg").c_str(), old), 0);
  ASSERT_EQ(::utimes(dir.File("in/c-zero.jpg").c_str(), old), 0);
  const auto r = Convert({"--in", dir.File("in"), "--out", dir.File("out")});
  ASSERT_EQ(r.status, 0) << r.err;
  std::tm shot{};
  shot.tm_year = 2019 - 1900, shot.tm_mon = 5, shot.tm_mday = 1, shot.tm_hour = 12, shot.tm_min = 34,
  shot.tm_sec = 56, shot.tm_isdst = -1;
  auto mtime = [&](const char* name) {
    struct stat st {};
    EXPECT_EQ(::stat(dir.File(std::string("out/") + name).c_str(), &st), 0);
    return st.st_mtime;
  };
  EXPECT_EQ(mtime("Imag0001.jpg"), std::mktime(&shot));
  EXPECT_EQ(mtime("Imag0002.jpg"), 1000000000);
  EXPECT_EQ(mtime("Imag0003.jpg"), 1000000000);
}

TEST_F(TodaysPhotos, ExistingDeviceFilesAreKeptUnlessOverwriteOrNumberedAfter) {
  Photo("a.jpg", 64, 48, 1);
  Photo("b.jpg", 64, 48, 2);
  ASSERT_EQ(Convert({"--in", dir.File("in"), "--out", dir.File("out")}).status, 0);
  const auto before = qv::test::ReadFileBytes(dir.File("out/Imag0001.jpg"));
  Photo("a.jpg", 64, 48, 3);  // a new photo under the old name

  auto r = Convert({"--in", dir.File("in"), "--out", dir.File("out")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("2 device files would be replaced (the first: Imag0001.jpg); nothing was written"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(qv::test::ReadFileBytes(dir.File("out/Imag0001.jpg")), before);

  r = Convert({"--in", dir.File("in"), "--out", dir.File("out"), "--dry-run"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir.File("in/a.jpg") + " -> Imag0001.jpg (replaces an existing file)\n" + dir.File("in/b.jpg") +
                       " -> Imag0002.jpg (replaces an existing file)\n");
  EXPECT_EQ(qv::test::FolderEntries(dir.File("out")), (std::vector<std::string>{"Imag0001.jpg", "Imag0002.jpg"}));

  r = Convert({"--in", dir.File("in"), "--out", dir.File("out"), "--start", "next", "--verbose"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir.File("in/a.jpg") + " -> Imag0003.jpg\n" + dir.File("in/b.jpg") + " -> Imag0004.jpg\n");
  EXPECT_EQ(qv::test::ReadFileBytes(dir.File("out/Imag0001.jpg")), before);

  r = Convert({"--in", dir.File("in"), "--out", dir.File("out"), "--overwrite"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(qv::test::ReadFileBytes(dir.File("out/Imag0001.jpg")), before);

  // The run's own wrap past 9999 asks the same.
  r = Convert({"--in", dir.File("in"), "--out", dir.File("out"), "--start", "9999"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("1 device files would be replaced (the first: Imag0001.jpg)"), std::string::npos) << r.err;
  EXPECT_FALSE(qv::test::FileExists(dir.File("out/Imag9999.jpg")));
  // No number left after the highest.
  qv::test::WriteFileText(dir.File("out/IMAG9999.JPG"), "x");
  r = Convert({"--in", dir.File("in"), "--out", dir.File("out"), "--start", "next"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no file numbers are left after Imag9999.jpg"), std::string::npos) << r.err;
}

TEST_F(TodaysPhotos, TodaysDeviceFilesStayByteForByte) {
  // Digests taken before the large-source, orientation and date changes.
  struct Digest {
    const char* name;
    size_t size;
    uint32_t crc;
  };
  const Digest samples[] = {{"Imag0001.jpg", 37228, 0xbfdb732f}, {"Imag0002.jpg", 38354, 0xbb8c418f},
                            {"Imag0003.jpg", 28162, 0xc9430530}, {"Imag0004.jpg", 40980, 0x4ad8b593}};
  const Digest camera[] = {{"Imag0001.jpg", 56062, 0xb86f0321}, {"Imag0002.jpg", 62004, 0xa43cc69c},
                           {"Imag0003.jpg", 70454, 0x842fd9f9}, {"Imag0004.jpg", 77300, 0xac60c888},
                           {"Imag0005.jpg", 46446, 0x911325e3}, {"Imag0006.jpg", 33461, 0x095d1ec0},
                           {"Imag0007.jpg", 58391, 0xce8ebafc}, {"Imag0008.jpg", 51506, 0x1a1ea540},
                           {"Imag0009.jpg", 61561, 0x128cd3fe}, {"Imag0010.jpg", 43689, 0x056937e2},
                           {"Imag0011.jpg", 48397, 0xffec2edf}, {"Imag0012.jpg", 42665, 0xd27444bf}};
  auto check = [&](const std::string& in, const std::string& out, const Digest* d, size_t n) {
    const auto r = Convert({"--in", in, "--out", dir.File(out)});
    ASSERT_EQ(r.status, 0) << r.err;
    for (size_t i = 0; i < n; ++i) {
      const auto bytes = qv::test::ReadFileBytes(dir.File(out + "/" + d[i].name));
      EXPECT_EQ(bytes.size(), d[i].size) << out << "/" << d[i].name;
      EXPECT_EQ(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())), d[i].crc) << out << "/" << d[i].name;
    }
  };
  check(QUORVEX_SAMPLES_DIR, "samples", samples, 4);
  const std::string corpus = qv::test::CorpusDir();
  if (!corpus.empty()) check(corpus + "/camera", "camera", camera, 12);
}

} // namespace
