#include "exchange/export/ExportType.h"

#include <algorithm>
#include <cstring>

#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "exchange/export/ExportHandler.h"
#include "model/world/WorldDoc.h"
#include "ui/dialogs/DialogCommand.h"
#include "ui/dialogs/WindowBase.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr uint32_t kTranslationType = MakeTag("_v2L");
constexpr int16_t kTranslationId = 1;

constexpr uint32_t kTagFrameStep = MakeTag("xpSF");
constexpr uint32_t kTagFirstFile = MakeTag("xpsF");
constexpr uint32_t kTagBaseFrame = MakeTag("xpBF");
constexpr uint32_t kTagStepUp = MakeTag("xpup");
constexpr uint32_t kTagStepDown = MakeTag("xpdn");
constexpr uint32_t kTagSelectionOnly = MakeTag("xpUS");
constexpr uint32_t kTagEverything = MakeTag("xpUs");
constexpr uint32_t kTagDescription = MakeTag("xpDS");

// The tag written at the head of a type's block: the registered tags of the meter-data and DXF
// types are stored as the bytes documents have always held.
uint32_t StoredClassTag(uint32_t tag) {
  if (tag == kTagDataExportType) return kTagDataExportTypeStored;
  if (tag == kTagDxfExportType) return kTagDxfExportTypeStored;
  return tag;
}

int16_t ClampFrameStep(int32_t step) {
  return static_cast<int16_t>(std::clamp<int32_t>(step, 1, TExportType::kMaxFrameStep));
}

uint16_t ReadU16(const uint8_t* at) {
  uint16_t value;
  std::memcpy(&value, at, 2);
  return value;
}

}  // namespace

uint32_t TranslateStoredTag(uint32_t tag) {
  Handle table = GetResourceHandle(kTranslationType, kTranslationId);
  if (!table) return tag;
  const uint32_t size = GetHandleByteSize(table);
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(table));
  uint32_t result = tag;
  if (size >= 2) {
    // At most as many pairs as the table holds, whatever its count says.
    const uint32_t count = std::min<uint32_t>(ReadU16(bytes), (size - 2) / 8);
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t old;
      std::memcpy(&old, bytes + 2 + 8 * i, 4);
      if (old == tag) {
        std::memcpy(&result, bytes + 2 + 8 * i + 4, 4);
        break;
      }
    }
  }
  ReleaseResourceHandle(table);
  return result;
}

void TExportType::Init(uint32_t classTag, TExportHandler* handler) {
  if (!handler) ThrowFailure(kErrOutOfMemory, 0);
  handler_ = handler;
  classTag_ = classTag;
  settingsFrameLimit_ = 0;
  settingsParent_ = nullptr;
}

bool TExportType::RunSettingsDialog(int16_t command, HWND parent, int32_t frameLimit) {
  settingsFrameLimit_ = frameLimit;
  settingsParent_ = parent;
  auto* world = handler_ != nullptr ? dynamic_cast<TWorldDoc*>(handler_->GetWorld()) : nullptr;
  if (world == nullptr) return false;
  // The dialog's fields reach this type through the handler, which forwards them to the type of
  // its selected command.
  const std::vector<TLink*> target{handler_};
  try {
    TDialogCommand dialog;
    dialog.StandOver(parent);
    dialog.InitDialogCommand(command, world, &target);
    if (WindowBase* window = dialog.GetDialog()) {
      window->SetNumberCheck(
          [this](uint32_t tag, int32_t value) { return RefusedNumber(tag, value); });
    }
    dialog.Perform();
  } catch (const QVException&) {
    // Cancelled, or the dialog could not be made: the settings stay as they were.
    return false;
  }
  return true;
}

bool TExportType::ReadBlock(int16_t code, TObjectReader& reader) {
  if (code != kBlockExportTypeBase) return false;
  ReadBaseFields(reader);
  return true;
}

void TExportType::ReadBaseFields(TObjectReader& reader) {
  exporterClassTag_ = TranslateStoredTag(reader.ReadTag());
  command_ = static_cast<int16_t>(reader.ReadInt());
  fileTypeTag_ = reader.ReadTag();
  fileCreatorTag_ = reader.ReadTag();
  fileFlags_ = static_cast<int16_t>(reader.ReadInt());
  frameStep_ = ClampFrameStep(static_cast<uint16_t>(reader.ReadInt()));
  firstFileNumber_ = std::max<int16_t>(0, static_cast<int16_t>(reader.ReadInt()));
  useSelection_ = reader.ReadBoolean();
  reader.ReadString(description_);
}

void TExportType::WriteBlock(int16_t code, TObjectWriter& writer) {
  if (code == kBlockExportTypeBase) WriteBaseFields(writer);
}

