#include "views/world/ObjectMenuCommand.h"

#include <algorithm>
#include <array>

#include "model/world/WorldDoc.h"

namespace {

constexpr int16_t kFirstColour = 1151;
constexpr int16_t kLastColour = 1158;
constexpr int16_t kSizeBase = 1600;
constexpr int16_t kLastSize = 1699;
constexpr int16_t kPlainText = 11001;
constexpr int16_t kLastFace = 11008;

constexpr uint16_t kFull = 0xFFFF;
// The eight colours of the colour commands, in their order.
constexpr std::array<RGB16Color, 8> kColours = {{
    {.red = 0, .blue = 0, .green = 0},
    {.red = kFull, .blue = kFull, .green = kFull},
    {.red = kFull, .blue = 0, .green = 0},
    {.red = 0, .blue = 0, .green = kFull},
    {.red = 0, .blue = kFull, .green = 0},
    {.red = 0, .blue = kFull, .green = kFull},
    {.red = kFull, .blue = kFull, .green = 0},
    {.red = kFull, .blue = 0, .green = kFull},
}};

bool IsColourCommand(int16_t command) { return command >= kFirstColour && command <= kLastColour; }
bool IsSizeCommand(int16_t command) { return command > kSizeBase && command <= kLastSize; }
bool IsFaceCommand(int16_t command) { return command >= kPlainText && command <= kLastFace; }

}  // namespace

bool TObjectMenuCommand::IsObjectMenuCommand(int16_t command) {
  return IsColourCommand(command) || IsSizeCommand(command) || IsFaceCommand(command);
}

uint8_t TObjectMenuCommand::FaceBit(int16_t command) {
  if (command <= kPlainText || command > kLastFace) return 0;
  return static_cast<uint8_t>(1U << (command - kPlainText - 1));
}

std::unique_ptr<TObjectMenuCommand> TObjectMenuCommand::Make(int16_t command, TWorldDoc& world,
                                                             const std::vector<TLink*>& selection) {
  if (!IsObjectMenuCommand(command)) return nullptr;
  std::vector<TSingleStyleLink*> styled;
  for (TLink* object : selection)
    if (auto* carrier = dynamic_cast<TSingleStyleLink*>(object)) styled.push_back(carrier);
  if (styled.empty()) return nullptr;
  auto made = std::make_unique<TObjectMenuCommand>();
  made->InitPropertyOp(command, &world, 1);
  made->command_ = command;
  if (IsSizeCommand(command)) made->tag_ = kSizeTag;
  made->faceBit_ = FaceBit(command);
  if (made->faceBit_ != 0) {
    const uint8_t bit = made->faceBit_;
    made->setFace_ = !std::all_of(styled.begin(), styled.end(), [bit](TSingleStyleLink* object) {
      return (object->GetFont().style & bit) != 0;
    });
  }
  for (TSingleStyleLink* object : styled) made->AddTarget(object);
  return made;
}

void TObjectMenuCommand::ApplyTo(TLink* object) {
  auto* styled = dynamic_cast<TSingleStyleLink*>(object);
  if (styled == nullptr) return;
  FontSpec font = styled->GetFont();
  RGB16Color colour = styled->GetTextColour();
  if (IsColourCommand(command_)) {
    colour = kColours[static_cast<size_t>(command_ - kFirstColour)];
  } else if (IsSizeCommand(command_)) {
    font.size = static_cast<int16_t>(command_ - kSizeBase);
  } else if (command_ == kPlainText) {
    font.style = 0;
  } else if (setFace_) {
    font.style = static_cast<uint8_t>(font.style | faceBit_);
  } else {
    font.style = static_cast<uint8_t>(font.style & ~faceBit_);
  }
  styled->SetTextStyle(font, colour);
  styled->Changed();
}

void TObjectMenuCommand::Undo() {
  TPropertyOp::Undo();
  if (GetContext() != nullptr) GetContext()->Changed(0);
}

void TObjectMenuCommand::Redo() {
  TPropertyOp::Redo();
  if (GetContext() != nullptr) GetContext()->Changed(0);
}
