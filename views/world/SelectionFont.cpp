#include "views/world/SelectionFont.h"

#include "model/world/WorldDoc.h"
#include "platform/win32/FontDialog.h"

void TTextStyleOp::InitTextStyle(int16_t commandNumber, TActionContext* context,
                                 const FontSpec& font) {
  InitPropertyOp(commandNumber, context, 1);
  font_ = font;
}

void TTextStyleOp::ApplyTo(TLink* object) {
  auto* styled = dynamic_cast<TSingleStyleLink*>(object);
  if (styled == nullptr) return;
  styled->SetTextStyle(font_, styled->GetTextColour());
  styled->Changed();
}

void TTextStyleOp::DoWork() {
  TPropertyOp::DoWork();
  RedrawWorld();
}

void TTextStyleOp::Undo() {
  TPropertyOp::Undo();
  if (GetContext() != nullptr) GetContext()->Changed(0);
  RedrawWorld();
}

void TTextStyleOp::Redo() {
  TPropertyOp::Redo();
  if (GetContext() != nullptr) GetContext()->Changed(0);
  RedrawWorld();
}

void TTextStyleOp::RedrawWorld() {
  // A style given back by Undo or Redo is measured again, like one given by the command.
  for (TLink* object : Targets())
    if (auto* styled = dynamic_cast<TSingleStyleLink*>(object)) styled->TextStyleChanged();
  // Texts are drawn wherever their objects stand, gadgets in the views' own pixels: the views
  // are drawn again whole rather than object by object.
  if (GetContext() != nullptr) GetContext()->RedrawAll(1, 1);
}

TSelectionStyle SelectionStyleOf(TWorldDoc& world) {
  TSelectionStyle style;
  for (TLink* object : world.Selection()) {
    const auto* styled = dynamic_cast<const TSingleStyleLink*>(object);
    if (styled == nullptr) continue;
    if (style.count++ == 0) {
      style.reference = styled->GetFont();
      continue;
    }
    if (!(styled->GetFont() == style.reference)) {
      style.agree = false;
      break;
    }
  }
  return style;
}

std::unique_ptr<TCommandCore> ChooseSelectionFont(TWorldDoc& world, HWND owner) {
  const TSelectionStyle style = SelectionStyleOf(world);
  if (style.count == 0) return nullptr;
  LOGFONT font{};
  CHOOSEFONT choose;
  choose.hwndOwner = owner;
  choose.lpLogFont = &font;
  choose.Flags = CF_SCREENFONTS;
  // Objects that disagree start the dialog from no style at all.
  if (style.agree) {
    FontSpecToLogFont(style.reference, font);
    choose.Flags |= CF_INITTOLOGFONTSTRUCT;
  }
  if (!ChooseFont(&choose)) return nullptr;
  FontSpec chosen;
  LogFontToFontSpec(font, chosen);
  auto command = std::make_unique<TTextStyleOp>();
  command->InitTextStyle(kCmdTextFont, &world, chosen);
  for (TLink* object : world.Selection())
    if (dynamic_cast<TSingleStyleLink*>(object) != nullptr) command->AddTarget(object);
  return command;
}
