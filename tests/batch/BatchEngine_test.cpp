#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "app/ConverterApp.h"
#include "batch/BatchEngine.h"
#include "batch/BatchRun.h"
#include "batch/BatchSettings.h"
#include "image/ImageDoc.h"
#include "jpegmeta/ExifReader.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;

namespace {

class FakeProgress : public IBatchProgress {
public:
  void SetRange(int total) override { range = total; }
  void SetFileName(const std::string& name) override { names.push_back(name); }
  void SetCounter(const std::string& text) override { counters.push_back(text); }
  void StepIt() override {
    ++steps;
    if (abortAfterSteps > 0 && steps >= abortAfterSteps) aborted = true;
  }
  bool AbortRequested() const override { return aborted; }
  int range = -1, steps = 0, abortAfterSteps = 0;
  bool aborted = false;
  std::vector<std::string> names, counters;
};

class TestHost : public IBatchHost {
public:
  explicit TestHost(CConverterApp& app) : m_app(app) {}
  CImageDoc* OpenWorkDocument(const std::string& t) override {
    title = t;
    doc = std::make_unique<CImageDoc>(m_app);
    return doc.get();
  }
  void CloseWorkDocument(CImageDoc* d) override {
    EXPECT_EQ(d, doc.get());
    lastDescription = doc->m_strDescription;
    doc.reset();
    closed = true;
  }
  IBatchProgress* CreateProgress() override { return &progress; }
  void DestroyProgress(IBatchProgress* p) override {
    EXPECT_EQ(p, &progress);
    progressDestroyed = true;
  }
  std::unique_ptr<CImageDoc> doc;
  FakeProgress progress;
  std::string title, lastDescription;
  bool closed = false, progressDestroyed = false;

private:
  CConverterApp& m_app;
};

class BatchEngineTest : public ::testing::Test {
protected:
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app{dir.Path(), sink};
  CBatchRun run{app};
  TestHost host{app};

  void SetUp() override {
    ::mkdir(dir.File("in").c_str(), 0755);
    ::mkdir(dir.File("out").c_str(), 0755);
  }
  void Photo(const std::string& name, int w, int h) {
    test::WriteFileBytes(dir.File("in/" + name), test::EncodeJpeg(test::MakeTestPicture(w, h), w, h, 3, 85));
  }
  // Runs the state machine to its end; returns the states it went through.
  std::vector<int> Run(const std::vector<std::string>& files, int first = 1) {
    BatchRunRequest req;
    req.files = files;
    req.srcDir = dir.File("in");
    req.dstDir = dir.File("out");
    req.firstSeqNo = first;
    EXPECT_TRUE(run.Start(req));
    std::vector<int> states{run.batchState};
    for (int guard = 0; run.batchState != BS_IDLE && guard < 10000; ++guard) {
      run.Step(host);
      states.push_back(run.batchState);
    }
    return states;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : sink.messages) t.push_back(m.caption + "|" + m.text);
    return t;
  }
};

