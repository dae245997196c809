// Typing a text gadget's text on the world window: a rich edit control over the gadget holds
// the text in the gadget's style and alignment; when the typing ends the gadget takes back the
// text, the style chosen meanwhile and the control's size.
#include <string>

#include "core/TextStyle.h"
#include "inout/gadgets/TextGadget.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

// The edit control leaves this many pixels of the frame's bottom uncovered.
constexpr int16_t kEditBottomGap = 4;

TextStyle StyleOf(const TGadget& gadget) {
  TextStyle style;
  style.font = gadget.GetFont().fontNumber;
  style.face = gadget.GetFont().style;
  style.size = gadget.GetFont().size;
  style.color = gadget.GetTextColour();
  return style;
}

}  // namespace

bool TTextGadget::StartsTextEdit(MacPoint point) const {
  const MacRect frame = GetFrame();
  return point.h >= frame.left && point.h <= frame.right && point.v >= frame.top &&
         point.v <= frame.bottom;
}

MacRect TTextGadget::EditRect() const {
  const MacPoint at = GetPosition();
  const MacPoint size = GetSize();
  return MacRect(at.h, at.v, static_cast<int16_t>(at.h + size.h),
                 static_cast<int16_t>(at.v + size.v - kEditBottomGap));
}

bool TTextGadget::BeginEditing(TTextEditView& field) {
  TGadgetTextField* host = dynamic_cast<TGadgetTextField*>(&field);
  CWnd* window = host != nullptr ? host->HostWindow() : nullptr;
  if (window == nullptr) return false;
  const MacRect rect = EditRect();
  const RECT bounds{rect.left, rect.top, rect.right, rect.bottom};
  TEditCreationRecord record;
  record.parent = window;
  record.owner = &field;
  record.controlId = kTextGadgetControlId;
  record.text = text_.c_str();
  record.bounds = &bounds;
  record.multiLine = 1;
  record.justification = alignment_;
  record.requestResize = 1;
  record.textOwner = &field;
  // The control is made in the gadget's style.
  field.SetTextStyle(StyleOf(*this));
  if (field.MakeControl(RUNTIME_CLASS(QVRichEditCntrl), record) == nullptr ||
      field.CreateControlWindow() == nullptr)
    return false;
  field.SetText(text_.c_str());
  BeginEditing();
  if (const HWND control = field.GetControl()->GetSafeHwnd()) {
    // Typing goes on from the end of the text.
    const auto end = static_cast<WPARAM>(text_.size());
    ::SendMessage(control, EM_SETSEL, end, static_cast<LPARAM>(end));
    ::SetFocus(control);
  }
  return true;
}

bool TTextGadget::EndEditing(TTextEditView& field) {
  int16_t bounds[4] = {0, 0, 0, 0};
  field.GetBounds(bounds);
  const std::string typed = field.GetText();
  // The style chosen while typing (the Font command) becomes the gadget's.
  const TextStyle& style = field.GetTextStyle();
  const FontSpec font{style.font, style.face, style.size};
  if (!(font == GetFont()) || !(style.color == GetTextColour())) {
    SetTextStyle(font, style.color);
    TextStyleChanged();
  }
  // The control left the bottom gap uncovered: the gadget keeps it.
  const MacPoint size(static_cast<int16_t>(bounds[3] - bounds[1]),
                      static_cast<int16_t>(bounds[2] - bounds[0] + kEditBottomGap));
  return EndEditing(typed, size);
}
