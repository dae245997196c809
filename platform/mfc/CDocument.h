#pragma once
// Documents and their templates: a document knows its template and the views that show it; a
// template knows which document, frame and view classes belong together and makes a new frame
// (with its view) for a document.

#include <string>
#include <vector>

#include "platform/mfc/CWnd.h"

class CFrameWnd;
class CView;

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)

 public:
  CDocument() = default;
  ~CDocument() override;

  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
  void SetDocTemplate(CDocTemplate* docTemplate) { m_pDocTemplate = docTemplate; }
  const std::string& GetTitle() const { return m_strTitle; }
  // Sets the title and names the frames of the views after it.
  virtual void SetTitle(const char* title);

  // Changes not yet saved. A modified document asks before it is given up.
  BOOL IsModified() const { return modified_; }
  void SetModifiedFlag(BOOL modified = TRUE) { modified_ = modified != FALSE; }
  // Whether the document may be given up: yes when it is not modified; otherwise the user is
  // asked to save it: Yes saves (DoFileSave), No gives the changes up, Cancel keeps the
  // document.
  virtual BOOL SaveModified();
  // Saves the document where it was last read or saved; false when it was not saved. A
  // document without a file format of its own cannot be saved.
  virtual BOOL DoFileSave();

  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& GetViews() const { return views_; }

 private:
  CDocTemplate* m_pDocTemplate = nullptr;
  std::string m_strTitle;
  std::vector<CView*> views_;
  bool modified_ = false;
};

class CDocTemplate : public CCmdTarget {
  DECLARE_DYNAMIC(CDocTemplate)

 public:
  // A frame of frameClass is loaded with the resources numbered resourceId (its menu, title,
  // accelerators, where there are any) and shows a view of viewClass.
  CDocTemplate(UINT resourceId, const CRuntimeClass* documentClass,
               const CRuntimeClass* frameClass, const CRuntimeClass* viewClass);
  ~CDocTemplate() override;

  // A new frame, created, holding a new view of the document; null when the frame class cannot
  // be made or its window cannot be created (the frame object is then gone too).
  virtual CFrameWnd* CreateNewFrame(CDocument* document, CFrameWnd* other);
  void AddDocument(CDocument* document);
  void RemoveDocument(CDocument* document);
  const std::vector<CDocument*>& GetDocuments() const { return documents_; }

  UINT m_nIDResource = 0;
  const CRuntimeClass* m_pDocClass = nullptr;
  const CRuntimeClass* m_pFrameClass = nullptr;
  const CRuntimeClass* m_pViewClass = nullptr;

 private:
  std::vector<CDocument*> documents_;
};

// A template whose documents each have frames of their own inside the main frame. How a
// document is opened from a file or made new is the program's: a derived template says.
class CMultiDocTemplate : public CDocTemplate {
  DECLARE_DYNAMIC(CMultiDocTemplate)

 public:
  using CDocTemplate::CDocTemplate;

  // The document opened from the path, or a new one without a path; null when it failed. The
  // document's frame is shown when makeVisible is set.
  virtual CDocument* OpenDocumentFile(const char* path, BOOL makeVisible) = 0;

  // The number untitled documents are named by: one more for each new untitled document.
  int GetUntitledCount() const { return m_nUntitledCount; }
  void CountUntitled() { ++m_nUntitledCount; }

 private:
  int m_nUntitledCount = 0;
};