TEST_F(BatchEngineTest, MakesDeviceFilesWithEmbeddedThumbnails) {
  Photo("wide.jpg", 3000, 2000);
  Photo("four3.jpg", 640, 480);
  const auto states = Run({"wide.jpg", "four3.jpg"});
  const std::vector<int> want = {1, 2, 2, 2, 30, 31, 32, 0};
  EXPECT_EQ(states, want);
  EXPECT_EQ(run.batchConverted, 2);
  EXPECT_EQ(host.title, "Converted Image View 1");
  EXPECT_TRUE(host.closed);
  EXPECT_TRUE(host.progressDestroyed);
  EXPECT_EQ(host.progress.range, 2);
  EXPECT_EQ(host.progress.counters, (std::vector<std::string>{"1 / 2", "2 / 2"}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Batch Convert|2 files converted.      "}));
  EXPECT_EQ(host.lastDescription, "1024x768 Modified Image");  // the 4:3 source fills the canvas

  for (const char* name : {"Imag0001.jpg", "Imag0002.jpg"}) {
    const auto file = test::ReadFileBytes(dir.File(std::string("out/") + name));
    test::DecodedJpeg main;
    ASSERT_TRUE(test::DecodeJpeg(file, main)) << name;
    EXPECT_EQ(main.width, 1024);
    EXPECT_EQ(main.height, 768);
    EXPECT_EQ(main.hSamp, 2);
    EXPECT_EQ(main.vSamp, 1);
    EXPECT_FALSE(main.progressive);
    ASSERT_EQ(file[3], 0xE1);
    const size_t length = static_cast<size_t>(file[4] << 8 | file[5]);
    ASSERT_LT(length + 4, file.size());
    // The thumbnail is found the way an Exif reader finds it: through IFD1.
    CExifReader exif;
    ASSERT_NE(exif.Parse(&file[12], length - 8), 0);
    const CExifEntry* where = exif.FindTag(0x0201);
    const CExifEntry* size = exif.FindTag(0x0202);
    ASSERT_TRUE(where && size);
    const uint32_t offset = exif.ReadLong(*where), thumbLen = exif.ReadLong(*size);
    EXPECT_EQ(offset, 262u);
    EXPECT_EQ(length, 270 + thumbLen);
    std::vector<uint8_t> thumb(file.begin() + 12 + offset, file.begin() + 12 + offset + thumbLen);
    test::DecodedJpeg t;
    ASSERT_TRUE(test::DecodeJpeg(thumb, t));
    EXPECT_EQ(t.width, 160);
    EXPECT_EQ(t.height, 120);
    EXPECT_EQ(t.hSamp, 2);
    EXPECT_EQ(t.vSamp, 1);
  }
  // 3000 x 2000 fits as 1024 x 682 at y0 = 43: black bands above and below.
  test::DecodedJpeg wide;
  ASSERT_TRUE(test::DecodeJpeg(test::ReadFileBytes(dir.File("out/Imag0001.jpg")), wide));
  auto lum = [&](int x, int y) {
    const uint8_t* p = &wide.pixels[(static_cast<size_t>(y) * 1024 + x) * 3];
    return (p[0] + p[1] + p[2]) / 3;
  };
  EXPECT_LT(lum(512, 10), 12);
  EXPECT_LT(lum(512, 760), 12);
  EXPECT_GT(lum(1000, 384), 40);
}

TEST_F(BatchEngineTest, NumbersWrapAfter9999AndSkippedFilesLeaveGaps) {
  Photo("a.jpg", 320, 200);
  test::WriteFileText(dir.File("in/b.jpg"), "not a jpeg at all");
  test::WriteFileText(dir.File("in/c.png"), "png");
  Photo("d.jpg", 200, 320);
  test::WriteFileText(dir.File("out/Imag0001.jpg"), "old file, overwritten without asking");
  Run({"a.jpg", "b.jpg", "c.png", "d.jpg"}, 9999);
  EXPECT_TRUE(test::FileExists(dir.File("out/Imag9999.jpg")));
  EXPECT_FALSE(test::FileExists(dir.File("out/Imag0002.jpg")));  // c.png's number, skipped silently
  EXPECT_TRUE(test::FileExists(dir.File("out/Imag0003.jpg")));
  test::DecodedJpeg overwritten;
  EXPECT_FALSE(test::DecodeJpeg(test::ReadFileBytes(dir.File("out/Imag0001.jpg")), overwritten));  // b.jpg failed
  EXPECT_EQ(run.batchConverted, 2);
  const std::vector<std::string> want = {
      "JPEG File Load|Broken file  '" + dir.File("in/b.jpg") + "'        \nSkip convert.",
      "Batch Convert|2 files converted.      "};
  EXPECT_EQ(Texts(), want);
  EXPECT_EQ(host.progress.steps, 2);  // the bar counts converted files only
}

TEST_F(BatchEngineTest, AbortEndsAfterTheCurrentFileWithTheCount) {
  Photo("a.jpg", 200, 150);
  Photo("b.jpg", 200, 150);
  Photo("c.jpg", 200, 150);
  host.progress.abortAfterSteps = 1;
  const auto states = Run({"a.jpg", "b.jpg", "c.jpg"});
  EXPECT_EQ(states, (std::vector<int>{1, 2, 2, 30, 31, 32, 0}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Batch Convert|1 files converted.      "}));
  EXPECT_FALSE(test::FileExists(dir.File("out/Imag0002.jpg")));
}

TEST_F(BatchEngineTest, SaveErrorStopsTheRunWithoutTheCount) {
  Photo("a.jpg", 200, 150);
  Photo("b.jpg", 200, 150);
  ::mkdir(dir.File("out/Imag0002.jpg").c_str(), 0755);  // a folder in the way
  const auto states = Run({"a.jpg", "b.jpg", "a.jpg"});
  EXPECT_EQ(states, (std::vector<int>{1, 2, 2, 50, 32, 0}));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text,
            "File save error!  '" + dir.File("out/Imag0002.jpg") + "'       \nConvert stopped.");
  EXPECT_EQ(sink.messages[0].caption, "Batch Convert");
  EXPECT_TRUE(test::FileExists(dir.File("out/Imag0001.jpg")));
  EXPECT_FALSE(test::FileExists(dir.File("out/Imag0003.jpg")));
}

TEST_F(BatchEngineTest, ImagesAlreadyAtSizeAreNotResized) {
  Photo("thumb.jpg", 160, 120);
  Photo("full.jpg", 1024, 768);
  run.targetWidth = 800;  // overwritten by the run's request
  Run({"thumb.jpg", "full.jpg"});
  EXPECT_EQ(host.lastDescription, "1024x768 Modified Image");
  test::DecodedJpeg t;
  ASSERT_TRUE(test::DecodeJpeg(test::ReadFileBytes(dir.File("out/Imag0001.jpg")), t));
  EXPECT_EQ(t.width, 1024);
}

TEST_F(BatchEngineTest, StepsNeverNestAndAPendingLoadErrorIsShownOnce) {
  Photo("a.jpg", 64, 48);
  BatchRunRequest req{{"a.jpg"}, dir.File("in"), dir.File("out"), 1, 1024, 768};
  ASSERT_TRUE(run.Start(req));
  run.stepBusy = 1;
  run.Step(host);
  EXPECT_EQ(run.batchState, BS_START);  // turned away
  run.stepBusy = 0;

  app.lastLoadError = LOADERR_OPEN;
  app.loadErrorName = "/x.jpg";
  ReportLoadError(app, true);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "Jpeg file open error  '/x.jpg'        \nSkip convert.");
  EXPECT_EQ(app.lastLoadError, 0);
}

TEST(BatchNames, SequenceNumbersAndNames) {
  EXPECT_EQ(DeviceFileName(1), "Imag0001.jpg");
  EXPECT_EQ(DeviceFileName(9999), "Imag9999.jpg");
  EXPECT_EQ(NextSeqNo(9998), 9999);
  EXPECT_EQ(NextSeqNo(9999), 1);
}

} // namespace

namespace {

// A COM segment right after SOI, as cameras and editors put it.
std::vector<uint8_t> WithComment(std::vector<uint8_t> jpeg, const std::string& text) {
  const size_t len = text.size() + 2;
  std::vector<uint8_t> com = {0xFF, 0xFE, static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len)};
  com.insert(com.end(), text.begin(), text.end());
  jpeg.insert(jpeg.begin() + 2, com.begin(), com.end());
  return jpeg;
}

// The thumbnail stream embedded after the fixed 262-byte template.
std::vector<uint8_t> EmbeddedThumbnail(const std::vector<uint8_t>& device) {
  const size_t length = static_cast<size_t>(device[4] << 8 | device[5]);
  return std::vector<uint8_t>(device.begin() + 12 + 262, device.begin() + 4 + static_cast<long>(length));
}

TEST_F(BatchEngineTest, ACommentTooLongForTheThumbnailStaysInTheMainImageAndAnUnwritableOneSkipsTheFile) {
  const auto picture = test::EncodeJpeg(test::MakeTestPicture(200, 150), 200, 150, 3, 85);
  test::WriteFileBytes(dir.File("in/a.jpg"), WithComment(picture, "short"));
  test::WriteFileBytes(dir.File("in/b.jpg"), picture);  // takes the default comment below
  test::WriteFileBytes(dir.File("in/c.jpg"), WithComment(picture, std::string(64000, 'c')));
  app.m_settings.DefaultComment = 1;
  app.m_defaultComment.assign(70000, 'd');  // more than any segment holds

  const auto states = Run({"a.jpg", "b.jpg", "c.jpg"});
  EXPECT_EQ(states, (std::vector<int>{1, 2, 2, 2, 2, 30, 31, 32, 0}));  // the run went on
  EXPECT_FALSE(test::FileExists(dir.File("out/Imag0002.jpg")));
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0].text, "Save:The comment is too long for a JPEG file.\n" + dir.File("out/Imag0002.jpg"));
  EXPECT_EQ(sink.messages[1].text, "2 files converted.      ");

  // A short comment is in both streams, as before; a long one only in the main image.
  const auto a = test::ReadFileBytes(dir.File("out/Imag0001.jpg"));
  const auto thumbA = EmbeddedThumbnail(a);
  EXPECT_EQ(std::string(thumbA.begin() + 6, thumbA.begin() + 11), "short");
  const auto c = test::ReadFileBytes(dir.File("out/Imag0003.jpg"));
  const auto thumbC = EmbeddedThumbnail(c);
  EXPECT_EQ(thumbC[3], 0xDB);  // SOI, then the tables: no COM
  test::DecodedJpeg d;
  EXPECT_TRUE(test::DecodeJpeg(thumbC, d));
  EXPECT_EQ(d.width, 160);
  const size_t com = 4 + static_cast<size_t>(c[4] << 8 | c[5]);
  ASSERT_EQ(c[com + 1], 0xFE);
  EXPECT_EQ(static_cast<size_t>(c[com + 2] << 8 | c[com + 3]), 64002u);
  EXPECT_LT(c.size(), 64000u + 60000u);  // stored once
}

} // namespace
