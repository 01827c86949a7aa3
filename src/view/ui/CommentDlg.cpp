#include "view/ui/CommentDlg.h"

#include <algorithm>
#include <cstdio>

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include "app/ConverterApp.h"
#include "image/ImageDoc.h"
#include "jpegmeta/Charset.h"
#include "platform/MessageSink.h"
#include "platform/ui/FileDialog.h"

// The pictures live in the program's resource file, in the same library.
static void InitCommentResources() { Q_INIT_RESOURCE(quorvex); }

namespace qv {
namespace {

QIcon ButtonPicture(const char* name) {
  static const bool done = (InitCommentResources(), true);
  (void)done;
  return QIcon(QStringLiteral(":/bitmaps/%1.png").arg(QLatin1String(name)));
}

QString Shown(const std::string& internal) { return QString::fromStdString(InternalToUtf8(internal)); }

int ChoiceIndex(int code) {
  const std::vector<int>& codes = CommentCharsetChoices();
  for (size_t i = 0; i < codes.size(); ++i)
    if (codes[i] == code) return static_cast<int>(i);
  return -1;
}

} // namespace

CCommentDialog::CCommentDialog(QWidget* parent, CConverterApp& app, std::function<void(int)> help)
    : QDialog(parent), m_app(app), m_help(std::move(help)) {
  setWindowTitle(QString::fromUtf8(kCommentCaption));
  BuildControls();
}

void CCommentDialog::BuildControls() {
  m_pName = new QComboBox(this);
  m_pName->setEditable(true);
  m_pName->setInsertPolicy(QComboBox::NoInsert);
  m_pName->setMinimumWidth(180);
  auto* nameLabel = new QLabel(QString::fromUtf8(kCommentKeywordLabel), this);
  nameLabel->setBuddy(m_pName);

  m_pIns = new QPushButton(this);
  m_pIns->setIcon(ButtonPicture("comment-ins"));
  m_pIns->setToolTip(QStringLiteral("Ins"));
  m_pIns->setAccessibleName(QStringLiteral("Ins"));
  m_pDel = new QPushButton(this);
  m_pDel->setIcon(ButtonPicture("comment-del"));
  m_pDel->setToolTip(QStringLiteral("Del"));
  m_pDel->setAccessibleName(QStringLiteral("Del"));
  for (QPushButton* b : {m_pIns, m_pDel}) {
    b->setIconSize(QSize(16, 16));
    b->setFixedSize(28, 26);
    b->setAutoDefault(false);
  }

  m_pCharset = new QComboBox(this);
  for (int code : CommentCharsetChoices()) m_pCharset->addItem(QString::fromLatin1(CharsetName(code)));
  auto* charsetLabel = new QLabel(QString::fromUtf8(kCommentCharsetLabel), this);
  charsetLabel->setBuddy(m_pCharset);

  m_pText = new QPlainTextEdit(this);
  m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_pText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_pText->setTabChangesFocus(true);
  m_pText->setMinimumSize(360, 180);

  m_pOk = new QPushButton(tr("OK"), this);
  m_pOk->setDefault(true);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  m_pFile = new QPushButton(QString::fromUtf8(kCommentFileButton), this);
  m_pHelp = new QPushButton(QString::fromUtf8(kCommentHelpButton), this);
  m_pHelp->setEnabled(static_cast<bool>(m_help));
  for (QPushButton* b : {cancel, m_pFile, m_pHelp}) b->setAutoDefault(false);

  auto* top = new QGridLayout;
  top->addWidget(nameLabel, 0, 0);
  top->addWidget(m_pName, 0, 1);
  top->addWidget(m_pIns, 0, 2);
  top->addWidget(m_pDel, 0, 3);
  top->addWidget(charsetLabel, 1, 0);
  top->addWidget(m_pCharset, 1, 1);
  top->setColumnStretch(1, 1);
  auto* left = new QVBoxLayout;
  left->addLayout(top);
  left->addWidget(m_pText, 1);

  auto* right = new QVBoxLayout;
  right->addWidget(m_pOk);
  right->addWidget(cancel);
  right->addSpacing(12);
  right->addWidget(m_pFile);
  right->addStretch(1);
  right->addWidget(m_pHelp);

  auto* row = new QHBoxLayout(this);
  row->addLayout(left, 1);
  row->addLayout(right);
  ConnectControls(cancel);
}

void CCommentDialog::ConnectControls(QPushButton* cancel) {
  connect(m_pOk, &QPushButton::clicked, this, &CCommentDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &CCommentDialog::reject);
  connect(m_pName, QOverload<int>::of(&QComboBox::activated), this, &CCommentDialog::OnSelectionChanged);
  connect(m_pName, &QComboBox::editTextChanged, this, &CCommentDialog::OnNameEdited);
  connect(m_pText, &QPlainTextEdit::textChanged, this, &CCommentDialog::OnTextChanged);
  connect(m_pCharset, QOverload<int>::of(&QComboBox::activated), this, &CCommentDialog::OnCharsetChosen);
  connect(m_pIns, &QPushButton::clicked, this, &CCommentDialog::OnIns);
  connect(m_pDel, &QPushButton::clicked, this, &CCommentDialog::OnDel);
  connect(m_pFile, &QPushButton::clicked, this, &CCommentDialog::OnFile);
  connect(m_pHelp, &QPushButton::clicked, this, [this] {
    if (m_help) m_help(kCommentHelpTopic);
  });
}

void CCommentDialog::SetComments(std::vector<CCommentRecord>& list, int current) {
  m_pTarget = &list;
  m_form.SetComments(list, current);
  Init();
}

void CCommentDialog::Init() {
  ++m_bUpdating;
  m_pName->clear();
  for (const CCommentRecord& rec : m_form.m_list) m_pName->addItem(Shown(rec.name));
  m_pName->setCurrentIndex(m_form.m_nSelected < m_pName->count() ? m_form.m_nSelected : -1);
  m_lastGoodName = m_pName->currentText();
  --m_bUpdating;
  m_form.Init();
  Apply();
  m_pText->setFocus();
}

void CCommentDialog::Apply() {
  ++m_bUpdating;
  std::string text;
  if (m_form.TakePendingText(text)) SetEditText(text);
  m_pText->setEnabled(m_form.m_bEditEnabled);
  m_pIns->setEnabled(m_form.m_bInsEnabled);
  m_pDel->setEnabled(m_form.m_bDelEnabled);
  const CCommentRecord* rec = m_form.Current();
  m_pCharset->setEnabled(rec != nullptr);
  m_pCharset->setCurrentIndex(rec ? ChoiceIndex(rec->charset) : -1);
  --m_bUpdating;
}

std::string CCommentDialog::GetEditText() const {
  std::vector<std::string> lines;
  for (const QString& line : m_pText->toPlainText().split(QLatin1Char('\n'))) {
    std::string internal;
    Utf8ToInternalExact(line.toStdString(), internal);  // the edit only ever holds text that fits
    lines.push_back(internal);
  }
  return JoinEditLines(lines);
}

void CCommentDialog::SetEditText(const std::string& internal) {
  QStringList lines;
  for (const std::string& line : SplitEditLines(internal)) lines << Shown(line);
  ++m_bUpdating;
  m_pText->setPlainText(lines.join(QLatin1Char('\n')));
  m_pText->moveCursor(QTextCursor::End);
  m_pText->ensureCursorVisible();
  m_lastGoodText = m_pText->toPlainText();
  --m_bUpdating;
}

void CCommentDialog::OnSelectionChanged(int k) {
  if (m_bUpdating) return;
  m_form.SelectionChanged(k, GetEditText());
  m_lastGoodName = m_pName->currentText();
  Apply();
}

void CCommentDialog::OnNameEdited(const QString& name) {
  if (m_bUpdating) return;
  std::string internal;
  if (!Utf8ToInternalExact(name.toStdString(), internal)) {
    ++m_bUpdating;
    m_pName->setEditText(m_lastGoodName);
    --m_bUpdating;
    CannotHold(CS_SJIS);
    return;
  }
  m_lastGoodName = name;
  m_form.NameEdited(internal, GetEditText());
  Apply();
}

void CCommentDialog::OnTextChanged() {
  if (m_bUpdating) return;
  const QString now = m_pText->toPlainText();
  std::string internal;
  bool fits = Utf8ToInternalExact(now.toStdString(), internal);
  int code = CS_SJIS;
  if (fits) {
    if (const CCommentRecord* rec = m_form.Current()) {
      code = rec->charset;
      fits = CharsetHolds(GetEditText(), code);
    }
  }
  if (fits) {
    m_lastGoodText = now;
    return;
  }
  // Back to the text before the change, the caret where it was.
  const int caret = m_pText->textCursor().position();
  ++m_bUpdating;
  m_pText->setPlainText(m_lastGoodText);
  QTextCursor c = m_pText->textCursor();
  c.setPosition(std::min(caret, static_cast<int>(m_lastGoodText.size())));
  m_pText->setTextCursor(c);
  --m_bUpdating;
  CannotHold(code);
}

void CCommentDialog::OnCharsetChosen(int index) {
  if (m_bUpdating) return;
  const std::vector<int>& codes = CommentCharsetChoices();
  if (index < 0 || index >= static_cast<int>(codes.size())) return;
  const CommentAction r = m_form.SetCharset(codes[static_cast<size_t>(index)], GetEditText());
  if (r == COMMENT_CANNOT_HOLD) CannotHold(codes[static_cast<size_t>(index)]);
  Apply();
}

void CCommentDialog::OnIns() {
  std::string name;
  Utf8ToInternalExact(m_pName->currentText().toStdString(), name);
  const CommentAction r = m_form.Insert(name, GetEditText(), m_app.m_defaultCommentCharset);
  if (r == COMMENT_BEEP) return Beep();
  if (r == COMMENT_CANNOT_HOLD) return CannotHold(m_app.m_defaultCommentCharset);
  ++m_bUpdating;
  m_pName->addItem(Shown(name));
  m_pName->setCurrentIndex(m_pName->count() - 1);
  m_lastGoodName = m_pName->currentText();
  --m_bUpdating;
  Apply();
}

void CCommentDialog::OnDel() {
  const int k = m_form.m_nSelected;
  if (m_form.Delete() == COMMENT_BEEP) return Beep();
  ++m_bUpdating;
  m_pName->removeItem(k);
  m_pName->setCurrentIndex(k < m_pName->count() ? k : -1);
  if (m_pName->currentIndex() < 0) m_pName->setEditText(QString());
  m_lastGoodName = m_pName->currentText();
  --m_bUpdating;
  Apply();
}

void CCommentDialog::OnFile() {
  CFileDialog dlg(CFileDialog::Open, kCommentFileFilter, this);
  dlg.SetTitle(kCommentFileTitle);
  if (!dlg.Run()) return;
  LoadFile(dlg.Path());
}

void CCommentDialog::LoadFile(const std::string& path) {
  std::string text;
  ReadCommentFile(path, m_app.m_settings, text);  // an unreadable file leaves the edit empty
  const CCommentRecord* rec = m_form.Current();
  if (rec && !CharsetHolds(text, rec->charset)) return CannotHold(rec->charset);
  SetEditText(text);
}

void CCommentDialog::CannotHold(int code) {
  const char* name = CharsetName(code);
  if (!name) name = "?";
  char text[512];
  std::snprintf(text, sizeof text, kCommentCannotHold, name, name);
  m_app.Messages().MessageBox(text, kCommentCaption, MB_OK | MB_ICONEXCLAMATION);
}

void CCommentDialog::Beep() {
  ++m_nBeeps;
  QApplication::beep();
}

void CCommentDialog::accept() {
  if (m_pTarget) m_form.TakeResult(*m_pTarget, GetEditText());
  QDialog::accept();
}

bool RunCommentDialog(QWidget* parent, CImageDoc& doc, std::function<void(int)> help) {
  const CCommentRecord* old = doc.CurrentComment();
  const bool hadCurrent = old != nullptr;
  const std::string oldName = hadCurrent ? old->name : std::string();
  CCommentDialog dlg(parent, doc.App(), std::move(help));
  dlg.SetComments(doc.m_comments, doc.m_nCurrentComment);
  if (dlg.exec() != QDialog::Accepted) return false;
  doc.m_bComment = 1;
  doc.m_nCurrentComment = hadCurrent ? FindCommentName(doc.m_comments, oldName) : -1;
  return true;
}

} // namespace qv
