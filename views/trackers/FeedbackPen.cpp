#include "views/trackers/FeedbackPen.h"

#include <algorithm>

#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/DcPen.h"
#include "platform/win32/GdiObjects.h"
#include "views/trackers/TrackerWorld.h"

MacRect RectBetween(const MacPoint& a, const MacPoint& b) {
  return MacRect(std::min(a.h, b.h), std::min(a.v, b.v), std::max(a.h, b.h),
                 std::max(a.v, b.v));
}

TFeedbackPen::TFeedbackPen(TFeedbackPort* port, int32_t style) : port_(port) {
  if (port_ == nullptr) return;
  dc_ = port_->BeginFeedbackDrawing();
  if (dc_ == nullptr) return;
  pen_ = CreatePen(style == kDashed ? PS_DASH : PS_SOLID, 1, RGB(0, 0, 0));
  oldPen_ = SelectObject(dc_, pen_);
  oldBrush_ = SelectObject(dc_, GetStockObject(NULL_BRUSH));
  oldMode_ = SetROP2(dc_, R2_NOTXORPEN);
}

TFeedbackPen::~TFeedbackPen() {
  if (dc_ == nullptr) return;
  if (savedState_ != 0) RestoreDC(dc_, savedState_);
  SetROP2(dc_, oldMode_);
  SelectObject(dc_, oldBrush_);
  SelectObject(dc_, oldPen_);
  DeleteObject(pen_);
  port_->EndFeedbackDrawing(dc_);
}

void TFeedbackPen::FrameBetween(const MacPoint& a, const MacPoint& b) {
  if (dc_ == nullptr) return;
  const MacRect r = RectBetween(a, b);
  Rectangle(dc_, r.left, r.top, r.right + 1, r.bottom + 1);
}

void TFeedbackPen::Line(const MacPoint& from, const MacPoint& to) {
  if (dc_ == nullptr) return;
  MoveToEx(dc_, from.h, from.v, nullptr);
  LineTo(dc_, to.h, to.v);
}

void TFeedbackPen::ClipTo(const MacRect& rect) {
  if (dc_ == nullptr) return;
  if (savedState_ == 0) savedState_ = SaveDC(dc_);
  IntersectClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom);
}

void TFeedbackPen::Ellipse(const MacPoint& a, const MacPoint& b) {
  if (dc_ == nullptr) return;
  ::Ellipse(dc_, a.h, a.v, b.h, b.v);
}