void TExportType::WriteBaseFields(TObjectWriter& writer) const {
  writer.WriteTag(StoredClassTag(classTag_));
  writer.WriteTag(exporterClassTag_);
  writer.WriteShort(command_);
  writer.WriteTag(fileTypeTag_);
  writer.WriteTag(fileCreatorTag_);
  writer.WriteShort(fileFlags_);
  writer.WriteShort(frameStep_);
  writer.WriteShort(firstFileNumber_);
  writer.WriteBoolean(useSelection_ ? 1 : 0);
  writer.WriteString(description_);
}

void TExportType::WriteBlocks(TObjectWriter&) {}

double TExportType::BaseFrameTime() const {
  return handler_ ? handler_->WorldTimeStep() * frameStep_ : 0.0;
}

bool TExportType::GetFlagProperty(uint32_t, uint16_t&) {
  return false;
}

bool TExportType::SetFlagProperty(uint32_t, uint16_t) {
  return false;
}

bool TExportType::GetIntProperty(uint32_t tag, int32_t& value) {
  if (tag == kTagFrameStep) {
    value = frameStep_;
    return true;
  }
  if (tag == kTagFirstFile) {
    value = firstFileNumber_;
    return true;
  }
  return false;
}

bool TExportType::SetIntProperty(uint32_t tag, int32_t value) {
  if (tag == kTagFrameStep) {
    frameStep_ = ClampFrameStep(value);
    return true;
  }
  if (tag == kTagFirstFile) {
    firstFileNumber_ = static_cast<int16_t>(std::clamp<int32_t>(value, 0, 32767));
    return true;
  }
  return false;
}

bool TExportType::GetNumberProperty(uint32_t tag, double& value, int32_t& unitKind) {
  if (tag != kTagBaseFrame) return false;
  value = BaseFrameTime();
  unitKind = kUnitKindTime;
  return true;
}

bool TExportType::SetNumberProperty(uint32_t, double) {
  return false;
}

bool TExportType::CanPerformAction(uint32_t tag) {
  return tag == kTagStepUp || tag == kTagStepDown;
}

bool TExportType::DoTagAction(uint32_t tag) {
  // A settings dialog's radio button makes its choice by acting on its tag.
  if (tag == kTagSelectionOnly || tag == kTagEverything) return DoChoice(tag);
  if (tag == kTagStepUp) {
    frameStep_ = ClampFrameStep(frameStep_ + 1);
    return true;
  }
  if (tag == kTagStepDown) {
    frameStep_ = ClampFrameStep(frameStep_ - 1);
    return true;
  }
  return false;
}

bool TExportType::GetChoiceState(uint32_t tag, int16_t& value) {
  if (tag == kTagSelectionOnly) {
    value = useSelection_ ? 1 : 0;
    return true;
  }
  if (tag == kTagEverything) {
    value = useSelection_ ? 0 : 1;
    return true;
  }
  return false;
}

bool TExportType::DoChoice(uint32_t tag) {
  if (tag != kTagSelectionOnly && tag != kTagEverything) return false;
  useSelection_ = tag == kTagSelectionOnly;
  return true;
}

bool TExportType::GetTextField(uint32_t tag, Str255& text) {
  if (tag != kTagDescription) return false;
  text = description_;
  return true;
}

bool TExportType::SetTextField(uint32_t tag, const Str255& text) {
  if (tag != kTagDescription) return false;
  description_ = text;
  return true;
}

bool TExportType::GetIndexProperty(uint32_t, int16_t&) {
  return false;
}

bool TExportType::SetIndexProperty(uint32_t, int16_t) {
  return false;
}

// Export3DGFSettings

bool Export3DGFSettings::OwnsBlock(int16_t code) const {
  return code == 5265 || code == 5271 || code == 5275 || code == 5278 || code == 5280;
}

bool Export3DGFSettings::ReadBlock(int16_t code, TObjectReader& reader) {
  if (!OwnsBlock(code)) return false;
  // The block is kept whole, so that saving the document again loses nothing of it.
  const int32_t size = reader.BlockRemaining();
  reader.FailIfBadFormat(size < 0);
  Kept kept{code, storedTag_, std::vector<uint8_t>(static_cast<size_t>(size))};
  if (size > 0) reader.ReadBlockBytes(kept.bytes.data(), size);
  std::erase_if(kept_, [code](const Kept& k) { return k.code == code; });
  kept_.push_back(std::move(kept));
  return true;
}

void Export3DGFSettings::WriteBlock(int16_t code, TObjectWriter& writer) {
  for (const Kept& kept : kept_) {
    if (kept.code != code) continue;
    writer.WriteTag(kept.tag);
    Handle bytes = NewHandleFromBytes(kept.bytes.data(), static_cast<uint32_t>(kept.bytes.size()));
    FailIfNull(bytes);
    writer.WriteHandleBytes(bytes);
    FreeHandle(bytes);
    return;
  }
}

void Export3DGFSettings::WriteBlocks(TObjectWriter& writer) {
  TExportHandler* handler = GetHandler();
  if (!handler) return;
  for (const Kept& kept : kept_) writer.WriteBlock(*handler, kept.code);
}
