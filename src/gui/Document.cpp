#include "gui/Document.h"

#include <cstdio>
#include <utility>

#include <QApplication>
#include <QColorDialog>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>

#include "app/AppHelpers.h"
#include "app/Extension.h"
#include "app/ReplacingFile.h"
#include "gui/AppTexts.h"
#include "gui/ChildFrame.h"
#include "gui/DocTemplate.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/RecentFileList.h"
#include "batch/BatchRun.h"
#include "gui/BatchHost.h"
#include "gui/ImageView.h"
#include "image/ColorOps.h"
#include "platform/MessageSink.h"
#include "view/ui/DqtDlg.h"
#include "platform/ui/HelpWindow.h"
#include "platform/ui/WaitCursor.h"
#include "view/ui/CommentDlg.h"
#include "view/ui/GammaDlg.h"
#include "view/ui/PngSaveDlg.h"
#include "view/ui/ResizeDlg.h"

namespace qv {
namespace {

std::string FileTitle(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The sampling labels (strings 271 to 275) by sampling choice.
const char* SamplingLabel(int choice) {
  static const char* const labels[] = {"B/W", "1:1", "2:1", "4:1", "1:2"};
  return choice >= 0 && choice < 5 ? labels[choice] : "";
}

// The preview's file, byte for byte, at `target`; the old file stays
// when anything fails.
bool CopyPreviewFile(const std::string& preview, const std::string& target) {
  QFile in(QFile::decodeName(preview.c_str()));
  if (!in.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = in.readAll();
  if (in.error() != QFileDevice::NoError) return false;
  return ReplaceFileContent(target, bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace

CDocument::CDocument(CQuorvexApp& app) : m_app(app), m_doc(app.App()) {}

CDocument::~CDocument() = default;

void CDocument::SetTitle(const std::string& title) {
  m_title = title;
  emit titleChanged();
}

void CDocument::SetPathName(const std::string& path, bool addToRecent) {
  m_doc.m_strPathName = path;
  SetTitle(FileTitle(path));
  if (addToRecent) m_app.Recent().Add(path);
}

void CDocument::MarkModified(bool on) {
  if (on && !m_bModified) {
    std::string title = m_title;
    if (m_doc.m_bNumberedTitle) {
      const int n = m_app.MainFrame() ? m_app.MainFrame()->NextClipboardNumber() : 1;
      char buf[32];
      std::snprintf(buf, sizeof buf, txt::kFrozenTitleFormat, n);
      title += buf;
      m_doc.m_bNumberedTitle = 0;
    }
    title += txt::kModifiedMarker;
    m_bModified = true;
    SetTitle(title);
  } else if (!on && m_bModified) {
    std::string title = m_title;
    title.resize(title.size() >= 2 ? title.size() - 2 : 0);
    m_bModified = false;
    SetTitle(title);
  }
}

bool CDocument::IsBatchWorkDocument() const {
  const CBatchRun& run = m_app.BatchHost().Run();
  return !run.Idle() && run.m_pWorkDoc == &m_doc;
}

int CDocument::PassLoadError(CImageDoc& doc, int result) {
  // The application reports it when the command is done.
  if (doc.m_nLoadError != LOADERR_NONE) {
    m_app.App().lastLoadError = doc.m_nLoadError;
    m_app.App().loadErrorName = doc.m_strLoadErrorName;
    doc.m_nLoadError = LOADERR_NONE;
  }
  return result;
}

int CDocument::OnNewDocument() { return m_doc.OnNewDocument(); }

int CDocument::OnOpenDocument(const std::string& path) {
  if (CDocument* other = m_app.Template().FindByPath(path, this)) {
    PassLoadError(other->Doc(), other->Doc().Load(path));
    other->MarkModified(false);
    other->UpdateAllViews(nullptr);
    if (CImageView* v = other->FirstView())
      if (CChildFrame* f = v->Frame())
        if (QMdiArea* mdi = f->mdiArea()) mdi->setActiveSubWindow(f);
    return 0;
  }
  return PassLoadError(m_doc, m_doc.Load(path));
}

int CDocument::OnSaveDocument(const std::string& path) {
  const size_t dot = FindExtension(path);
  if (dot == kNoPosition) return 0;
  const int type = FormatFromExtension(path.substr(dot));
  int ok = 0;
  // Saved onto its own file, the preview just keeps it: deleting the
  // temporary file afterwards would delete what was saved.
  const bool ownFile = m_doc.m_bConverted && !m_doc.m_tempPath[0].empty() && SameFileOnDisk(m_doc.m_tempPath[0], path);
  if (ownFile && type == m_doc.m_nFileType) {
    m_doc.m_tempPath[0].clear();
    ok = 1;
  } else if (type == m_doc.m_nFileType && m_doc.m_bConverted && !m_doc.m_tempPath[0].empty()) {
    ok = CopyPreviewFile(m_doc.m_tempPath[0], path) ? 1 : 0;
    if (!ok) ShowFileError(m_app.App().Messages(), "Save", path, txt::kCopyFailed);
  } else {
    if (type == FT_PNG && !RunPngSaveDialog(m_app.MainFrame(), m_doc, ShowHelpTopic)) return 0;
    const int oldType = m_doc.m_nFileType;
    ok = PassLoadError(m_doc, m_doc.SaveByType(path));
    // A failed save leaves the document what it was (a preview stays one).
    if (!ok) m_doc.m_nFileType = oldType;
  }
  if (!ok) return 0;
  if (m_doc.m_bConverted) {
    m_doc.DeleteTempFiles();
    m_doc.m_bConverted = 0;
  }
  MarkModified(false);
  SetPathName(path, true);
  m_doc.SetDescription(m_doc.m_strCodecInfo);
  UpdateAllViews(nullptr);
  m_doc.m_bNumberedTitle = 0;
  return ok;
}

bool CDocument::OnCloseDocument(bool force) {
  if (m_bClosing) return true;
  if (!force && IsBatchWorkDocument()) return false;
  m_bClosing = true;
  m_doc.DeleteTempFiles();
  CDocTemplate& tmpl = m_app.Template();
  if (tmpl.Count() <= 1 && m_app.MainFrame()) m_app.MainFrame()->UpdateInfoTexts(nullptr);
  const std::vector<CImageView*> views = m_views;
  m_views.clear();
  for (CImageView* v : views) {
    CChildFrame* f = v->Frame();
    if (f && !f->IsClosingByDocument()) {
      f->SetClosingByDocument();
      f->close();
    }
  }
  tmpl.RemoveDocument(this);
  return true;
}

void CDocument::OnReload() {
  PassLoadError(m_doc, m_doc.Load(m_doc.m_strPathName));
  MarkModified(false);
  UpdateAllViews(nullptr);
  m_app.ReportLoadError();
}

void CDocument::OnResize(QWidget* parent) {
  if (!RunResizeDialog(parent, m_doc)) return;
  // A preview keeps the id it shares with its source; so does an image
  // already changed, whose id changed with its first change.
  if (!m_doc.m_bConverted && !m_bModified) {
    MarkModified(true);
    CConverterApp& app = m_app.App();
    app.UnregisterDocumentId(m_doc.m_nDocumentId);
    m_doc.m_nDocumentId = app.NewDocumentId();
    app.RegisterDocumentId(m_doc.m_nDocumentId);
  }
  UpdateAllViews(nullptr);
}

void CDocument::OnGamma(QWidget* parent) {
  if (!RunGammaDialog(parent, m_doc, ShowHelpTopic)) return;
  UpdateAllViews(nullptr);
  MarkModified(true);
}

void CDocument::OnMarkerEdit(QWidget* parent) {
  if (m_app.RunMarkerView(parent, m_doc.m_strPathName) != 1) return;
  if (PassLoadError(m_doc, m_doc.ReadJpeg(m_doc.m_strPathName))) {
    m_doc.SetDescription(m_doc.m_strCodecInfo);
    if (m_doc.m_comments.empty()) m_doc.AddDefaultComment();
  }
  MarkModified(false);
  UpdateAllViews(nullptr);
  m_app.ReportLoadError();
}

CDocument* CDocument::OnConvertPreview() {
  CConverterApp& app = m_app.App();
  app.ResetEncoderChoices();
  const CSettings& s = app.m_settings;
  char quality[32];
  std::snprintf(quality, sizeof quality, "Q=%d", s.Param1);
  std::string settings = m_doc.m_bCustomDqt ? "CustomDQT" : quality;
  settings += " DS=";
  settings += SamplingLabel(s.Param2);
  if (s.Param3) settings += " Prg.";

  const std::string dir = s.TempDir.empty() ? SystemTempDirectory() : s.TempDir;
  std::string temp;
  // Named as a photo, not as a scratch file: the sweep of stale scratch
  // files must not take a preview that stays open for long.
  if (!MakeTempFileName(dir, txt::kPreviewTempPrefix, ".jpg", temp)) {
    ShowFileError(app.Messages(), "Convert", dir, txt::kTempFileError);
    return nullptr;
  }
  // The writer would take a file already at the path for a thumbnail to embed.
  std::remove(temp.c_str());
  if (!m_doc.WriteJpeg(temp)) {
    std::remove(temp.c_str());
    ShowFileError(app.Messages(), "ConvertFile", m_doc.m_strPathName, txt::kConvertFailed);
    return nullptr;
  }

  CDocument* preview = m_app.Template().OpenDocumentFile(nullptr, true);
  if (!preview) {
    std::remove(temp.c_str());
    return nullptr;
  }
  CImageDoc& core = preview->Doc();
  // The comment comes from the file, as for a file opened.
  core.m_comments.clear();
  core.m_nCurrentComment = -1;
  core.m_nFileType = FT_JPEG;
  core.m_tempPath[0] = temp;
  core.m_bTempFiles = 1;  // from here on the preview deletes the file, even if it is discarded
  if (!PassLoadError(core, core.ReadJpeg(temp))) {
    preview->OnCloseDocument(true);
    m_app.ReportLoadError();
    return nullptr;
  }
  if (core.m_comments.empty()) core.AddDefaultComment();
  // The preview shares the source's id, so that the two views can follow each other.
  app.UnregisterDocumentId(core.m_nDocumentId);
  core.m_nDocumentId = m_doc.m_nDocumentId;
  app.RegisterDocumentId(core.m_nDocumentId);
  core.SetDescription(core.m_strCodecInfo);
  preview->SetPathName(temp, false);
  core.m_bConverted = 1;
  preview->SetTitle(FileTitle(temp) + "(" + settings + ")");
  preview->UpdateAllViews(nullptr);
  return preview;
}

void CDocument::OnShowPngGamma() {
  char text[64];
  if (m_doc.m_bGamma)
    std::snprintf(text, sizeof text, txt::kGammaFormat, m_doc.m_dGamma);
  else
    std::snprintf(text, sizeof text, "%s", txt::kNoGammaValue);
  m_app.App().Messages().MessageBox(text, txt::kAppTitle, MB_OK | MB_ICONINFORMATION);
}

void CDocument::OnShowTransparentColor(QWidget* parent) {
  const uint8_t* c = m_doc.m_transparentColor;  // blue, green, red
  QColorDialog dlg(QColor(c[2], c[1], c[0]), parent);
  dlg.setOption(QColorDialog::DontUseNativeDialog);
  dlg.exec();
}

void CDocument::OnCommentEdit(QWidget* parent) { RunCommentDialog(parent, m_doc, ShowHelpTopic); }

void CDocument::OnCommentToggle() { m_doc.m_bComment = m_doc.m_bComment ? 0 : 1; }

void CDocument::OnCustomDqtToggle() { m_doc.m_bCustomDqt = m_doc.m_bCustomDqt ? 0 : 1; }

void CDocument::OnCustomDqtEdit(QWidget* parent) {
  m_doc.m_bCustomDqt = 1;
  CConverterApp& app = m_app.App();
  QuantTable tables[2] = {m_doc.m_dqt[0], m_doc.m_dqt[1]};
  if (!RunDqtDialog(parent, app.Messages(), app.ConfigDir(), m_app.DqtSources(), tables, ShowHelpTopic)) return;
  m_doc.m_dqt[0] = tables[0];
  m_doc.m_dqt[1] = tables[1];
}

std::vector<CDocument*> CDocument::OnSeparateYCbCr() {
  CWaitCursor wait;
  std::vector<SeparatedImage> parts;
  SeparateYCbCr(m_doc, m_title, parts);  // reports its own failure
  std::vector<CDocument*> made;
  for (SeparatedImage& part : parts) {
    CDocument* doc = m_app.Template().OpenDocumentFile(nullptr, true);
    if (!doc) break;
    CImageDoc& core = doc->Doc();
    std::swap(core.m_pBitmap, part.doc->m_pBitmap);
    // The part then releases the id the new document drew, and the source's
    // id stays registered for both.
    std::swap(core.m_nDocumentId, part.doc->m_nDocumentId);
    doc->SetTitle(part.title);
    doc->UpdateAllViews(nullptr);
    made.push_back(doc);
  }
  return made;
}

void CDocument::SetDescription(const std::string& text, bool updateViews) {
  m_doc.SetDescription(text);
  if (updateViews) UpdateAllViews(nullptr);
}

void CDocument::UpdateAllViews(CImageView* sender, int hint) {
  const std::vector<CImageView*> views = m_views;
  for (CImageView* v : views)
    if (v != sender) v->OnUpdate(sender, hint);
}

void CDocument::AddView(CImageView* view) { m_views.push_back(view); }

void CDocument::RemoveView(CImageView* view) {
  for (auto it = m_views.begin(); it != m_views.end(); ++it) {
    if (*it == view) {
      m_views.erase(it);
      return;
    }
  }
}

} // namespace qv
