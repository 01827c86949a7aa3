#include "jpegmeta/ui/MarkerViewDlg.h"

#include <algorithm>

#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "jpegmeta/Charset.h"
#include "platform/ui/WaitCursor.h"
#include "view/ui/DqtPreview.h"

namespace qv {

namespace {

enum ItemRole { RoleRecord = Qt::UserRole, RoleOffset, RoleCount };

QString Utf8(const char* text) { return QString::fromUtf8(text); }

void FillItem(QTreeWidgetItem* item, const MarkerNode& node) {
  item->setText(0, QString::fromStdString(InternalToUtf8(node.text)));
  item->setData(0, RoleRecord, QVariant::fromValue(reinterpret_cast<quintptr>(node.item.record)));
  item->setData(0, RoleOffset, node.item.offset);
  item->setData(0, RoleCount, node.item.count);
  for (const MarkerNode& child : node.children) FillItem(new QTreeWidgetItem(item), child);
}

// The hex edit's text limit: typing and pasting never take the text past
// it, while a long record shown by the dialog itself may exceed it.
class CHexEdit : public QPlainTextEdit {
public:
  using QPlainTextEdit::QPlainTextEdit;

protected:
  void keyPressEvent(QKeyEvent* event) override {
    const QString text = event->text();
    const bool inserts = !isReadOnly() && !text.isEmpty() &&
                         (text.at(0).isPrint() || text.at(0) == QLatin1Char('\r') || text.at(0) == QLatin1Char('\t'));
    if (inserts && Room() < text.size()) {
      QApplication::beep();
      return;
    }
    QPlainTextEdit::keyPressEvent(event);
  }
  void insertFromMimeData(const QMimeData* source) override {
    if (isReadOnly() || !source->hasText()) return;
    QString text = source->text();
    const int room = Room();
    if (text.size() > room) {
      QApplication::beep();
      text.truncate(std::max(room, 0));
    }
    if (text.isEmpty()) return;
    textCursor().insertText(text);
    ensureCursorVisible();
  }

private:
  // Characters that may still come in, the selection being replaced.
  int Room() const {
    const QTextCursor c = textCursor();
    const int length = document()->characterCount() - 1;
    return kMarkerHexTextLimit - (length - (c.selectionEnd() - c.selectionStart()));
  }
};

// A picture in a sunken frame, as the dialog's frame controls hold them.
QFrame* FrameAround(QWidget* parent, QWidget* picture, QSize size) {
  auto* frame = new QFrame(parent);
  frame->setFrameShape(QFrame::Box);
  frame->setFrameShadow(QFrame::Sunken);
  frame->setFixedSize(size);
  auto* inside = new QVBoxLayout(frame);
  inside->setContentsMargins(2, 2, 2, 2);
  inside->addWidget(picture);
  return frame;
}

} // namespace

CMarkerViewDlg::CMarkerViewDlg(QWidget* parent, const std::string& path, IMessageSink& sink, std::string tempDir,
                               HelpHandler help)
    : QDialog(parent), m_sink(sink), m_tempDir(std::move(tempDir)), m_help(std::move(help)) {
  setWindowTitle(Utf8(kMarkerViewCaption));
  BuildLayout();
  resize(860, 560);
  m_form.Open(path, m_sink);
  {
    CWaitCursor wait;
    BuildTree();
  }
  UpdateButtons();
}

CMarkerViewDlg::~CMarkerViewDlg() = default;

void CMarkerViewDlg::BuildLayout() {
  m_pTree = new QTreeWidget(this);
  m_pTree->setHeaderHidden(true);
  m_pTree->setColumnCount(1);
  m_pTree->setMinimumSize(300, 360);
  m_pTree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  m_pTree->header()->setStretchLastSection(false);
  auto* treeLabel = new QLabel(Utf8(kMarkerListLabel), this);
  treeLabel->setBuddy(m_pTree);

  m_pHex = new CHexEdit(this);
  m_pHex->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_pHex->setMinimumSize(390, 220);
  // The edit's own font with the face of string 211 and fixed pitch; the
  // platform's fixed font stands in where that face is missing.
  QFont font = m_pHex->font();
  font.setFamilies({Utf8(kMarkerHexFace), QStringLiteral("IPAGothic"),
                    QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  m_pHex->setFont(font);
  // The item's bytes stay marked while the tree has the focus.
  QPalette pal = m_pHex->palette();
  pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
  m_pHex->setPalette(pal);
  QSizePolicy keep = m_pHex->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  m_pHex->setSizePolicy(keep);
  auto* hexLabel = new QLabel(Utf8(kMarkerValueLabel), this);
  hexLabel->setBuddy(m_pHex);
  connect(m_pHex, &QPlainTextEdit::textChanged, this, &CMarkerViewDlg::OnTextChanged);

  QStyle* st = style();
  m_pIns = new QPushButton(st->standardIcon(QStyle::SP_FileIcon), Utf8(kMarkerInsButton), this);
  m_pDel = new QPushButton(st->standardIcon(QStyle::SP_TrashIcon), Utf8(kMarkerDelButton), this);
  m_pOk = new QPushButton(st->standardIcon(QStyle::SP_DialogApplyButton), Utf8(kMarkerOkButton), this);
  m_pCancel = new QPushButton(st->standardIcon(QStyle::SP_DialogResetButton), Utf8(kMarkerCancelButton), this);
  m_pSave = new QPushButton(Utf8(kMarkerSaveButton), this);
  m_pClose = new QPushButton(Utf8(kMarkerCloseButton), this);
  m_pHelp = new QPushButton(Utf8(kMarkerHelpButton), this);
  for (QPushButton* b : {m_pIns, m_pDel, m_pOk, m_pCancel, m_pSave, m_pHelp}) b->setAutoDefault(false);
  m_pClose->setDefault(true);
  m_pHelp->setEnabled(static_cast<bool>(m_help));
  connect(m_pIns, &QPushButton::clicked, this, &CMarkerViewDlg::OnIns);
  connect(m_pDel, &QPushButton::clicked, this, &CMarkerViewDlg::OnDel);
  connect(m_pOk, &QPushButton::clicked, this, &CMarkerViewDlg::OnOk);
  connect(m_pCancel, &QPushButton::clicked, this, &CMarkerViewDlg::OnCancel);
  connect(m_pSave, &QPushButton::clicked, this, &CMarkerViewDlg::OnSave);
  connect(m_pClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_pHelp, &QPushButton::clicked, this, [this] {
    if (m_help) m_help(kMarkerHelpTopic);
  });

  // The two tables and the colour scale.
  auto* tables = new QHBoxLayout;
  for (int k = 0; k < 2; ++k) {
    m_apPreview[k] = new CDqtPreview(8, 8, 80, 80, this);
    m_apQf[k] = new QLabel(Utf8(kMarkerNoTable), this);
    auto* box = new QVBoxLayout;
    box->addWidget(new QLabel(Utf8(k == 0 ? kMarkerDqt0Caption : kMarkerDqt1Caption), this));
    box->addWidget(FrameAround(this, m_apPreview[k], QSize(90, 90)));
    box->addWidget(m_apQf[k]);
    tables->addLayout(box);
  }
  m_pScale = new CDqtPreview(1, 256, 4, 128, this);
  m_pScale->ShowColourScale();
  tables->addWidget(FrameAround(this, m_pScale, QSize(20, 138)), 0, Qt::AlignTop);
  tables->addStretch(1);

  auto* editButtons = new QHBoxLayout;
  for (QPushButton* b : {m_pIns, m_pDel, m_pOk, m_pCancel}) editButtons->addWidget(b);
  editButtons->addStretch(1);

  auto* right = new QVBoxLayout;
  right->addWidget(hexLabel);
  right->addWidget(m_pHex, 1);
  right->addLayout(editButtons);
  right->addLayout(tables);

  auto* left = new QVBoxLayout;
  left->addWidget(treeLabel);
  left->addWidget(m_pTree, 1);

  auto* top = new QHBoxLayout;
  top->addLayout(left, 1);
  top->addLayout(right, 1);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_pSave);
  bottom->addStretch(1);
  bottom->addWidget(m_pClose);
  bottom->addWidget(m_pHelp);

  auto* all = new QVBoxLayout(this);
  all->addLayout(top, 1);
  all->addLayout(bottom);

  connect(m_pTree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) { ShowItem(current); });
}

MarkerItem CMarkerViewDlg::ItemOf(const QTreeWidgetItem* item) {
  MarkerItem m;
  if (!item) return m;
  m.record = reinterpret_cast<const CJpegSegment*>(item->data(0, RoleRecord).value<quintptr>());
  m.offset = item->data(0, RoleOffset).toInt();
  m.count = item->data(0, RoleCount).toInt();
  return m;
}

void CMarkerViewDlg::BuildTree() {
  m_pShown = nullptr;
  m_pTree->clear();
  const std::vector<MarkerNode> nodes = BuildMarkerTree(m_form.List(), m_form.IsPng());
  for (const MarkerNode& node : nodes) {
    AddRecordItems(node, m_pTree->topLevelItemCount());
    if (!m_form.IsPng()) ShowPictures(*node.item.record);
  }
}

QTreeWidgetItem* CMarkerViewDlg::AddRecordItems(const MarkerNode& node, int index) {
  auto* item = new QTreeWidgetItem;
  FillItem(item, node);
  m_pTree->insertTopLevelItem(index, item);
  return item;
}

void CMarkerViewDlg::ShowPictures(const CJpegSegment& rec) {
  for (const DqtPicture& pic : DqtPicturesOf(rec)) {
    const uint32_t sum = m_apPreview[pic.id]->ShowTable(pic.values);
    m_apQf[pic.id]->setText(QString::fromStdString(QfLabelOf(sum)));
  }
}

void CMarkerViewDlg::ShowItem(QTreeWidgetItem* item) {
  if (!item) {
    ShowRecord(nullptr);
    return;
  }
  const MarkerItem m = ItemOf(item);
  if (m.record != m_pShown) ShowRecord(m.record);
  SelectBytes(m);
}

void CMarkerViewDlg::ShowRecord(const CJpegSegment* rec) {
  m_pShown = rec;
  const QString text = rec ? QString::fromStdString(HexDumpText(*rec, "\n")) : QString();
  m_bLastFillHidden = rec && rec->m_nLength > kMarkerLargeRecord && !rec->Has(SF_NOT_LOADED);
  ++m_bUpdating;
  if (m_bLastFillHidden) {
    // One repaint instead of one per line of a long dump.
    CWaitCursor wait;
    m_pHex->setVisible(false);
    m_pHex->setPlainText(text);
    m_pHex->setVisible(true);
  } else {
    m_pHex->setPlainText(text);
  }
  m_pHex->setReadOnly(!m_form.IsEditable(rec));
  --m_bUpdating;
  SetEdited(false);
}

void CMarkerViewDlg::SelectBytes(const MarkerItem& item) {
  QTextCursor cursor(m_pHex->document());
  const HexSelection s = HexSelectionOf(item.offset, item.count, 1);
  const int last = m_pHex->document()->characterCount() - 1;
  if (s.all) {
    cursor.select(QTextCursor::Document);
  } else {
    cursor.setPosition(std::min(s.end, last));
    m_pHex->setTextCursor(cursor);
    m_pHex->ensureCursorVisible();
    cursor.setPosition(std::min(s.start, last));
    cursor.setPosition(std::min(s.end, last), QTextCursor::KeepAnchor);
  }
  m_pHex->setTextCursor(cursor);
  m_pHex->ensureCursorVisible();
}

QTreeWidgetItem* CMarkerViewDlg::SelectedRecordItem() const {
  QTreeWidgetItem* item = m_pTree->currentItem();
  while (item && item->parent()) item = item->parent();
  return item;
}

void CMarkerViewDlg::SetEdited(bool on) {
  m_bEdited = on;
  UpdateButtons();
}

void CMarkerViewDlg::UpdateButtons() {
  const bool png = m_form.IsPng();
  m_pOk->setEnabled(!png && m_bEdited);
  m_pCancel->setEnabled(!png && m_bEdited);
  m_pIns->setEnabled(!png);
  m_pDel->setEnabled(!png);
  m_pSave->setEnabled(!png && m_form.IsModified());
}

void CMarkerViewDlg::OnTextChanged() {
  if (m_bUpdating || m_bEdited || !m_form.IsEditable(m_pShown)) return;
  SetEdited(true);
}

void CMarkerViewDlg::OnOk() {
  QTreeWidgetItem* old = SelectedRecordItem();
  if (!old || !m_bEdited) return;
  const MarkerItem m = ItemOf(old);
  const CJpegSegment* made =
      m_form.Replace(m.record, ParseHexText(m_pHex->toPlainText().toStdString()), m_sink);
  if (!made) return;
  const int index = m_pTree->indexOfTopLevelItem(old);
  QTreeWidgetItem* item = AddRecordItems(JpegRecordNode(*made), index + 1);
  ShowPictures(*made);
  // The old record may be gone from the list: nothing may show it any more.
  m_pShown = nullptr;
  m_pTree->setCurrentItem(item);
  delete old;
  UpdateButtons();
}

void CMarkerViewDlg::OnCancel() {
  m_pShown = nullptr;
  ShowItem(m_pTree->currentItem());
}

void CMarkerViewDlg::OnIns() {
  QTreeWidgetItem* after = SelectedRecordItem();
  if (!after) return;
  const CJpegSegment* made = m_form.InsertComment(ItemOf(after).record);
  if (!made) return;
  QTreeWidgetItem* item = AddRecordItems(JpegRecordNode(*made), m_pTree->indexOfTopLevelItem(after) + 1);
  m_pTree->setCurrentItem(item);
  UpdateButtons();
}

void CMarkerViewDlg::OnDel() {
  QTreeWidgetItem* item = SelectedRecordItem();
  if (!item) return;
  const CJpegSegment* rec = ItemOf(item).record;
  if (!m_form.Delete(rec)) return;
  m_pShown = nullptr;
  delete item;  // the tree moves the current item on, which shows it
  if (!m_pTree->currentItem()) ShowRecord(nullptr);
  UpdateButtons();
}

void CMarkerViewDlg::OnSave() {
  if (!m_form.IsModified()) return;
  if (m_form.Save(m_tempDir, m_sink) == 1) done(1);
}

int RunMarkerViewDialog(QWidget* parent, const std::string& path, IMessageSink& sink, const std::string& tempDir,
                        CMarkerViewDlg::HelpHandler help) {
  CMarkerViewDlg dlg(parent, path, sink, tempDir, std::move(help));
  return dlg.exec() == 1 ? 1 : 0;
}

} // namespace qv
