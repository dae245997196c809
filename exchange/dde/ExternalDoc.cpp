#include "exchange/dde/ExternalDoc.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/Alert.h"
#include "core/Failure.h"
#include "core/port/Picture.h"
#include "core/port/PortShapes.h"
#include "core/port/PortText.h"
#include "exchange/dde/TableSuiteHandler.h"
#include "inout/gadgets/InOutput.h"
#include "inout/inputs/Input.h"
#include "inout/meters/NumberText.h"
#include "inout/meters/Output.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "platform/mfc/CFileDialog.h"
#include "platform/mfc/CWaitCursor.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "ui/dialogs/DialogCommand.h"
#include "ui/views/ViewServices.h"

namespace {

constexpr uint32_t kTagApplication = MakeTag("appl");
constexpr uint32_t kTagDocument = MakeTag("docm");
constexpr uint32_t kTagInputItem = MakeTag("iitm");
constexpr uint32_t kTagOutputItem = MakeTag("oitm");
constexpr uint32_t kTagInitCommand = MakeTag("init");
constexpr uint32_t kTagExecuteCommand = MakeTag("exec");
constexpr uint32_t kTagInputLinked = MakeTag("icnt");
constexpr uint32_t kTagInputUnlinked = MakeTag("idsc");
constexpr uint32_t kTagOutputLinked = MakeTag("ocnt");
constexpr uint32_t kTagOutputUnlinked = MakeTag("odsc");
constexpr uint32_t kTagTimeout = MakeTag("time");
constexpr uint32_t kTagChooseApplication = MakeTag("bapp");
constexpr uint32_t kTagChooseDocument = MakeTag("bdoc");
constexpr uint32_t kTagInputMenu = MakeTag("inpt");
constexpr uint32_t kTagOutputMenu = MakeTag("otpt");
// "changed", as the link base tells its dependents.
constexpr uint16_t kChanged = 1;

bool exchangeInProgress = false;

void SetEnabled(void* extra, bool enabled) {
  if (extra != nullptr) *static_cast<uint16_t*>(extra) = enabled ? 1 : 0;
}

bool IsListed(const std::vector<TLink*>& list, const TLink* object) {
  return std::find(list.begin(), list.end(), object) != list.end();
}

// The file-name part of a path.
Str255 FileNamePart(const Str255& path) {
  const std::string text = TextOf(path);
  const size_t slash = text.find_last_of("/\\:");
  Str255 name;
  name.Assign((slash == std::string::npos ? text : text.substr(slash + 1)).c_str());
  return name;
}

}  // namespace

void WriteFileRecord(TObjectWriter& writer, const FSSpec& record) {
  writer.WriteShort(record.vRefNum);
  writer.WriteCode(record.parID);
  writer.WriteString(record.name);
}

void ReadFileRecord(TObjectReader& reader, FSSpec& record) {
  record.vRefNum = static_cast<int16_t>(reader.ReadInt());
  record.parID = reader.ReadInt();
  reader.ReadString(record.name);
}

bool ExchangeInProgress() {
  return exchangeInProgress;
}

TExchangeScope::TExchangeScope() : was_(exchangeInProgress) {
  exchangeInProgress = true;
}

TExchangeScope::~TExchangeScope() {
  exchangeInProgress = was_;
}

bool TExternalAddress::Equals(const TExternalAddress& a, const TExternalAddress& b) {
  return a.vRefNum == b.vRefNum && a.parID == b.parID && PStringEquals(a.documentPath, b.documentPath) &&
         PStringEquals(a.applicationPath, b.applicationPath);
}

// The gadget --------------------------------------------------------------------------------

TExternalDocGadget::~TExternalDocGadget() = default;

void TExternalDocGadget::Initialize() {
  TGadget::Initialize();
  fileRecord_.Clear();
  status_.Assign("no connection");
  SetName(status_);
}

void TExternalDocGadget::ForEachLinked(const LinkedCallback& callback) {
  ForEachInput(callback);
  ForEachOutput(callback);
}

void TExternalDocGadget::ForEachInput(const LinkedCallback& callback) {
  const std::vector<TLink*> inputs = inputs_;
  for (TLink* input : inputs) callback(*input);
}

void TExternalDocGadget::ForEachOutput(const LinkedCallback& callback) {
  const std::vector<TLink*> outputs = outputs_;
  for (TLink* output : outputs) callback(*output);
}

