#include <string>
#include <vector>

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "DialogDriver.h"
#include "GuiFixture.h"
#include "gui/CommandIds.h"
#include "gui/ControlToolBar.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "image/ImageDoc.h"
#include "jpegmeta/Charset.h"
#include "jpegmeta/CommentText.h"
#include "platform/ui/HelpWindow.h"
#include "view/ui/CommentDlg.h"

namespace qv::test {
namespace {

// The payload of the first COM segment before the scan, or "<none>".
std::string ComSegment(const std::vector<uint8_t>& b) {
  size_t i = 2;
  while (i + 4 <= b.size() && b[i] == 0xFF && b[i + 1] != 0xDA) {
    const size_t len = (static_cast<size_t>(b[i + 2]) << 8) | b[i + 3];
    if (i + 2 + len > b.size()) break;
    if (b[i + 1] == 0xFE) return std::string(b.begin() + static_cast<long>(i + 4), b.begin() + static_cast<long>(i + 2 + len));
    i += 2 + len;
  }
  return "<none>";
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

CCommentRecord Record(const char* name, const char* utf8Text, int charset = CS_SJIS) {
  CCommentRecord r;
  r.name = name;
  r.text = Utf8ToInternal(utf8Text);
  r.charset = charset;
  return r;
}

void ChooseCharset(CCommentDialog& dlg, int code) {
  const std::vector<int>& codes = CommentCharsetChoices();
  for (size_t i = 0; i < codes.size(); ++i)
    if (codes[i] == code) {
      dlg.CharsetCombo()->setCurrentIndex(static_cast<int>(i));
      emit dlg.CharsetCombo()->activated(static_cast<int>(i));  // as a choice in the list sends it
    }
}

void TypeName(CCommentDialog& dlg, const char* name) {
  QLineEdit* edit = dlg.NameCombo()->lineEdit();
  edit->setFocus();
  edit->clear();
  QTest::keyClicks(edit, QString::fromUtf8(name));
}

class CommentDlgTest : public GuiTest {
protected:
  void Click(int id) {
    Frame()->updateActions();
    QToolButton* b = Frame()->ToolBar()->Button(id);
    ASSERT_NE(b, nullptr) << id;
    ASSERT_TRUE(b->isEnabled()) << id;
    QTest::mouseClick(b, Qt::LeftButton);
    Settle();
  }
  // A dialog on `list`, shown without its own event loop.
  std::unique_ptr<CCommentDialog> Show(std::vector<CCommentRecord>& list, int current) {
    auto dlg = std::make_unique<CCommentDialog>(Frame(), App().App(), ShowHelpTopic);
    dlg->SetComments(list, current);
    dlg->show();
    Settle();
    return dlg;
  }
};

TEST_F(CommentDlgTest, aJapaneseCommentRoundTripsThroughASavedJpegInEachCharacterSet) {
  CSettings& s = App().App().m_settings;
  s.AutoWriteCharset = 1;
  const QString japanese = QString::fromUtf8("日本の写真\n二行目 ｶﾒﾗ");
  const std::string internal = Utf8ToInternal("日本の写真\r\n二行目 ｶﾒﾗ");
  for (int code : CommentCharsetChoices()) {
    SCOPED_TRACE(code);
    const QString text = code == CS_ASCII ? QStringLiteral("Hello camera\nline two") : japanese;
    const std::string want = code == CS_ASCII ? std::string("Hello camera\r\nline two") : internal;
    CDocument* doc = Open(Photo("p" + std::to_string(code) + ".jpg", 48, 32));
    ASSERT_NE(doc, nullptr);
    doc->Doc().m_bComment = 0;
    WhenModal<CCommentDialog>([&](CCommentDialog& dlg) {
      dlg.TextEdit()->setFocus();
      dlg.TextEdit()->selectAll();
      dlg.TextEdit()->insertPlainText(text);  // as an input method commits it
      ChooseCharset(dlg, code);
      dlg.OkButton()->click();
    });
    Click(ID_COMMENT_EDIT);
    CImageDoc& core = doc->Doc();
    EXPECT_EQ(core.m_bComment, 1);
    ASSERT_NE(core.CurrentComment(), nullptr);
    EXPECT_EQ(core.CurrentComment()->name, "Comment");
    EXPECT_EQ(core.CurrentComment()->charset, code);
    EXPECT_EQ(core.CurrentComment()->text, want);

    const std::string saved = dir.File("saved" + std::to_string(code) + ".jpg");
    ASSERT_EQ(core.SaveByType(saved), 1);
    const std::string com = ComSegment(ReadFileBytes(saved));
    EXPECT_EQ(com, CommentFromInternal(want, code));
    switch (code) {
    case CS_JIS: EXPECT_EQ(com.substr(0, 3), Bytes({0x1B, 0x24, 0x40})); break;
    case CS_EUCJP: EXPECT_EQ(com.substr(0, 4), Bytes({0xC6, 0xFC, 0xCB, 0xDC})); break;
    case CS_UTF8: EXPECT_EQ(com, "日本の写真\r\n二行目 ｶﾒﾗ"); break;
    case CS_SJIS: EXPECT_EQ(com.substr(0, 4), Bytes({0x93, 0xFA, 0x96, 0x7B})); break;
    // The UCS-2 conversion hands back internal text, which is what is written.
    case CS_UCS2: EXPECT_EQ(com, internal); break;
    default: EXPECT_EQ(com, want); break;
    }

    // Read back in the character set it was written in, it is the same text
    // in the dialog.
    s.AutoReadCharset = 0;
    s.ReadCharset = code == CS_UCS2 ? CS_SJIS : code;
    CDocument* back = Open(saved);
    ASSERT_NE(back, nullptr);
    ASSERT_NE(back->Doc().CurrentComment(), nullptr);
    EXPECT_EQ(back->Doc().CurrentComment()->text, want);
    QString shown;
    WhenModal<CCommentDialog>([&](CCommentDialog& dlg) {
      shown = dlg.TextEdit()->toPlainText();
      dlg.reject();
    });
    Click(ID_COMMENT_EDIT);
    EXPECT_EQ(shown, text);
    s.ReadCharset = CS_SJIS;
  }
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(CommentDlgTest, screenshotOfAJapaneseComment) {
  CDocument* doc = Open(Photo("photo.jpg", 64, 48));
  ASSERT_NE(doc, nullptr);
  CImageDoc& core = doc->Doc();
  core.m_comments = {Record("Comment", "富士山の朝焼け\r\n2026年 元旦、山中湖より", CS_EUCJP),
                     Record("Author", "Quorvex")};
  core.m_nCurrentComment = 0;
  WhenModal<CCommentDialog>([](CCommentDialog& dlg) {
    Settle();
    Screenshot(&dlg, "comment-dialog");
    dlg.reject();
  });
  Click(ID_COMMENT_EDIT);
}

TEST_F(CommentDlgTest, anEmptyListOpensWithAnEmptyEnabledEditAndNeitherButton) {
  std::vector<CCommentRecord> list;
  auto dlg = Show(list, -1);
  EXPECT_EQ(dlg->windowTitle().toStdString(), "コメント編集");
  EXPECT_EQ(dlg->NameCombo()->count(), 0);
  EXPECT_TRUE(dlg->TextEdit()->isEnabled());
  EXPECT_TRUE(dlg->TextEdit()->toPlainText().isEmpty());
  EXPECT_FALSE(dlg->InsButton()->isEnabled());
  EXPECT_FALSE(dlg->DelButton()->isEnabled());
  EXPECT_FALSE(dlg->CharsetCombo()->isEnabled());
  // The two pictures are there.
  EXPECT_FALSE(dlg->InsButton()->icon().isNull());
  EXPECT_FALSE(dlg->DelButton()->icon().isNull());
}

TEST_F(CommentDlgTest, namesPickRecordsAndInsAndDelEditTheList) {
  std::vector<CCommentRecord> list = {Record("Comment", "朝の富士"), Record("Title", "表題")};
  auto dlg = Show(list, 0);
  EXPECT_EQ(dlg->TextEdit()->toPlainText(), QString::fromUtf8("朝の富士"));
  EXPECT_EQ(dlg->CharsetCombo()->currentText().toStdString(), "shift_jis");

  // Another letter case finds the record.
  TypeName(*dlg, "tITLE");
  EXPECT_EQ(dlg->Form().m_nSelected, 1);
  EXPECT_EQ(dlg->TextEdit()->toPlainText(), QString::fromUtf8("表題"));
  EXPECT_TRUE(dlg->TextEdit()->isEnabled());
  EXPECT_TRUE(dlg->DelButton()->isEnabled());

  // A new name: the edit empties and waits, Ins is offered.
  TypeName(*dlg, "Author");
  EXPECT_FALSE(dlg->TextEdit()->isEnabled());
  EXPECT_TRUE(dlg->TextEdit()->toPlainText().isEmpty());
  EXPECT_TRUE(dlg->InsButton()->isEnabled());
  EXPECT_FALSE(dlg->DelButton()->isEnabled());
  QTest::mouseClick(dlg->InsButton(), Qt::LeftButton);
  ASSERT_EQ(dlg->NameCombo()->count(), 3);
  EXPECT_EQ(dlg->NameCombo()->currentIndex(), 2);
  EXPECT_TRUE(dlg->TextEdit()->isEnabled());
  EXPECT_FALSE(dlg->InsButton()->isEnabled());
  QTest::keyClicks(dlg->TextEdit(), "written by me");

  // Deleting the last record leaves nothing selected.
  QTest::mouseClick(dlg->DelButton(), Qt::LeftButton);
  EXPECT_EQ(dlg->NameCombo()->count(), 2);
  EXPECT_EQ(dlg->NameCombo()->currentIndex(), -1);
  EXPECT_FALSE(dlg->TextEdit()->isEnabled());
  EXPECT_FALSE(dlg->DelButton()->isEnabled());
  EXPECT_EQ(dlg->Beeps(), 0);

  // Picking a record from the list again; OK hands over what was edited.
  dlg->NameCombo()->setCurrentIndex(0);
  emit dlg->NameCombo()->activated(0);
  EXPECT_EQ(dlg->TextEdit()->toPlainText(), QString::fromUtf8("朝の富士"));
  QTest::keyClicks(dlg->TextEdit(), "!");
  dlg->OkButton()->click();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].text, Utf8ToInternal("朝の富士!"));
  EXPECT_EQ(list[1].name, "Title");
}

TEST_F(CommentDlgTest, cancelLeavesTheDocumentsRecordsAsTheyWere) {
  CDocument* doc = Open(Photo("p.jpg", 40, 30));
  CImageDoc& core = doc->Doc();
  core.m_comments = {Record("Comment", "元のまま"), Record("Title", "表題")};
  core.m_nCurrentComment = 1;
  core.m_bComment = 0;
  WhenModal<CCommentDialog>([](CCommentDialog& dlg) {
    dlg.TextEdit()->selectAll();
    dlg.TextEdit()->insertPlainText(QStringLiteral("changed"));
    ChooseCharset(dlg, CS_UTF8);
    TypeName(dlg, "New");
    QTest::mouseClick(dlg.InsButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.DelButton(), Qt::LeftButton);
    dlg.reject();
  });
  Click(ID_COMMENT_EDIT);
  ASSERT_EQ(core.m_comments.size(), 2u);
  EXPECT_EQ(core.m_comments[0].text, Utf8ToInternal("元のまま"));
  EXPECT_EQ(core.m_comments[1].text, Utf8ToInternal("表題"));
  EXPECT_EQ(core.m_comments[1].charset, CS_SJIS);
  EXPECT_EQ(core.m_nCurrentComment, 1);
  EXPECT_EQ(core.m_bComment, 0);
}

TEST_F(CommentDlgTest, okKeepsTheCurrentRecordByNameOrNone) {
  CDocument* doc = Open(Photo("p.jpg", 40, 30));
  CImageDoc& core = doc->Doc();
  core.m_comments = {Record("Comment", "a"), Record("Title", "b")};
  core.m_nCurrentComment = 1;
  // Deleting "Title" and adding "TITLE" at the end: the current one is found by name.
  WhenModal<CCommentDialog>([](CCommentDialog& dlg) {
    QTest::mouseClick(dlg.DelButton(), Qt::LeftButton);
    TypeName(dlg, "Extra");
    QTest::mouseClick(dlg.InsButton(), Qt::LeftButton);
    TypeName(dlg, "TITLE");
    QTest::mouseClick(dlg.InsButton(), Qt::LeftButton);
    dlg.OkButton()->click();
  });
  Click(ID_COMMENT_EDIT);
  ASSERT_EQ(core.m_comments.size(), 3u);
  EXPECT_EQ(core.m_nCurrentComment, 2);
  EXPECT_EQ(core.m_bComment, 1);
  // Without it, none is current.
  WhenModal<CCommentDialog>([](CCommentDialog& dlg) {
    TypeName(dlg, "title");
    QTest::mouseClick(dlg.DelButton(), Qt::LeftButton);
    dlg.OkButton()->click();
  });
  Click(ID_COMMENT_EDIT);
  EXPECT_EQ(core.m_comments.size(), 2u);
  EXPECT_EQ(core.m_nCurrentComment, -1);
  EXPECT_EQ(core.CurrentComment(), nullptr);
}

TEST_F(CommentDlgTest, refusedActionsBeepAndChangeNothing) {
  std::vector<CCommentRecord> list = {Record("Comment", "x")};
  auto dlg = Show(list, 0);
  TypeName(*dlg, "");
  // The buttons are greyed; a click that reaches them anyway is refused.
  EXPECT_FALSE(dlg->InsButton()->isEnabled());
  EXPECT_FALSE(dlg->DelButton()->isEnabled());
  emit dlg->InsButton()->clicked();
  emit dlg->DelButton()->clicked();
  EXPECT_EQ(dlg->Beeps(), 2);
  EXPECT_EQ(dlg->NameCombo()->count(), 1);
  EXPECT_EQ(dlg->Form().m_list.size(), 1u);
}

TEST_F(CommentDlgTest, aTextFileArrivesInPiecesOf255) {
  const std::string path = dir.File("comment.txt");
  WriteFileText(path, std::string(600, 'x') + "\n");
  std::vector<CCommentRecord> list = {Record("Comment", "old")};
  auto dlg = Show(list, 0);
  WhenModal<QFileDialog>([&](QFileDialog& fd) {
    EXPECT_EQ(fd.windowTitle().toStdString(), "コメントファイルを開く");
    // The whole path in the name field: the folder view fills in later.
    if (auto* name = fd.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->setText(QString::fromStdString(path));
    static_cast<QDialog&>(fd).accept();
    if (fd.isVisible()) fd.reject();  // never leave a test waiting on it
  });
  QTest::mouseClick(dlg->FileButton(), Qt::LeftButton);
  const QStringList lines = dlg->TextEdit()->toPlainText().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0].size(), 255);
  EXPECT_EQ(lines[1].size(), 255);
  EXPECT_EQ(lines[2].size(), 90);
  EXPECT_TRUE(lines[3].isEmpty());
  // An unreadable file leaves the edit empty, without a message.
  dlg->LoadFile(dir.File("missing.txt"));
  EXPECT_TRUE(dlg->TextEdit()->toPlainText().isEmpty());
  EXPECT_TRUE(sink.messages.empty());
  // Into a disabled edit too, which Ins then takes.
  TypeName(*dlg, "FromFile");
  ASSERT_FALSE(dlg->TextEdit()->isEnabled());
  WriteFileText(path, "from the file\n");
  dlg->LoadFile(path);
  QTest::mouseClick(dlg->InsButton(), Qt::LeftButton);
  ASSERT_EQ(dlg->Form().m_list.size(), 2u);
  EXPECT_EQ(dlg->Form().m_list[1].text, "from the file\r\n");
}

TEST_F(CommentDlgTest, aTextNoCharacterSetCanHoldIsRefusedWithAMessage) {
  std::vector<CCommentRecord> list = {Record("Comment", "日本")};
  auto dlg = Show(list, 0);
  // No Shift_JIS form: the edit goes back, the record stays.
  dlg->TextEdit()->moveCursor(QTextCursor::End);
  dlg->TextEdit()->insertPlainText(QString::fromUtf8("\xF0\x9F\x98\x80"));
  EXPECT_EQ(dlg->TextEdit()->toPlainText(), QString::fromUtf8("日本"));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "コメント編集");
  EXPECT_NE(sink.messages[0].text.find("shift_jis"), std::string::npos);

