#pragma once
// Views: child windows of a frame that show a document. A view joins its document when its
// window is created with a creation context, leaves it when it goes, paints through OnDraw and
// deletes itself once its window is gone.

#include "platform/mfc/CWnd.h"
#include "platform/win32/GdiTypes.h"

// A device context held by the framework for the length of a call.
class CDC {
 public:
  explicit CDC(HDC dc = nullptr) : m_hDC(dc) {}
  HDC GetSafeHdc() const { return m_hDC; }
  HDC m_hDC;
};

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)

 public:
  ~CView() override;
  CDocument* GetDocument() const { return m_pDocument; }

  virtual void OnDraw(CDC* dc) = 0;
  // After the frame has made the view: nothing here.
  virtual void OnInitialUpdate() {}

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void PostNcDestroy() override;

 protected:
  CView() = default;
  // Joins the context's document, then default processing.
  int32_t OnCreate(CREATESTRUCT* create);
  // The frame forgets the view as its active view.
  void OnDestroy();
  void OnPaint();

 private:
  friend class CDocument;
  CDocument* m_pDocument = nullptr;
};