void TExternalDocGadget::SetFileSpec(const FSSpec& record, int16_t flag) {
  fileRecord_ = record;
  recordFlag_ = flag;
}

int16_t TExternalDocGadget::GetFileSpec(FSSpec& record) const {
  record = fileRecord_;
  return recordFlag_;
}

void TExternalDocGadget::SetCurrentOutput(TLink* output, int16_t column, int16_t menuIndex) {
  currentOutput_ = output;
  currentColumn_ = column;
  outputMenuIndex_ = menuIndex;
}

void TExternalDocGadget::AddLinkedObject(TLink* object) {
  if (object == nullptr) return;
  if (object->IsMemberClass(kOutputClassId)) {
    if (IsListed(outputs_, object)) return;
    if (currentOutput_ == nullptr) SetCurrentOutput(object, 1, -1);
    outputs_.push_back(object);
  } else if (object->IsMemberClass(kInputClassId)) {
    if (IsListed(inputs_, object)) return;
    if (currentInput_ == nullptr) currentInput_ = object;
    inputs_.push_back(object);
  } else {
    return;
  }
  object->AddDependent(this);
  if (auto* linked = dynamic_cast<TInOutput*>(object)) linked->SetLinkDocument(this);
}

void TExternalDocGadget::RemoveLinkedObject(TLink* object) {
  std::erase(inputs_, object);
  std::erase(outputs_, object);
  if (auto* linked = dynamic_cast<TInOutput*>(object)) UnlinkFromDocument(*linked, *this);
  if (currentInput_ == object) currentInput_ = nullptr;
  if (currentOutput_ == object) SetCurrentOutput(nullptr, 1, -1);
}

void TExternalDocGadget::RenumberItems() {
  const Str255 naming = GetLinkNamingName();
  int16_t n = 0;
  for (TLink* input : inputs_) {
    if (auto* linked = dynamic_cast<TInOutput*>(input)) linked->GetLinkItemName(++n, naming);
  }
  n = 0;
  for (TLink* output : outputs_) {
    if (auto* meter = dynamic_cast<TOutput*>(output)) meter->NameLinkItems(++n, naming);
  }
}

void TExternalDocGadget::ObjectRemoved(TLink* object) {
  if (IsListed(outputs_, object)) {
    if (outputMenuIndex_ > 0) --outputMenuIndex_;
    if (currentOutput_ == object) currentColumn_ = 1;
  }
  std::erase(inputs_, object);
  std::erase(outputs_, object);
  if (currentInput_ == object) currentInput_ = nullptr;
  if (currentOutput_ == object) currentOutput_ = nullptr;
  TGadget::ObjectRemoved(object);
}

uint16_t TExternalDocGadget::CanReadBlock(int16_t code) {
  return code == kBlockExternalDocGadget ? 1 : TGadget::CanReadBlock(code);
}

uint16_t TExternalDocGadget::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockExternalDocGadget) return TGadget::ReadBlockContents(code, reader);
  FSSpec record;
  ReadFileRecord(reader, record);
  fileRecord_ = record;
  try {
    SetFileSpec(record, recordFlag_);
  } catch (const QVException&) {
    // The record is kept as read.
  }
  return 1;
}

void TExternalDocGadget::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockExternalDocGadget) {
    TGadget::WriteBlockContents(code, writer);
    return;
  }
  WriteFileRecord(writer, fileRecord_);
}

void TExternalDocGadget::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockExternalDocGadget);
  TGadget::WriteFields(writer);
}

// The document -----------------------------------------------------------------------------

TExternalDoc::~TExternalDoc() {
  Disconnect();
}

void TExternalDoc::Initialize() {
  TExternalDocGadget::Initialize();
  address_ = TExternalAddress();
  conversation_ = std::make_unique<TDDEClientLink>();
  conversation_->Initialize();
  // The user is asked once for this document whether its program may be started.
  conversation_->SetLaunchPermission(
      [this](const std::string& application, const std::string& document) { return MayLaunch(application, document); });
  StoreSize(MacPoint(kDefaultSize, kDefaultSize));
}

uint16_t TExternalDoc::GetAddress(TExternalAddress& address) {
  address = address_;
  FSSpec record;
  return static_cast<uint16_t>(GetFileSpec(record));
}

void TExternalDoc::SetAddress(const TExternalAddress& address) {
  address_ = address;
}

