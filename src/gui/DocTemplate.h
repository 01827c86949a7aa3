#pragma once
// The one document template: documents of CImageDoc shown in a CChildFrame
// with a CImageView. It owns the open documents.
#include <string>
#include <vector>

namespace qv {

class CChildFrame;
class CDocument;
class CImageDoc;
class CQuorvexApp;

class CDocTemplate {
public:
  explicit CDocTemplate(CQuorvexApp& app);
  ~CDocTemplate();
  CDocTemplate(const CDocTemplate&) = delete;
  CDocTemplate& operator=(const CDocTemplate&) = delete;

  // path null: a new empty document. Returns the new document, or null
  // when loading failed or an open window was reused for the path.
  CDocument* OpenDocumentFile(const std::string* path, bool visible = true);

  std::vector<CDocument*> Documents() const;
  int Count() const { return static_cast<int>(m_docs.size()); }
  CDocument* FindByPath(const std::string& path, const CDocument* except = nullptr) const;
  CDocument* FindByCore(const CImageDoc* doc) const;

  // Close All: every document that does not refuse.
  void CloseAllDocuments(bool force);

  // Called by CDocument::OnCloseDocument; the object is deleted later.
  void RemoveDocument(CDocument* doc);

private:
  CChildFrame* CreateNewFrame(CDocument& doc);
  void InitialUpdateFrame(CChildFrame* frame, bool visible);

  CQuorvexApp& m_app;
  std::vector<CDocument*> m_docs;  // owned; deleted once no event refers to them
};

} // namespace qv
