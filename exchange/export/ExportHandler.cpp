#include "exchange/export/ExportHandler.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldBases.h"
#include "model/world/WorldDoc.h"
#include "simulation/Engine.h"
#include "ui/dialogs/YesNoPrompt.h"

namespace {

// The last frame a settings dialog is offered when nothing is recorded.
constexpr int32_t kSettingsFrameLimit = 100;
// The exporter's texts and, among them, the question whether to replace existing files.
constexpr int16_t kExporterStrings = 1110;
constexpr int16_t kReplaceQuestionIndex = 14;

TObject* NewExportHandler() {
  return new TExportHandler;
}

bool IsTypeBlock(int16_t code) {
  return code >= kBlockExportTypeBase && code <= kBlockExportTypeLast;
}

}  // namespace

void RegisterExportHandlerClass() {
  RegisterClassInfo("TExportHandler", TExportHandler::kTag, TExportHandler::kClassID,
                    NewExportHandler, sizeof(TExportHandler));
}

void FormatExportTimeStamp(Str255& text) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%2d:%02d:%02d %2d/%2d/%2d", local.tm_hour, local.tm_min,
                local.tm_sec, local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
  text = buffer;
}

TExportHandler::TExportHandler() = default;

TExportHandler::~TExportHandler() = default;

void TExportHandler::Initialize() {
  world_ = nullptr;
  selectedCommand_ = 0;
  currentCommand_ = 0;
  exportStartFrame_ = -1;
  exportStopFrame_ = -1;
  typeBeingWritten_ = nullptr;
  exportBaseName_ = "";
  exportExtension_ = "";
  exportFileName_ = "";
  THandlerLink::Initialize();
  types_.clear();
  auto catchAll = std::make_unique<Export3DGFSettings>();
  catchAll->Init(MakeTag("xxxx"), this);
  types_.push_back(std::move(catchAll));
}

void TExportHandler::AdoptWorld(TWorldBase* world) {
  if (!world_) world_ = world;
}

void TExportHandler::GetDefaultExportName(Str255& name) const {
  name = Str255();
  auto* world = dynamic_cast<TWorldDoc*>(world_);
  if (world == nullptr) return;
  const auto* document = dynamic_cast<const TQVDoc*>(world->GetDocument());
  if (document == nullptr) return;
  const std::string& path = document->Path();
  if (path.size() <= Str255::kCapacity) name.Assign(path.c_str());
}

double TExportHandler::WorldTimeStep() const {
  if (!world_) return 0.0;
  for (TLink* object : world_->Linked()) {
    if (object && object->IsMemberClass(TEngine::kClassID)) {
      return static_cast<TEngine*>(object)->GetTimeStep();
    }
  }
  return 1.0;
}

void TExportHandler::AddExportType(std::unique_ptr<TExportType> type) {
  if (type) types_.push_back(std::move(type));
}

TExportType* TExportHandler::FindExportType(int16_t command) const {
  for (const auto& type : types_) {
    if (type->ServesCommand(command)) return type.get();
  }
  return nullptr;
}

void TExportHandler::GetCommandInfo(int16_t command, int32_t& startFrame, int32_t& stopFrame,
                                    bool& singleFrame) const {
  startFrame = exportStartFrame_;
  stopFrame = exportStopFrame_;
  const TExportType* type = FindExportType(command);
  singleFrame = type && type->GetFrameLimit(command) == 1;
}

void TExportHandler::SetCommandInfo(int16_t, int32_t startFrame, int32_t stopFrame) {
  exportStartFrame_ = startFrame;
  exportStopFrame_ = stopFrame;
}

void TExportHandler::GetExportNames(int16_t, Str255& baseName, Str255& extension) const {
  baseName = exportBaseName_;
  extension = exportExtension_;
}

void TExportHandler::SetExportNames(int16_t, const Str255& baseName, const Str255& extension) {
  exportBaseName_ = baseName;
  exportExtension_ = extension;
}

void TExportHandler::GetExportFileName(int16_t, Str255& name) const {
  name = exportFileName_;
}

void TExportHandler::SetExportFileName(int16_t, const Str255& name) {
  exportFileName_ = name;
}

bool TExportHandler::RunTypeSettings(int16_t command, HWND parent) {
  TExportType* type = FindExportType(command);
  if (type == nullptr) return false;
  auto* world = dynamic_cast<TWorldDoc*>(world_);
  const int32_t last = world != nullptr ? world->LastFrame() : 0;
  return type->RunSettingsDialog(command, parent, last > 0 ? last : kSettingsFrameLimit);
}

uint32_t TExportHandler::ConfirmReplace(const Str255& message) {
  Str255 question = message;
  if (question.IsEmpty()) GetIndString(question, kExporterStrings, kReplaceQuestionIndex);
  if (question.IsEmpty()) return kPromptNoTag;
  return AskYesNo(question);
}

uint32_t TExportHandler::GetFileTypeTag(int16_t command) const {
  const TExportType* type = FindExportType(command);
  return type ? type->GetFileTypeTag() : kBlankExportTag;
}

template <typename Call>
TExportType* TExportHandler::Forward(Call call) const {
  for (const auto& type : types_) {
    if (type->ServesCommand(selectedCommand_) && call(*type)) return type.get();
  }
  return nullptr;
}

uint16_t TExportHandler::HasAction(uint32_t tag) {
  if (Forward([tag](TExportType& t) { return t.CanPerformAction(tag); })) return 1;
  return THandlerLink::HasAction(tag);
}

