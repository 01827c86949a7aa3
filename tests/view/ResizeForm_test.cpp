#include "view/ResizeForm.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/ConverterApp.h"
#include "image/ImageDoc.h"
#include "support/TestSupport.h"

using namespace qv;

namespace {

TEST(ReadUnsignedText, ReadsDigitsAndGivesZeroForAnythingElse) {
  EXPECT_EQ(ReadUnsignedText("640"), 640u);
  EXPECT_EQ(ReadUnsignedText(" 12 "), 12u);
  EXPECT_EQ(ReadUnsignedText("0007"), 7u);
  EXPECT_EQ(ReadUnsignedText("4294967295"), UINT32_MAX);
  EXPECT_EQ(ReadUnsignedText(""), 0u);
  EXPECT_EQ(ReadUnsignedText("   "), 0u);
  EXPECT_EQ(ReadUnsignedText("abc"), 0u);
  EXPECT_EQ(ReadUnsignedText("-5"), 0u);
  EXPECT_EQ(ReadUnsignedText("1 2"), 0u);
  EXPECT_EQ(ReadUnsignedText("12px"), 0u);
  EXPECT_EQ(ReadUnsignedText("4294967296"), 0u);
  EXPECT_EQ(ReadUnsignedText(std::string(100000, '9')), 0u);
  EXPECT_EQ(UnsignedText(UINT32_MAX), "4294967295");
}

TEST(ResizeForm, OpensWithTheSizeItWasGivenAndNoLastEdit) {
  CResizeForm form(640, 480);
  EXPECT_EQ(form.OpeningWidthText(), "640");
  EXPECT_EQ(form.OpeningHeightText(), "480");
  EXPECT_EQ(form.m_nLastEdited, 0);
}

TEST(ResizeForm, aNewWidthGivesTheProportionalHeightWhileTheBoxIsChecked) {
  CResizeForm form(640, 480);
  const ResizeEditWrite w = form.WidthChanged("320", true);
  EXPECT_EQ(w.edit, 2);
  EXPECT_EQ(w.text, "240");
  EXPECT_EQ(form.m_nLastEdited, 1);
  // The proportion stays that of the opened size.
  EXPECT_EQ(form.m_nWidth, 640u);
  EXPECT_EQ(form.m_nHeight, 480u);
  EXPECT_EQ(form.WidthChanged("", true).text, "0");
  EXPECT_EQ(form.WidthChanged("4294967295", true).text, "3221225471");
}

TEST(ResizeForm, aNewHeightRecomputesTheWidthNeverTheHeight) {
  CResizeForm form(640, 480);
  const ResizeEditWrite w = form.HeightChanged("75", true);
  EXPECT_EQ(w.edit, 1);
  EXPECT_EQ(w.text, "100");
  EXPECT_EQ(form.m_nLastEdited, 2);
}

TEST(ResizeForm, withTheBoxUncheckedAnEditLeavesTheOtherAloneAndCheckingReplaysIt) {
  CResizeForm form(640, 480);
  EXPECT_EQ(form.WidthChanged("100", false).edit, 0);
  EXPECT_EQ(form.m_nLastEdited, 1);
  const ResizeEditWrite replay = form.AspectClicked(true, "100", "480");
  EXPECT_EQ(replay.edit, 2);
  EXPECT_EQ(replay.text, "75");  // 100 x 480 / 640
  EXPECT_EQ(form.m_nLastEdited, 0);
  // Nothing left to replay.
  EXPECT_EQ(form.AspectClicked(true, "100", "75").edit, 0);

  EXPECT_EQ(form.HeightChanged("240", false).edit, 0);
  EXPECT_EQ(form.AspectClicked(false, "100", "240").edit, 0);  // unchecking does nothing
  EXPECT_EQ(form.m_nLastEdited, 2);
  const ResizeEditWrite fromHeight = form.AspectClicked(true, "100", "240");
  EXPECT_EQ(fromHeight.edit, 1);
  EXPECT_EQ(fromHeight.text, "320");
}

TEST(ResizeForm, aZeroSideHasNoProportion) {
  CResizeForm form(0, 480);
  EXPECT_EQ(form.WidthChanged("100", true).text, "0");
  EXPECT_EQ(form.HeightChanged("100", true).text, "0");
}

TEST(ResizeActionFor, keepsTheSameSizeAndRefusesEmptyOrUnindexableSizes) {
  EXPECT_EQ(ResizeActionFor(640, 480, 640, 480), ResizeAction::Keep);
  EXPECT_EQ(ResizeActionFor(320, 240, 640, 480), ResizeAction::Resize);
  EXPECT_EQ(ResizeActionFor(640, 481, 640, 480), ResizeAction::Resize);
  EXPECT_EQ(ResizeActionFor(0, 480, 640, 480), ResizeAction::Refuse);
  EXPECT_EQ(ResizeActionFor(640, 0, 640, 480), ResizeAction::Refuse);
  EXPECT_EQ(ResizeActionFor(static_cast<uint32_t>(INT_MAX) + 1, 480, 640, 480), ResizeAction::Refuse);
  EXPECT_EQ(ResizeActionFor(UINT32_MAX, UINT32_MAX, 640, 480), ResizeAction::Refuse);
}

// A real JPEG file loaded into a document.
class ResizeDocumentTest : public ::testing::Test {
protected:
  test::TempDir dir;
  test::RecordingSink sink;
  CConverterApp app{dir.Path(), sink};
  CImageDoc doc{app};
  std::string path = dir.File("photo.jpg");