Str255 TExternalDoc::GetLinkNamingName() {
  return conversation_ ? conversation_->GetApplicationName() : Str255();
}

HCONV TExternalDoc::IsConnected() {
  return conversation_ ? conversation_->GetConversation() : 0;
}

uint16_t TExternalDoc::GetConnection(TExternalConnection& connection) {
  if (!conversation_) return 0;
  connection.service = conversation_->GetService();
  connection.topic = conversation_->GetTopic();
  connection.conversation = conversation_->GetConversation();
  return connection.conversation != 0 ? 1 : 0;
}

bool TExternalDoc::MayLaunch(const std::string& application, const std::string& document) {
  if (launchAnswer_ < 0) launchAnswer_ = AskToLaunch(application, document) ? 1 : 0;
  return launchAnswer_ == 1;
}

int16_t TExternalDoc::Connect(bool noLaunch) {
  if (!conversation_) return kErrCannotStart;
  TDDEClientLink& link = *conversation_;
  // Reaching (or starting) the other program may take a while.
  const CWaitCursor waiting;
  if (noLaunch) {
    const int16_t error = link.Connect();
    if (error == 0) InvalidateContent();
    return error;
  }
  const int16_t error = link.ConnectOrLaunch();
  if (error == 0) InvalidateContent();
  return error;
}

void TExternalDoc::Disconnect() {
  if (conversation_) conversation_->Disconnect();
}

void TExternalDoc::StartRun() {
  if (IsConnected() == 0) FailIfError(Connect(false));
  if (!GetInitCommand().IsEmpty()) FailIfError(conversation_->Execute(GetInitCommand(), GetTimeout()));
}

void TExternalDoc::StepRun() {
  if (!conversation_ || GetExecuteCommand().IsEmpty()) return;
  FailIfError(conversation_->Execute(GetExecuteCommand(), GetTimeout()));
}

void TExternalDoc::Unlink(const std::vector<TLink*>* list) {
  ForEachLinked([&](TLink& object) {
    if (list == nullptr || IsListed(*list, &object)) RemoveLinkedObject(&object);
  });
}

void TExternalDoc::SetApplicationPath(const Str255& path) {
  address_.applicationPath = path;
  launchAnswer_ = -1;
  if (conversation_) conversation_->SetApplication(path);
  RenumberItems();
}

void TExternalDoc::SetDocumentPath(const Str255& path) {
  address_.documentPath = path;
  FSSpec& record = FileRecord();
  record.name = path;
  launchAnswer_ = -1;
  if (conversation_) conversation_->SetTopic(path);
  ConnectAfterNameChange();
  RenumberItems();
}

void TExternalDoc::ConnectAfterNameChange() {
  if (!conversation_ || conversation_->GetService() == 0) return;
  connectAfterRename_ = 1;
  const int16_t error = Connect(false);
  if (error != 0) {
    ErrorAlert(error, 0);
    return;
  }
  InvalidateContent();
}

bool TExternalDoc::InputLinkedElsewhere(TLink* input) const {
  const auto* linked = dynamic_cast<const TInOutput*>(input);
  return linked != nullptr && linked->GetLinkDocument() != nullptr && linked->GetLinkDocument() != this;
}

Str255 TExternalDoc::LabelText() const {
  return address_.documentPath.IsEmpty() ? GetStatusText() : FileNamePart(address_.documentPath);
}

void TExternalDoc::GetDescription(Str255& text) {
  text.Assign("External document #");
  text.Append(Str255(GetNumberText()));
}

void TExternalDoc::DrawContents(const MacRect&) {
  const MacRect frame = GetFrame();
  const int16_t h = static_cast<int16_t>((frame.left + frame.right) / 2);
  const int16_t v = static_cast<int16_t>((frame.top + frame.bottom) / 2);
  if (!DrawIconMasked(LoadAppIcon("ExternalDoc"), h, v)) DrawPage(h, v);
  const Str255 label = LabelText();
  if (!PStringEquals(label, GetName())) SetName(label);
  const int16_t width = PortStringWidth(label);
  PortMoveTo(h - width / 2, frame.bottom + 12);
  PortDrawPString(label);
}

bool TExternalDoc::HitsControl(MacPoint point) {
  TWorldDoc* world = GetWorld();
  return world != nullptr && world->GetPlayerMode() == 0 && world->FirstRunningCommand() == nullptr &&
         ContainsPoint(point);
}

