#pragma once
// The world's Font command: the text style of the selected objects (the names of bodies, points
// and constraints, and the text of gadgets) chosen in the font dialog and applied as one
// undoable change. A rich text field being edited takes the choice for itself instead.

#include <cstdint>
#include <memory>

#include "core/port/PortText.h"
#include "model/command/PropertyOps.h"
#include "platform/win32/WindowTypes.h"

class TWorldDoc;

inline constexpr int16_t kCmdTextFont = 11200;

// Gives every target that carries a text style the font, size and face; the text colour stays.
class TTextStyleOp : public TPropertyOp {
 public:
  void InitTextStyle(int16_t commandNumber, TActionContext* context, const FontSpec& font);
  void ApplyTo(TLink* object) override;
  // The world shows the style given, taken back or given again at once.
  void DoWork() override;
  void Undo() override;
  void Redo() override;
  const FontSpec& GetFont() const { return font_; }

 private:
  void RedrawWorld();

  FontSpec font_;
};

// What the selection says about its text styles.
struct TSelectionStyle {
  // The selected objects that carry a text style.
  int32_t count = 0;
  // Every one of them has the first one's font, size and face.
  bool agree = true;
  FontSpec reference;
};
TSelectionStyle SelectionStyleOf(TWorldDoc& world);

// Runs the font dialog over `owner`, started from the selection's style when the selected
// objects agree on one. OK answers the command that applies the choice; Cancel, or a selection
// without a text style, answers null.
std::unique_ptr<TCommandCore> ChooseSelectionFont(TWorldDoc& world, HWND owner);