  void SetUp() override {
    test::WriteFileBytes(path, test::EncodeJpeg(test::MakeTestPicture(64, 48, 5), 64, 48, 3, 90));
    ASSERT_EQ(doc.Load(path), 1);
    sink.messages.clear();
  }
  static std::vector<uint8_t> Bytes(const CMemBitmap& b) {
    return std::vector<uint8_t>(b.Bits(), b.Bits() + b.Stride() * b.Height());
  }
  std::string ResizeMessage() const { return "Resize:Can't make the bitmap.\n" + path; }
};

TEST_F(ResizeDocumentTest, aNewSizeResamplesTheImageAsResizeImageDoes) {
  CImageDoc same(app);
  ASSERT_EQ(same.Load(path), 1);
  ASSERT_EQ(same.ResizeImage(32, 24), 1);
  EXPECT_TRUE(ResizeDocumentTo(doc, 32, 24));
  int w = 0, h = 0;
  doc.GetSize(w, h);
  EXPECT_EQ(w, 32);
  EXPECT_EQ(h, 24);
  EXPECT_EQ(Bytes(doc.Bitmap()), Bytes(same.Bitmap()));
  EXPECT_EQ(doc.m_nFileSize, 0);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ResizeDocumentTest, theSameSizeLeavesTheImageAloneWithoutAWord) {
  const std::vector<uint8_t> before = Bytes(doc.Bitmap());
  const int64_t fileSize = doc.m_nFileSize;
  EXPECT_FALSE(ResizeDocumentTo(doc, 64, 48));
  EXPECT_EQ(Bytes(doc.Bitmap()), before);
  EXPECT_EQ(doc.m_nFileSize, fileSize);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ResizeDocumentTest, anEmptyOrUnindexableSizeIsReportedAndTheImageKept) {
  const std::vector<uint8_t> before = Bytes(doc.Bitmap());
  for (auto [w, h] : {std::pair<uint32_t, uint32_t>{0, 48}, {64, 0}, {0, 0}, {UINT32_MAX, 48}, {3000000000u, 2}}) {
    sink.messages.clear();
    EXPECT_FALSE(ResizeDocumentTo(doc, w, h)) << w << "x" << h;
    ASSERT_EQ(sink.messages.size(), 1u) << w << "x" << h;
    EXPECT_EQ(sink.messages[0].text, ResizeMessage());
  }
  EXPECT_EQ(Bytes(doc.Bitmap()), before);
  EXPECT_EQ(doc.Bitmap().Width(), 64);
}

TEST_F(ResizeDocumentTest, aSizeNoBufferCanHoldIsReportedByResizeImageAndTheImageKept) {
  const std::vector<uint8_t> before = Bytes(doc.Bitmap());
  // 60000 x 60000 x 3 bytes is beyond what a pixel buffer may hold.
  EXPECT_EQ(doc.ResizeImage(60000, 60000), 0);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, ResizeMessage());
  EXPECT_EQ(Bytes(doc.Bitmap()), before);
  EXPECT_FALSE(ResizeDocumentTo(doc, 60000, 60000));
  EXPECT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(doc.Bitmap().Width(), 64);
}

// Pages of address space in use now.
long AddressSpacePages() {
  long pages = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  return pages;
}

TEST_F(ResizeDocumentTest, aFiveThousandSquareResizeThatCannotAllocateIsReportedAndTheImageKept) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizer allocators abort instead of failing";
#endif
  const std::vector<uint8_t> before = Bytes(doc.Bitmap());
  // In a child whose address space leaves 32 MB free, so that the 75 MB
  // canvas of 5000 x 5000 cannot be had.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlim_t limit = static_cast<rlim_t>(AddressSpacePages()) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) +
                         (rlim_t{32} << 20);
    rlimit r{limit, limit};
    if (setrlimit(RLIMIT_AS, &r) != 0) _exit(10);
    const int result = doc.ResizeImage(5000, 5000);
    if (result != 0) _exit(11);
    if (sink.messages.size() != 1 || sink.messages[0].text != ResizeMessage()) _exit(12);
    if (Bytes(doc.Bitmap()) != before || doc.Bitmap().Width() != 64) _exit(13);
    if (ResizeDocumentTo(doc, 5000, 5000)) _exit(14);
    if (sink.messages.size() != 2) _exit(15);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child did not end normally: " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10 limit, 11 resized, 12 message, 13 image changed, 14/15 second try";
  // Without the limit the same size is made.
  EXPECT_TRUE(ResizeDocumentTo(doc, 5000, 5000));
  EXPECT_EQ(doc.Bitmap().Width(), 5000);
}

} // namespace
