#include "platform/mfc/CView.h"

#include "platform/mfc/CDocument.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/WindowDc.h"

IMPLEMENT_DYNAMIC(CView, CWnd)

CView::~CView() {
  if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CREATE:
      *result = OnCreate(reinterpret_cast<CREATESTRUCT*>(lParam));
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return TRUE;
    case WM_PAINT:
      OnPaint();
      *result = 0;
      return TRUE;
    default:
      return CWnd::OnWndMsg(message, wParam, lParam, result);
  }
}

int32_t CView::OnCreate(CREATESTRUCT* create) {
  if (create) {
    auto* context = static_cast<CCreateContext*>(create->lpCreateParams);
    if (context && context->m_pCurrentDoc) context->m_pCurrentDoc->AddView(this);
  }
  return CWnd::OnCreate(create);
}

void CView::OnDestroy() {
  if (CFrameWnd* frame = GetParentFrame(); frame && frame->GetActiveView() == this)
    frame->SetActiveView(nullptr, FALSE);
  CWnd::OnDestroy();
}

void CView::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  CDC context(dc);
  OnDraw(&context);
  EndPaint(m_hWnd, &paint);
}

void CView::PostNcDestroy() {
  delete this;
}