void TExportHandler::DoAction(uint32_t tag) {
  if (Forward([tag](TExportType& t) { return t.DoTagAction(tag); })) return;
  THandlerLink::DoAction(tag);
}

uint16_t TExportHandler::GetIntProperty(uint32_t tag, int32_t& value, void* extra) {
  if (Forward([&](TExportType& t) { return t.GetIntProperty(tag, value); })) return 1;
  return THandlerLink::GetIntProperty(tag, value, extra);
}

void TExportHandler::SetIntProperty(uint32_t tag, int32_t value) {
  if (Forward([&](TExportType& t) { return t.SetIntProperty(tag, value); })) return;
  THandlerLink::SetIntProperty(tag, value);
}

uint16_t TExportHandler::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (Forward([&](TExportType& t) { return t.GetFlagProperty(tag, value); })) return 1;
  return THandlerLink::GetFlagProperty(tag, value, extra);
}

void TExportHandler::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (Forward([&](TExportType& t) { return t.SetFlagProperty(tag, value); })) return;
  THandlerLink::SetFlagProperty(tag, value);
}

uint16_t TExportHandler::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (Forward([&](TExportType& t) { return t.GetChoiceState(tag, value); })) return 1;
  return THandlerLink::GetChoiceProperty(tag, value, extra);
}

void TExportHandler::SelectChoice(uint32_t tag) {
  if (Forward([tag](TExportType& t) { return t.DoChoice(tag); })) return;
  THandlerLink::SelectChoice(tag);
}

uint16_t TExportHandler::GetStringProperty(uint32_t tag, Str255& value, void* extra) {
  if (Forward([&](TExportType& t) { return t.GetTextField(tag, value); })) return 1;
  return THandlerLink::GetStringProperty(tag, value, extra);
}

void TExportHandler::SetStringProperty(uint32_t tag, const Str255& value) {
  if (Forward([&](TExportType& t) { return t.SetTextField(tag, value); })) return;
  THandlerLink::SetStringProperty(tag, value);
}

uint16_t TExportHandler::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  int32_t unitKind = 0;
  if (Forward([&](TExportType& t) { return t.GetNumberProperty(tag, value, unitKind); })) {
    lastUnitKind_ = unitKind;
    return 1;
  }
  return THandlerLink::GetNumberProperty(tag, value, extra);
}

void TExportHandler::SetNumberProperty(uint32_t tag, const double& value) {
  if (Forward([&](TExportType& t) { return t.SetNumberProperty(tag, value); })) return;
  THandlerLink::SetNumberProperty(tag, value);
}

uint16_t TExportHandler::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  int16_t index = 0;
  if (Forward([&](TExportType& t) { return t.GetIndexProperty(tag, index); })) {
    value = static_cast<uint16_t>(index);
    return 1;
  }
  return THandlerLink::GetShortProperty(tag, value, extra);
}

void TExportHandler::SetShortProperty(uint32_t tag, uint16_t value) {
  const auto index = static_cast<int16_t>(value);
  if (Forward([&](TExportType& t) { return t.SetIndexProperty(tag, index); })) return;
  THandlerLink::SetShortProperty(tag, value);
}

uint16_t TExportHandler::CanReadBlock(int16_t code) {
  if (code == kBlockExportHandler || IsTypeBlock(code)) return 1;
  return THandlerLink::CanReadBlock(code);
}

uint16_t TExportHandler::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockExportHandler) {
    SetCurrentCommand(static_cast<int16_t>(reader.ReadInt()));
    return 1;
  }
  if (!IsTypeBlock(code)) return THandlerLink::ReadBlockContents(code, reader);

  const uint32_t stored = reader.ReadTag();
  const uint32_t tag = TranslateStoredTag(stored);
  TExportType* type = nullptr;
  for (const auto& candidate : types_) {
    if (candidate->OwnsBlock(code)) {
      type = candidate.get();
      break;
    }
  }
  if (!type) {
    std::unique_ptr<TObject> made(CreateObjectByTag(tag));
    auto* madeType = dynamic_cast<TExportType*>(made.get());
    if (madeType) {
      made.release();
      madeType->Init(tag, this);
      type = madeType;
      types_.emplace_back(madeType);
    }
  }
  if (auto* catchAll = dynamic_cast<Export3DGFSettings*>(type)) catchAll->NoteStoredTag(stored);
  if (!type || !type->ReadBlock(code, reader)) ThrowFailure(kErrExportBlock, 0);
  return 1;
}

void TExportHandler::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockExportHandler) {
    writer.WriteShort(currentCommand_);
    return;
  }
  if (IsTypeBlock(code)) {
    if (typeBeingWritten_) typeBeingWritten_->WriteBlock(code, writer);
    return;
  }
  THandlerLink::WriteBlockContents(code, writer);
}

void TExportHandler::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockExportHandler);
  for (const auto& type : types_) {
    typeBeingWritten_ = type.get();
    type->WriteBlocks(writer);
  }
  typeBeingWritten_ = nullptr;
  THandlerLink::WriteFields(writer);
}

void TExportHandler::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kTag);
}

void TExportHandler::ReaderNotice(TLink518& table, TLink* container) {
  if (container && container->IsMemberClass(TWorldBase::kClassID)) {
    AdoptWorld(static_cast<TWorldBase*>(container));
  }
  THandlerLink::ReaderNotice(table, container);
}
