#pragma once
// The EXIF information window (dialog 155): the five summary lines of the
// active document's Exif block, or their fallback texts. Modeless; the main
// frame opens it, refills it at every document activation and destroys it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <QDialog>

class QLabel;
class QPushButton;

namespace qv {

class CExifInfoWnd : public QDialog {
  Q_OBJECT
public:
  explicit CExifInfoWnd(QWidget* parent);

  // Right edge on the parent's right edge, top kept, shown without taking
  // the focus.
  void ShowBesideParent();
  // The block as a document keeps it (the APP1 payload from "Exif\0\0" on,
  // or the bare TIFF block); null or empty gives the five fallbacks. The
  // texts are taken at once: the block may go away afterwards.
  void Fill(const std::vector<uint8_t>* exifBlock);
  void Fill(const uint8_t* block, size_t size);
  // A document's title as the caption, and its block.
  void ShowDocument(const std::string& title, const std::vector<uint8_t>* exifBlock);

  // 1084 maker ... 1088 exposure.
  QLabel* Line(int index) const { return m_pLines[index]; }
  QPushButton* CloseButton() const { return m_pClose; }

signals:
  // "Close", Escape or the window's own close box: the owner destroys it.
  void closeRequested();

protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  void reject() override;

private:
  void AlignWithParent();

  QLabel* m_pLines[5] = {};
  QPushButton* m_pClose = nullptr;
  bool m_bCreating = false;
  bool m_bAligning = false;  // until the window manager has framed it
};

} // namespace qv