  // US-ASCII cannot hold the kanji: the choice goes back.
  ChooseCharset(*dlg, CS_ASCII);
  EXPECT_EQ(dlg->CharsetCombo()->currentText().toStdString(), "shift_jis");
  EXPECT_EQ(dlg->Form().m_list[0].charset, CS_SJIS);
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_NE(sink.messages[1].text.find("us-ascii"), std::string::npos);

  // In EUC-JP, a character of the IBM extensions is refused as it is typed.
  ChooseCharset(*dlg, CS_EUCJP);
  EXPECT_EQ(dlg->Form().m_list[0].charset, CS_EUCJP);
  dlg->TextEdit()->insertPlainText(QString::fromUtf8("髙"));
  EXPECT_EQ(dlg->TextEdit()->toPlainText(), QString::fromUtf8("日本"));
  ASSERT_EQ(sink.messages.size(), 3u);
  EXPECT_NE(sink.messages[2].text.find("euc-jp"), std::string::npos);
  dlg->OkButton()->click();
  EXPECT_EQ(list[0].text, Utf8ToInternal("日本"));
  EXPECT_EQ(list[0].charset, CS_EUCJP);
}

TEST_F(CommentDlgTest, helpOpensTheHelpWindowOverTheDialog) {
  CDocument* doc = Open(Photo("p.jpg", 40, 30));
  ASSERT_NE(doc, nullptr);
  int topic = 0;
  bool overDialog = false;
  WhenModal<CCommentDialog>([&](CCommentDialog& dlg) {
    ASSERT_TRUE(dlg.HelpButton()->isEnabled());
    dlg.HelpButton()->click();
    CHelpWindow* help = CHelpWindow::Current();
    if (help && help->isVisible()) topic = help->Topic();
    overDialog = help && help->parentWidget() == &dlg;
    dlg.reject();
  });
  Click(ID_COMMENT_EDIT);
  EXPECT_EQ(topic, 1310);
  EXPECT_TRUE(overDialog);
  EXPECT_TRUE(sink.messages.empty());
}

} // namespace
} // namespace qv::test
