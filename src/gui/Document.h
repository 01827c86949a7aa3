#pragma once
// The window side of one image document: the core CImageDoc plus its title,
// modified marker, clipboard flag and views, and the open, save and close
// rules that involve other windows.
#include <string>
#include <vector>

#include <QObject>

class QWidget;

#include "image/ImageDoc.h"

namespace qv {

class CChildFrame;
class CImageView;
class CQuorvexApp;

class CDocument : public QObject {
  Q_OBJECT
public:
  explicit CDocument(CQuorvexApp& app);
  ~CDocument() override;

  CImageDoc& Doc() { return m_doc; }
  const CImageDoc& Doc() const { return m_doc; }
  CQuorvexApp& App() const { return m_app; }

  const std::string& Title() const { return m_title; }
  void SetTitle(const std::string& title);
  const std::string& PathName() const { return m_doc.m_strPathName; }
  // Sets the path and the title (the path's file name); optionally adds
  // the path to the recent-file list.
  void SetPathName(const std::string& path, bool addToRecent = true);

  bool IsModified() const { return m_bModified; }
  // On: "(%d)" first for an unnumbered clipboard title, then " *".
  // Off: the marker is cut again.
  void MarkModified(bool on);

  // The live clipboard document, which a clipboard change replaces.
  bool IsClipboard() const { return m_bClipboard; }
  void SetClipboard(bool on) { m_bClipboard = on; }

  // The document a running batch conversion works on refuses to close.
  bool IsBatchWorkDocument() const;

  // The new-image state (640 x 480 white, "New Image").
  int OnNewDocument();
  // Loads a file. When another open document already shows the same path
  // (letter case ignored), that one is reloaded and activated instead and
  // 0 is returned so that this document is discarded.
  int OnOpenDocument(const std::string& path);
  // Save As: the format follows the extension.
  int OnSaveDocument(const std::string& path);
  // Closes every window of the document and deletes it; refused for the
  // batch working document unless forced. False when refused.
  bool OnCloseDocument(bool force = false);
  bool IsClosing() const { return m_bClosing; }

  // 429: the document's own path again, unmodified.
  void OnReload();
  // 437 and 445: the resize and the gamma dialogs on the image; a change
  // marks the document modified and updates its views.
  void OnResize(QWidget* parent);
  void OnGamma(QWidget* parent);
  // 433: the marker view on the document's file; after a save the file is
  // read again (not through Load, which would delete a preview's file).
  void OnMarkerEdit(QWidget* parent);
  // 1005 and 1308: whether a later save writes the comment, the custom
  // quantization tables.
  void OnCommentToggle();
  void OnCustomDqtToggle();
  // 1309: custom tables on, then the DQT dialog on a copy of the table
  // store, which its OK copies back.
  void OnCustomDqtEdit(QWidget* parent);
  // 431: the image written as a JPEG in a temporary file and read back
  // into a new document, the conversion preview, titled by its settings.
  // Returns it, or null when a step failed (reported).
  CDocument* OnConvertPreview();
  // 434 and 435: the PNG gamma in a message, the transparent colour in a
  // colour dialog whose answer is not used.
  void OnShowPngGamma();
  void OnShowTransparentColor(QWidget* parent);
  // 440: the comment dialog on the comment list.
  void OnCommentEdit(QWidget* parent);
  // 432: three new documents holding the Y, Cb and Cr components, titled
  // this title + "[Y]", "[Cb]", "[Cr]"; those made before a failure stay
  // open. Returns them in that order.
  std::vector<CDocument*> OnSeparateYCbCr();

  // Description text; updates the views when asked.
  void SetDescription(const std::string& text, bool updateViews);
  void UpdateAllViews(CImageView* sender, int hint = 0);

  const std::vector<CImageView*>& Views() const { return m_views; }
  CImageView* FirstView() const { return m_views.empty() ? nullptr : m_views.front(); }
  void AddView(CImageView* view);
  void RemoveView(CImageView* view);

signals:
  void titleChanged();

private:
  // Hands a load or save error of `doc` to the application; returns result.
  int PassLoadError(CImageDoc& doc, int result);
  CQuorvexApp& m_app;
  CImageDoc m_doc;
  std::string m_title;
  bool m_bModified = false;
  bool m_bClipboard = false;
  bool m_bClosing = false;
  std::vector<CImageView*> m_views;
};

} // namespace qv
