#include "platform/mfc/CDocument.h"

#include <algorithm>

#include "platform/mfc/CFrameWnd.h"
#include "platform/mfc/CView.h"
#include "platform/win32/MessageBox.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)
IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)

CDocument::~CDocument() {
  for (CView* view : views_)
    view->m_pDocument = nullptr;
  if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(const char* title) {
  m_strTitle = title ? title : "";
  for (CView* view : views_) {
    if (CFrameWnd* frame = view->GetParentFrame()) frame->SetWindowText(m_strTitle.c_str());
  }
}

BOOL CDocument::SaveModified() {
  if (!modified_) return TRUE;
  const std::string name = m_strTitle.empty() ? std::string("Untitled") : m_strTitle;
  const std::string text = "Save the changes to \"" + name + "\"?";
  switch (MessageBox(nullptr, text.c_str(), "Yarrowby", MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
      return DoFileSave();
    case IDNO:
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL CDocument::DoFileSave() {
  return FALSE;
}

void CDocument::AddView(CView* view) {
  if (!view || view->m_pDocument == this) return;
  if (view->m_pDocument) view->m_pDocument->RemoveView(view);
  views_.push_back(view);
  view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view) {
  const auto found = std::find(views_.begin(), views_.end(), view);
  if (found == views_.end()) return;
  views_.erase(found);
  view->m_pDocument = nullptr;
}

CDocTemplate::CDocTemplate(UINT resourceId, const CRuntimeClass* documentClass,
                           const CRuntimeClass* frameClass, const CRuntimeClass* viewClass)
    : m_nIDResource(resourceId),
      m_pDocClass(documentClass),
      m_pFrameClass(frameClass),
      m_pViewClass(viewClass) {}

CDocTemplate::~CDocTemplate() {
  for (CDocument* document : documents_)
    document->SetDocTemplate(nullptr);
}

void CDocTemplate::AddDocument(CDocument* document) {
  if (!document || document->GetDocTemplate() == this) return;
  if (document->GetDocTemplate()) document->GetDocTemplate()->RemoveDocument(document);
  documents_.push_back(document);
  document->SetDocTemplate(this);
}

void CDocTemplate::RemoveDocument(CDocument* document) {
  const auto found = std::find(documents_.begin(), documents_.end(), document);
  if (found == documents_.end()) return;
  documents_.erase(found);
  document->SetDocTemplate(nullptr);
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* document, CFrameWnd* other) {
  if (!m_pFrameClass) return nullptr;
  CCreateContext context;
  context.m_pCurrentFrame = other;
  context.m_pCurrentDoc = document;
  context.m_pNewViewClass = m_pViewClass;
  context.m_pNewDocTemplate = this;
  CObject* made = m_pFrameClass->CreateObject();
  auto* frame = dynamic_cast<CFrameWnd*>(made);
  if (!frame) {
    delete made;
    return nullptr;
  }
  // A frame that cannot be created is deleted by its own PostNcDestroy.
  if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context))
    return nullptr;
  return frame;
}