bool TExternalDoc::TrackClick(int16_t phase, MacPoint, bool inside) {
  TWorldDoc* world = GetWorld();
  if (phase != 2 || !inside || world == nullptr) return false;
  self_.assign(1, this);
  auto dialog = std::make_unique<TDialogCommand>();
  dialog->InitDialogCommand(kExternalDocDialog, world, &self_);
  world->Host().PostCommand(dialog.release());
  return false;
}

void TExternalDoc::DrawPage(int16_t h, int16_t v) {
  // Without the icon: a page with a folded corner, ruled while connected.
  const MacRect page(static_cast<int16_t>(v - 14), static_cast<int16_t>(h - 11), static_cast<int16_t>(v + 14),
                     static_cast<int16_t>(h + 11));
  PortFrameRect(page);
  PortMoveTo(page.right - 8, page.top);
  PortLineTo(0, 7);
  PortLineTo(7, 0);
  if (IsConnected() != 0) {
    for (int16_t line = 0; line < 3; ++line) {
      PortMoveTo(page.left + 4, page.top + 12 + 4 * line);
      PortLineTo(13, 0);
    }
  }
}

// Properties --------------------------------------------------------------------------------

bool TExternalDoc::HasProperty(uint32_t tag) {
  switch (tag) {
    case kTagApplication:
    case kTagDocument:
    case kTagInputItem:
    case kTagOutputItem:
    case kTagInitCommand:
    case kTagExecuteCommand:
    case kTagInputLinked:
    case kTagInputUnlinked:
    case kTagOutputLinked:
    case kTagOutputUnlinked:
    case kTagTimeout:
      return true;
    default:
      return TExternalDocGadget::HasProperty(tag);
  }
}

uint16_t TExternalDoc::GetStringProperty(uint32_t tag, Str255& value, void* extra) {
  value = Str255();
  switch (tag) {
    case kTagApplication:
      if (conversation_) value = conversation_->GetApplicationName();
      return 1;
    case kTagDocument:
      if (conversation_) value = conversation_->GetDocumentName();
      return 1;
    case kTagInitCommand:
      value = GetInitCommand();
      return 1;
    case kTagExecuteCommand:
      value = GetExecuteCommand();
      return 1;
    case kTagInputItem: {
      auto* input = dynamic_cast<TInput*>(GetCurrentInput());
      if (input == nullptr || InputLinkedElsewhere(input)) {
        SetEnabled(extra, false);
        return 1;
      }
      input->GetLinkTargetName(value);
      SetEnabled(extra, input->IsLinked());
      return 1;
    }
    case kTagOutputItem: {
      auto* output = dynamic_cast<TOutput*>(GetCurrentOutput());
      if (output == nullptr || InputLinkedElsewhere(output) || GetCurrentColumn() < 0 ||
          GetCurrentColumn() >= kColumnRecordCount) {
        SetEnabled(extra, false);
        return 1;
      }
      const TColumnRecord& record = output->GetColumnRecord(GetCurrentColumn());
      value = record.name;
      SetEnabled(extra, record.linked);
      return 1;
    }
    default:
      return TExternalDocGadget::GetStringProperty(tag, value, extra);
  }
}

void TExternalDoc::SetStringProperty(uint32_t tag, const Str255& value) {
  switch (tag) {
    case kTagApplication:
      SetApplicationPath(value);
      return;
    case kTagDocument:
      SetDocumentPath(value);
      ForEachLinked(kChanged);
      return;
    case kTagInitCommand:
      SetInitCommand(value);
      ForEachLinked(kChanged);
      return;
    case kTagExecuteCommand:
      SetExecuteCommand(value);
      ForEachLinked(kChanged);
      return;
    case kTagInputItem:
      if (auto* input = dynamic_cast<TInput*>(GetCurrentInput())) input->SetLinkTargetName(value);
      return;
    case kTagOutputItem:
      if (auto* output = dynamic_cast<TOutput*>(GetCurrentOutput());
          output != nullptr && GetCurrentColumn() >= 0 && GetCurrentColumn() < kColumnRecordCount)
        output->ColumnRecord(GetCurrentColumn()).name = value;
      return;
    default:
      TExternalDocGadget::SetStringProperty(tag, value);
  }
}

uint16_t TExternalDoc::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  if (tag != kTagTimeout) return TExternalDocGadget::GetNumberProperty(tag, value, extra);
  value = static_cast<double>(GetTimeout() / 1000);
  return 1;
}

