#include <map>
#include <string>
#include <vector>

#include <QMdiArea>
#include <QTest>
#include <QToolButton>

#include "GuiFixture.h"
#include "gui/ChildFrame.h"
#include "gui/CommandIds.h"
#include "gui/ControlToolBar.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/ImageView.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "image/ColorOps.h"
#include "image/ImageDoc.h"

namespace qv::test {
namespace {

// What a written JPEG holds before its scan: the COM payload (when there is
// one) and the quantization tables by slot.
struct JpegHeader {
  bool hasComment = false;
  std::string comment;
  std::map<int, std::vector<int>> tables;
};

JpegHeader ReadHeader(const std::vector<uint8_t>& b) {
  JpegHeader h;
  size_t i = 2;
  while (i + 4 <= b.size() && b[i] == 0xFF && b[i + 1] != 0xDA) {
    const uint8_t marker = b[i + 1];
    const size_t len = (static_cast<size_t>(b[i + 2]) << 8) | b[i + 3];
    const size_t start = i + 4, end = i + 2 + len;
    if (end > b.size()) break;
    if (marker == 0xFE) {
      h.hasComment = true;
      h.comment.assign(b.begin() + static_cast<long>(start), b.begin() + static_cast<long>(end));
    } else if (marker == 0xDB) {
      for (size_t p = start; p < end;) {
        const int precision = b[p] >> 4, slot = b[p] & 15;
        ++p;
        std::vector<int>& t = h.tables[slot];
        t.clear();
        for (int k = 0; k < 64 && p < end; ++k) {
          t.push_back(precision ? (b[p] << 8) | b[p + 1] : b[p]);
          p += precision ? 2 : 1;
        }
      }
    }
    i = end;
  }
  return h;
}

class DocumentCommandsTest : public GuiTest {
protected:
  QToolButton* Button(int id) {
    Frame()->updateActions();
    return Frame()->ToolBar()->Button(id);
  }
  void Click(int id) {
    QToolButton* b = Button(id);
    ASSERT_NE(b, nullptr) << id;
    QTest::mouseClick(b, Qt::LeftButton);
    Settle();
  }
  JpegHeader SaveAndRead(CDocument* doc, const std::string& name) {
    const std::string path = dir.File(name);
    EXPECT_EQ(doc->Doc().SaveByType(path), 1);
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    DecodedJpeg decoded;
    EXPECT_TRUE(DecodeJpeg(bytes, decoded)) << name;
    EXPECT_EQ(decoded.width, doc->Doc().Bitmap().Width());
    return ReadHeader(bytes);
  }
};

TEST_F(DocumentCommandsTest, withoutADocumentTheTogglesAndTheSeparationAreGreyed) {
  for (int id : {ID_COMMENT_TOGGLE, ID_CUSTOM_DQT_TOGGLE, ID_SEPARATE_YCC}) {
    ASSERT_NE(Button(id), nullptr) << id;
    EXPECT_FALSE(Button(id)->isEnabled()) << id;
  }
}

TEST_F(DocumentCommandsTest, theCommentToggleDecidesWhetherASaveWritesTheComment) {
  CDocument* doc = Open(Photo("p.jpg", 64, 48));
  ASSERT_NE(doc, nullptr);
  CImageDoc& core = doc->Doc();
  ASSERT_NE(core.CurrentComment(), nullptr);
  core.CurrentComment()->text = "written by the toggle test";
  core.m_bComment = 1;
  ASSERT_TRUE(Button(ID_COMMENT_TOGGLE)->isEnabled());
  EXPECT_TRUE(Button(ID_COMMENT_TOGGLE)->isChecked());
  EXPECT_TRUE(Button(ID_COMMENT_EDIT)->isChecked());

  JpegHeader h = SaveAndRead(doc, "with.jpg");
  EXPECT_TRUE(h.hasComment);
  EXPECT_EQ(h.comment, "written by the toggle test");

  Click(ID_COMMENT_TOGGLE);
  EXPECT_EQ(core.m_bComment, 0);
  EXPECT_FALSE(Button(ID_COMMENT_TOGGLE)->isChecked());
  EXPECT_FALSE(SaveAndRead(doc, "without.jpg").hasComment);

  Click(ID_COMMENT_TOGGLE);
  EXPECT_EQ(core.m_bComment, 1);
  EXPECT_TRUE(Button(ID_COMMENT_TOGGLE)->isChecked());
  EXPECT_TRUE(SaveAndRead(doc, "again.jpg").hasComment);
  // A toggle is no change of the image.
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->Title(), "p.jpg");
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(DocumentCommandsTest, theCustomDqtToggleDecidesWhichTablesASaveWrites) {
  CDocument* doc = Open(Photo("p.jpg", 64, 48));
  ASSERT_NE(doc, nullptr);
  CImageDoc& core = doc->Doc();
  core.m_dqt[0].fill(3);
  core.m_dqt[1].fill(9);
  core.m_bCustomDqt = 0;
  ASSERT_TRUE(Button(ID_CUSTOM_DQT_TOGGLE)->isEnabled());
  EXPECT_FALSE(Button(ID_CUSTOM_DQT_TOGGLE)->isChecked());
  const std::vector<int> threes(64, 3), nines(64, 9);

  JpegHeader h = SaveAndRead(doc, "standard.jpg");
  ASSERT_EQ(h.tables.count(0), 1u);
  EXPECT_NE(h.tables[0], threes);

  Click(ID_CUSTOM_DQT_TOGGLE);
  EXPECT_EQ(core.m_bCustomDqt, 1);
  EXPECT_TRUE(Button(ID_CUSTOM_DQT_TOGGLE)->isChecked());
  h = SaveAndRead(doc, "custom.jpg");
  EXPECT_EQ(h.tables[0], threes);
  EXPECT_EQ(h.tables[1], nines);

  Click(ID_CUSTOM_DQT_TOGGLE);
  EXPECT_EQ(core.m_bCustomDqt, 0);
  EXPECT_FALSE(Button(ID_CUSTOM_DQT_TOGGLE)->isChecked());
  EXPECT_NE(SaveAndRead(doc, "standard-again.jpg").tables[0], threes);
  EXPECT_FALSE(doc->IsModified());
}

TEST_F(DocumentCommandsTest, separationOpensYCbCrDocumentsWithTheirGreyImages) {
  CDocument* source = Open(Photo("photo.jpg", 320, 240, 5));
  ASSERT_NE(source, nullptr);
  ASSERT_TRUE(Button(ID_SEPARATE_YCC)->isEnabled());
  const std::vector<CDocument*> before = App().Template().Documents();

  Click(ID_SEPARATE_YCC);
  std::vector<CDocument*> parts;
  for (CDocument* d : App().Template().Documents())
    if (d != source) parts.push_back(d);
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(before.size(), 1u);
  EXPECT_EQ(Frame()->ActiveDocument(), parts[2]);

  std::vector<SeparatedImage> want;
  ASSERT_EQ(SeparateYCbCr(source->Doc(), source->Title(), want), 1);
  ASSERT_EQ(want.size(), 3u);
  const char* titles[] = {"photo.jpg[Y]", "photo.jpg[Cb]", "photo.jpg[Cr]"};
  const CDibBitmap& src = source->Doc().Bitmap();
  for (size_t k = 0; k < 3; ++k) {
    CDocument* part = parts[k];
    EXPECT_EQ(part->Title(), titles[k]);
    ASSERT_NE(FrameOf(part), nullptr);
    EXPECT_EQ(FrameOf(part)->windowTitle().toStdString(), titles[k]);
    EXPECT_FALSE(part->IsModified());
    EXPECT_EQ(part->Doc().m_nDocumentId, source->Doc().m_nDocumentId);

    const CDibBitmap& got = part->Doc().Bitmap();
    const CDibBitmap& expect = want[k].doc->Bitmap();
    ASSERT_EQ(got.Width(), 320);
    ASSERT_EQ(got.Height(), 240);
    EXPECT_EQ(got.ColorType(), kColor256);
    ASSERT_EQ(got.Palette().size(), 256u);
    for (int i = 0; i < 256; ++i) {
      const RgbQuad& q = got.Palette()[static_cast<size_t>(i)];
      ASSERT_TRUE(q.rgbRed == i && q.rgbGreen == i && q.rgbBlue == i) << i;
    }
    const size_t bytes = got.Stride() * static_cast<size_t>(got.Height());
    EXPECT_EQ(std::vector<uint8_t>(got.Bits(), got.Bits() + bytes),
              std::vector<uint8_t>(expect.Bits(), expect.Bits() + bytes));
    // Each pixel is grey at its component's value.
    for (int y = 0; y < 240; y += 17)
      for (int x = 0; x < 320; x += 13) {
        const uint8_t* s = src.Row(y) + x * 3;
        const uint8_t* p = got.Row(y) + x * 3;
        const YCbCr c = YCbCrOf(s[2], s[1], s[0]);
        const int v = k == 0 ? c.y : k == 1 ? c.cb : c.cr;
        ASSERT_TRUE(p[0] == v && p[1] == v && p[2] == v) << k << " at " << x << "," << y;
      }
    // The comparison parts would otherwise give up the shared id when they go.
    want[k].doc->m_nDocumentId = App().App().NewDocumentId();
  }
  // The source is left as it was.
  EXPECT_FALSE(source->IsModified());
  EXPECT_EQ(source->Title(), "photo.jpg");
  EXPECT_TRUE(sink.messages.empty());

  Trigger(ID_WINDOW_TILE_HORZ);
  Settle(50);
  Screenshot(Frame(), "ycbcr-separated");
}

TEST_F(DocumentCommandsTest, aModifiedSourceLendsItsTitleAsItIs) {
  CDocument* source = Open(Photo("p.jpg", 40, 30));
  source->MarkModified(true);
  ASSERT_EQ(source->Title(), "p.jpg *");
  Click(ID_SEPARATE_YCC);
  std::vector<std::string> titles;
  for (CDocument* d : App().Template().Documents())
    if (d != source) titles.push_back(d->Title());
  EXPECT_EQ(titles, (std::vector<std::string>{"p.jpg *[Y]", "p.jpg *[Cb]", "p.jpg *[Cr]"}));
}

} // namespace
} // namespace qv::test
