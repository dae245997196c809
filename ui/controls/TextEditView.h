#pragma once
// Text typed outside dialogs (a text object edited in place, an input's text box) is edited in a
// real edit control hosted by a view: GXTEdit, a plain edit control, or QVRichEditCntrl, a rich
// edit control holding one font, size, style and colour for its whole text. TTextEditView
// makes one of them by run-time class, moves text in and out, offers the clipboard commands and
// the font dialog. Each face bit of the text style gives its own effect (bold, italic,
// underline); effects chosen in the font dialog are kept in the style.
//
//   TWrappedWindow (340) > TTextEditView

#include <cstdint>
#include <string>

#include "core/TextStyle.h"
#include "platform/mfc/CEdit.h"
#include "platform/mfc/CRichEditCtrl.h"
#include "ui/views/WrappedWindow.h"

class TTextEditView;

// What a control is made from; one record type for both controls.
struct TEditCreationRecord {
  CWnd* parent = nullptr;
  void* owner = nullptr;  // plain: the object that made it; rich: its TTextEditView
  int16_t controlId = 0;
  const char* text = nullptr;
  const RECT* bounds = nullptr;
  int16_t multiLine = 0;
  int16_t justification = 0;  // -1 right, 0 centred, anything else left
  int16_t requestResize = 0;
  void* textOwner = nullptr;
};

// Told when a rich control loses the focus (and no font dialog is open): the text owner's
// editing ends. The world views install it.
using TEndTextEditing = void (*)(void* textOwner);
void SetEndTextEditingHook(TEndTextEditing hook);

// The rich edit character format of a text style.
CHARFORMAT CharFormatOfStyle(const TextStyle& style, int32_t pixelsPerInch);

class GXTEdit : public CEdit {
  DECLARE_DYNCREATE(GXTEdit)

 public:
  static constexpr DWORD kStyle = 0x50030000 | 0x00800080;
  static constexpr DWORD kMultiLineStyle = 0x00300044;

  GXTEdit() = default;
  GXTEdit(CWnd* parent, int16_t controlId, int32_t left, int32_t top, int32_t width,
          int32_t height, int16_t extra, int32_t multiLine);

  virtual void InitFromRecord(const TEditCreationRecord& record);
  virtual int16_t AnswersOne() const { return 1; }
  virtual void Cut();
  virtual void Copy();
  virtual void Clear();
  virtual void Undo();
  virtual void Paste();
  // The control, or null when its window could not be made.
  virtual CWnd* CreateControl();
  void PostNcDestroy() override { delete this; }

  DWORD GetStyle() const { return style_; }
  int16_t GetExtra() const { return extra_; }
  void* GetOwner() const { return owner_; }

 private:
  CWnd* parent_ = nullptr;
  DWORD style_ = 0;
  int16_t controlId_ = 0;
  RECT bounds_{0, 0, 0, 0};
  int16_t extra_ = 0;
  int32_t multiLine_ = 0;
  void* owner_ = nullptr;
};

class QVRichEditCntrl : public CRichEditCtrl {
  DECLARE_DYNCREATE(QVRichEditCntrl)

 public:
  static constexpr DWORD kStyle = 0x50800004;

  QVRichEditCntrl() = default;
  virtual void InitFromRecord(const TEditCreationRecord& record);
  // Made in the owner view's text style, aligned by the justification; null when the control
  // (or the rich edit library) cannot be made.
  virtual CWnd* CreateControl();
  virtual void Cut();
  virtual void Copy();
  virtual void Clear();
  virtual void Undo();
  virtual void Paste();
  BOOL PreCreateWindow(CREATESTRUCT& create) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void PostNcDestroy() override { delete this; }

 private:
  CWnd* parent_ = nullptr;
  DWORD style_ = kStyle;
  int16_t controlId_ = 0;
  RECT bounds_{0, 0, 0, 0};
  std::string text_;
  int16_t justification_ = 0;
  int32_t requestResize_ = 0;
  TTextEditView* ownerView_ = nullptr;
  void* textOwner_ = nullptr;
};

class TTextEditView : public TWrappedWindow {
 public:
  // Selecting all takes the whole text.
  void InitTextEditView(TWrappedWindow* owner, TWrappedWindow* superview, TViewPoint& location,
                        TViewPoint& size, int32_t horizontalRule, int32_t verticalRule,
                        int32_t placementH, int32_t placementV);

  // Makes the control of the run-time class and hands it the record; answers it.
  CWnd* MakeControl(const CRuntimeClass* controlClass, const TEditCreationRecord& record);
  CWnd* CreateControlWindow();
  void DestroyControl();
  CWnd* GetControl() const { return control_; }

  void SetText(const char* text);
  std::string GetText() const;
  int32_t TextLength() const;
  bool IsPlain() const;
  bool IsRich() const;
  void Cut();
  void Copy();
  void Clear();
  void Undo();
  void Paste();
  void SelectAll();
  // Four 16-bit values top, left, bottom, right: a plain control's client area, a rich one's
  // window rectangle.
  void GetBounds(int16_t bounds[4]) const;
  void SetBounds(int16_t top, int16_t left, int16_t bottom, int16_t right);
  bool HasFocus() const;
  bool IsShown() const override;
  void Refresh();

  const TextStyle& GetTextStyle() const { return textStyle_; }
  void SetTextStyle(const TextStyle& style) { textStyle_ = style; }
  int32_t IsFontDialogOpen() const { return fontDialogOpen_; }
  void SetFontDialogOpen(int32_t open) { fontDialogOpen_ = open; }
  // Runs the font dialog for a rich control; OK makes the choice the control's format and the
  // style's font, size, effects and colour.
  void ChooseFont();

 private:
  CWnd* control_ = nullptr;
  TextStyle textStyle_;
  int32_t placementH_ = 0;
  int32_t placementV_ = 0;
  int32_t cleared1_ = 0;
  int32_t cleared2_ = 0;
  std::string text_;
  int16_t textSet_ = 0;
  int32_t fontDialogOpen_ = 0;
  mutable bool shown_ = false;
};