void TExternalDoc::SetNumberProperty(uint32_t tag, const double& value) {
  if (tag != kTagTimeout) {
    TExternalDocGadget::SetNumberProperty(tag, value);
    return;
  }
  if (!std::isfinite(value)) return;
  // Whole seconds, within what milliseconds in 32 bits can hold.
  const double seconds = std::floor(std::clamp(value, kMinTimeoutSeconds, kMaxTimeoutSeconds));
  SetTimeout(static_cast<int32_t>(seconds * 1000.0));
}

uint16_t TExternalDoc::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  switch (tag) {
    case kTagInputLinked:
    case kTagInputUnlinked: {
      auto* input = dynamic_cast<TInput*>(GetCurrentInput());
      const bool linked = input != nullptr && !InputLinkedElsewhere(input) &&
                          IsListed(LinkedInputs(), input) && input->IsLinked();
      value = (tag == kTagInputLinked) == linked ? 1 : 0;
      SetEnabled(extra, input != nullptr);
      return 1;
    }
    case kTagOutputLinked:
    case kTagOutputUnlinked: {
      auto* output = dynamic_cast<TOutput*>(GetCurrentOutput());
      const bool linked = output != nullptr && IsListed(LinkedOutputs(), output) &&
                          GetCurrentColumn() >= 0 && GetCurrentColumn() < kColumnRecordCount &&
                          output->GetColumnRecord(GetCurrentColumn()).linked;
      value = (tag == kTagOutputLinked) == linked ? 1 : 0;
      SetEnabled(extra, output != nullptr);
      return 1;
    }
    default:
      return TExternalDocGadget::GetFlagProperty(tag, value, extra);
  }
}

void TExternalDoc::SetFlagProperty(uint32_t tag, uint16_t value) {
  const bool radio = tag == kTagInputLinked || tag == kTagInputUnlinked || tag == kTagOutputLinked ||
                     tag == kTagOutputUnlinked;
  // Each of a radio pair acts when it is chosen; its partner going off does nothing.
  if (radio && value == 0) return;
  auto* input = dynamic_cast<TInput*>(GetCurrentInput());
  auto* output = dynamic_cast<TOutput*>(GetCurrentOutput());
  const bool columnValid = GetCurrentColumn() >= 0 && GetCurrentColumn() < kColumnRecordCount;
  switch (tag) {
    case kTagInputLinked:
      if (input == nullptr || InputLinkedElsewhere(input)) return;
      LinkToDocument(*input, *this);
      RenumberItems();
      input->SetLinked(true);
      ForEachLinked(kChanged);
      return;
    case kTagInputUnlinked:
      if (input == nullptr) return;
      RemoveLinkedObject(input);
      input->SetLinked(false);
      RenumberItems();
      ForEachLinked(kChanged);
      return;
    case kTagOutputLinked:
      if (output == nullptr || !columnValid) return;
      if (!IsListed(LinkedOutputs(), output)) LinkToDocument(*output, *this);
      output->ColumnRecord(GetCurrentColumn()).linked = true;
      RenumberItems();
      ForEachLinked(kChanged);
      return;
    case kTagOutputUnlinked: {
      if (output == nullptr || !columnValid) return;
      output->ColumnRecord(GetCurrentColumn()).linked = false;
      bool anyLinked = false;
      for (int32_t i = 1; i < std::min<int32_t>(output->GetColumnCount(), kColumnRecordCount); ++i)
        anyLinked = anyLinked || output->GetColumnRecord(i).linked;
      if (!anyLinked) {
        RemoveLinkedObject(output);
        SetCurrentOutput(output, 1, GetOutputMenuIndex());
      }
      RenumberItems();
      return;
    }
    default:
      TExternalDocGadget::SetFlagProperty(tag, value);
  }
}

uint16_t TExternalDoc::HasAction(uint32_t tag) {
  return tag == kTagChooseApplication || tag == kTagChooseDocument ? 1 : TExternalDocGadget::HasAction(tag);
}

void TExternalDoc::DoAction(uint32_t tag) {
  if (tag != kTagChooseApplication && tag != kTagChooseDocument) {
    TExternalDocGadget::DoAction(tag);
    return;
  }
  // Programs on this system have no common extension: every file is offered.
  CFileDialog dialog(TRUE, "", "", OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, "All files (*.*)|*.*||",
                     CWnd::FromHandle(MainFrameWindow()));
  if (dialog.DoModal() != IDOK) return;
  Str255 path;
  path.Assign(dialog.GetPathName().c_str());
  if (tag == kTagChooseApplication) {
    SetApplicationPath(path);
  } else {
    SetDocumentPath(path);
  }
  ForEachLinked(kChanged);
  SetFocus(MainFrameWindow());
}

// Menus -------------------------------------------------------------------------------------

namespace {

Str255 MenuText(const Str255& name) {
  Str255 text("  ");
  text.Append(name);
  return text;
}

// The text of a menu item less its two leading blanks.
Str255 ItemName(const Str255& text) {
  Str255 name;
  if (text.Length() > 2) text.Substring(name, 3, text.Length() - 2);
  return name;
}

}  // namespace

void TExternalDoc::GetInputMenu(std::vector<MenuItem>& items, int16_t& selected) {
  items.clear();
  selected = -1;
  if (GetWorld() == nullptr) return;
  for (TLink* object : GetWorld()->Inputs()) {
    auto* input = dynamic_cast<TInput*>(object);
    if (input == nullptr || InputLinkedElsewhere(input)) continue;
    if (GetCurrentInput() == nullptr) SetCurrentInput(input);
    if (input == GetCurrentInput()) selected = static_cast<int16_t>(items.size());
    items.push_back(MenuItem{MenuText(input->GetName()), IsListed(LinkedInputs(), input) && input->IsLinked()});
  }
}

void TExternalDoc::ChooseInputMenuItem(const Str255& text) {
  const Str255 name = ItemName(text);
  SetCurrentInput(nullptr);
  if (GetWorld() == nullptr) return;
  for (TLink* object : GetWorld()->Inputs()) {
    auto* input = dynamic_cast<TInput*>(object);
    if (input != nullptr && PStringEquals(input->GetName(), name)) {
      SetCurrentInput(input);
      return;
    }
  }
}

void TExternalDoc::GetOutputMenu(std::vector<MenuItem>& items, int16_t& selected) {
  items.clear();
  selected = -1;
  if (GetWorld() == nullptr) return;
  int16_t firstOfCurrent = -1;
  for (TLink* object : GetWorld()->Outputs()) {
    auto* output = dynamic_cast<TOutput*>(object);
    if (output == nullptr || InputLinkedElsewhere(output)) continue;
    if (GetCurrentOutput() == nullptr) SetCurrentOutput(output, 1, -1);
    if (output == GetCurrentOutput()) firstOfCurrent = static_cast<int16_t>(items.size());
    const bool listed = IsListed(LinkedOutputs(), output);
    for (int32_t i = 2; i <= std::min<int32_t>(output->GetColumnCount(), kColumnRecordCount); ++i)
      items.push_back(MenuItem{MenuText(output->Column(i)->GetLabel()), listed && output->GetColumnRecord(i - 1).linked});
  }
  selected = GetOutputMenuIndex() >= 0 ? GetOutputMenuIndex() : firstOfCurrent;
}

void TExternalDoc::ChooseOutputMenuItem(const Str255& text) {
  const Str255 name = ItemName(text);
  SetCurrentOutput(nullptr, 1, -1);
  if (GetWorld() == nullptr) return;
  int16_t before = 0;
  for (TLink* object : GetWorld()->Outputs()) {
    auto* output = dynamic_cast<TOutput*>(object);
    if (output == nullptr || InputLinkedElsewhere(output)) continue;
    for (int32_t i = 2; i <= std::min<int32_t>(output->GetColumnCount(), kColumnRecordCount); ++i, ++before) {
      if (!PStringEquals(output->Column(i)->GetLabel(), name)) continue;
      SetCurrentOutput(output, static_cast<int16_t>(i - 1), before);
      return;
    }
  }
}

uint16_t TExternalDoc::GetMenuProperty(uint32_t tag, std::vector<TMenuEntry>& entries,
                                       int16_t& chosen, void* extra) {
  if (tag == kTagInputMenu) {
    GetInputMenu(entries, chosen);
  } else if (tag == kTagOutputMenu) {
    GetOutputMenu(entries, chosen);
  } else {
    return 0;
  }
  SetEnabled(extra, !entries.empty());
  return 1;
}

void TExternalDoc::SetMenuProperty(uint32_t tag, const Str255& text) {
  if (tag == kTagInputMenu) ChooseInputMenuItem(text);
  if (tag == kTagOutputMenu) ChooseOutputMenuItem(text);
}

// Filing ------------------------------------------------------------------------------------

uint16_t TExternalDoc::CanReadBlock(int16_t code) {
  return code == kBlockExternalDoc ? 1 : TExternalDocGadget::CanReadBlock(code);
}

uint16_t TExternalDoc::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockExternalDoc) return TExternalDocGadget::ReadBlockContents(code, reader);
  Str255 text;
  reader.ReadString(address_.applicationPath);
  reader.ReadString(text);
  SetInitCommand(text);
  reader.ReadString(text);
  SetExecuteCommand(text);
  return 1;
}

void TExternalDoc::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockExternalDoc) {
    TExternalDocGadget::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteString(address_.applicationPath);
  writer.WriteString(GetInitCommand());
  writer.WriteString(GetExecuteCommand());
}

void TExternalDoc::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockExternalDoc);
  TExternalDocGadget::WriteFields(writer);
}

void TExternalDoc::EndReading(TObjectReader& reader) {
  TExternalDocGadget::EndReading(reader);
  FSSpec record;
  GetFileSpec(record);
  address_.vRefNum = record.vRefNum;
  address_.parID = record.parID;
  address_.documentPath = record.name;
  if (!conversation_) return;
  if (!address_.applicationPath.IsEmpty()) conversation_->SetApplication(address_.applicationPath);
  if (!address_.documentPath.IsEmpty()) conversation_->SetTopic(address_.documentPath);
}

// Links --------------------------------------------------------------------------------------

namespace {

// Whether a handler already works for the document, or for one at the same address.
bool ServesDocument(const TDDETableSuiteHandler& handler, TExternalDDETableDoc& document) {
  TExternalDDETableDoc* own = handler.GetDocument();
  if (own == nullptr) return false;
  if (own == &document) return true;
  TExternalAddress a;
  TExternalAddress b;
  return own->GetAddress(a) != 0 && document.GetAddress(b) != 0 && TExternalAddress::Equals(a, b);
}

}  // namespace

void LinkToDocument(TInOutput& object, TExternalDocGadget& document) {
  auto* table = dynamic_cast<TExternalDDETableDoc*>(&document);
  auto* current = dynamic_cast<TDDETableSuiteHandler*>(object.GetLinkItem());
  if (table == nullptr || (current != nullptr && ServesDocument(*current, *table))) {
    document.AddLinkedObject(&object);
    return;
  }
  // A new handler replaces the one the object had.
  if (current != nullptr) {
    if (TExternalDDETableDoc* old = current->GetDocument()) old->RemoveLinkedObject(&object);
  }
  TDDETableSuiteHandler& handler = NewTableHandler(object, *table, table->GetWorld());
  object.SetLinkItem(&handler);
  table->AddLinkedObject(&object);
}

void UnlinkFromDocument(TInOutput& object, TExternalDocGadget& document) {
  if (object.GetLinkDocument() == &document) object.SetLinkDocument(nullptr);
  object.RemoveDependent(&document);
  auto* handler = dynamic_cast<TDDETableSuiteHandler*>(object.GetLinkItem());
  if (handler == nullptr || handler->GetDocument() != &document) return;
  object.SetLinkItem(nullptr);
  if (TWorldDoc* world = document.GetWorld()) world->RemoveObject(handler);
}

// The table document ------------------------------------------------------------------------

TObject* TExternalDDETableDoc::CreateObject() {
  return new (std::nothrow) TExternalDDETableDoc();
}

void TExternalDDETableDoc::Initialize() {
  sendToCellInRows_ = 1;
  TExternalDoc::Initialize();
}

uint16_t TExternalDDETableDoc::CanReadBlock(int16_t code) {
  return code == kBlockExternalTableDoc ? 1 : TExternalDoc::CanReadBlock(code);
}

uint16_t TExternalDDETableDoc::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockExternalTableDoc) return TExternalDoc::ReadBlockContents(code, reader);
  sendToCellInRows_ = reader.ReadBoolean() ? 1 : 0;
  return 1;
}

void TExternalDDETableDoc::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockExternalTableDoc) {
    TExternalDoc::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteShort(sendToCellInRows_);
}

void TExternalDDETableDoc::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockExternalTableDoc);
  TExternalDoc::WriteFields(writer);
}

void TExternalDDETableDoc::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kExternalTableDocTag);
}
