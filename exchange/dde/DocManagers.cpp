#include "exchange/dde/DocManagers.h"

#include <algorithm>
#include <new>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/MouseButton.h"
#include "core/Resources.h"
#include "exchange/dde/TableSuiteHandler.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "model/Formula.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/ObjectNumbering.h"
#include "model/world/WorldDoc.h"
#include "platform/mfc/CFileDialog.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "ui/views/ViewServices.h"
#include "views/trackers/ToolTrackers.h"

namespace {

constexpr int16_t kErrMissing = -108;

ExternalDocumentChooser& Chooser() {
  static ExternalDocumentChooser chooser;
  return chooser;
}

// A meter writes each linked column's value and display text into its cell: the values of the
// frame the run leaves, the last one recorded. A run's first frame is computed within the step
// that leaves it, never shown: the meter takes its values from the record first. A column with
// no value (nothing recorded yet) leaves its cell as it was: the mark of a missing value is no
// number for the other program's table.
void WriteLinkedColumns(TWorldDoc* world, TLink& object) {
  auto* output = dynamic_cast<TOutput*>(&object);
  auto* cells = output != nullptr ? dynamic_cast<TCellLink*>(output->GetLinkItem()) : nullptr;
  if (cells == nullptr) return;
  const int32_t leaving = world != nullptr ? world->LastFrame() : -1;
  if (leaving >= 0 && output->GetCurrentFrame() != leaving) {
    output->FrameChanged(static_cast<int16_t>(leaving),
                         static_cast<int16_t>(world->FirstHeldFrame()),
                         static_cast<int16_t>(leaving));
  }
  output->ForEachLinkedValue(output->GetUnitHandler(), [cells](const Str255& name, double value, const Str255& text) {
    if (value == TFormula::kNoValue) return;
    cells->WriteCell(name, value, text);
  });
}

}  // namespace

// The document manager ----------------------------------------------------------------------

TAEWorldDocMgr::~TAEWorldDocMgr() = default;

void TAEWorldDocMgr::Initialize() {
  THandlerLink::Initialize();
  allowAll_ = 0;
  documents_.clear();
  current_ = nullptr;
  record_.Clear();
}

void TAEWorldDocMgr::ObjectInWorld(TWorldDoc& world, TLink& object) {
  world_ = &world;
  if (object.IsMemberClass(TExternalDocGadget::kClassID))
    AddDocument(static_cast<TExternalDocGadget&>(object));
}

void TAEWorldDocMgr::AddDocument(TExternalDocGadget& document) {
  if (world_ != nullptr) document.SetWorld(world_);
  if (std::find(documents_.begin(), documents_.end(), &document) != documents_.end()) return;
  documents_.push_back(&document);
  AddDependent(&document);
}

void TAEWorldDocMgr::ObjectRemoved(TLink* object) {
  std::erase(documents_, object);
  if (current_ == object) current_ = nullptr;
  THandlerLink::ObjectRemoved(object);
}

TExternalDocGadget* TAEWorldDocMgr::FirstDocumentThat(const DocumentTest& test) {
  for (TExternalDocGadget* document : documents_) {
    if (test(*document)) return document;
  }
  return nullptr;
}

TExternalDocGadget* TAEWorldDocMgr::FindDocumentByAddress(const TExternalAddress& address) {
  return FirstDocumentThat([&address](TExternalDocGadget& document) {
    TExternalAddress own;
    return document.GetAddress(own) != 0 && !own.IsEmpty() && TExternalAddress::Equals(own, address);
  });
}

void TAEWorldDocMgr::SetCurrentDocument(TExternalDocGadget* document) {
  current_ = document;
  if (document == nullptr) return;
  FSSpec record;
  if (document->GetFileSpec(record) != 0) record_ = record;
}

TExternalDocGadget* TAEWorldDocMgr::GetCurrentDocument(FSSpec& record) {
  if (current_ == nullptr && !documents_.empty()) {
    current_ = documents_.back();
    FSSpec own;
    if (current_->GetFileSpec(own) != 0) record_ = own;
  }
  record = record_;
  return current_;
}

void TAEWorldDocMgr::ReadAllLinkedInputs() {
  const TExchangeScope exchange;
  const std::vector<TExternalDocGadget*> documents = documents_;
  for (TExternalDocGadget* document : documents) {
    document->ForEachInput([](TLink& input) {
      if (auto* runInput = dynamic_cast<TRunInput*>(&input)) runInput->WriteLinkedValue();
    });
  }
}

void TAEWorldDocMgr::StartRun() {
  const TExchangeScope exchange;
  const std::vector<TExternalDocGadget*> documents = documents_;
  for (TExternalDocGadget* document : documents) document->StartRun();
}

void TAEWorldDocMgr::NotifyFrame(int32_t) {
  const TExchangeScope exchange;
  const std::vector<TExternalDocGadget*> documents = documents_;
  for (TExternalDocGadget* document : documents)
    document->ForEachOutput([this](TLink& output) { WriteLinkedColumns(world_, output); });
  StepAll();
}

void TAEWorldDocMgr::StepAll() {
  const TExchangeScope exchange;
  const std::vector<TExternalDocGadget*> documents = documents_;
  for (TExternalDocGadget* document : documents) document->StepRun();
}

bool TAEWorldDocMgr::ConversationsEnded() {
  bool ended = false;
  for (TExternalDocGadget* document : documents_) {
    auto* external = dynamic_cast<TExternalDoc*>(document);
    TDDEClientLink* link = external != nullptr ? external->GetConversationObject() : nullptr;
    if (link == nullptr || link->GetConversationHandle() == 0 || DdeConversationExists(link->GetConversationHandle()))
      continue;
    external->Disconnect();
    external->InvalidateContent();
    ended = true;
  }
  return ended;
}

TCommandCore* TAEWorldDocMgr::DoMenuCommand(int16_t command, bool& handled) {
  if (command < kCmdLinkFirst || command > kCmdLinkLast) return nullptr;
  auto made = std::make_unique<TLinkExternalDocCommand>();
  made->InitLink(command, world_, this);
  handled = true;
  return made.release();
}

uint16_t TAEWorldDocMgr::CanReadBlock(int16_t code) {
  return code == kBlockDocManager ? 1 : THandlerLink::CanReadBlock(code);
}

uint16_t TAEWorldDocMgr::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockDocManager) return THandlerLink::ReadBlockContents(code, reader);
  ReadFileRecord(reader, record_);
  allowAll_ = reader.ReadBoolean() ? 1 : 0;
  return 1;
}

void TAEWorldDocMgr::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockDocManager) {
    THandlerLink::WriteBlockContents(code, writer);
    return;
  }
  WriteFileRecord(writer, record_);
  writer.WriteShort(allowAll_);
}

void TAEWorldDocMgr::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockDocManager);
  THandlerLink::WriteFields(writer);
}

// The table manager -------------------------------------------------------------------------

TObject* TAEWorldTableMgr::CreateObject() {
  return new (std::nothrow) TAEWorldTableMgr();
}

void TAEWorldTableMgr::Initialize() {
  TAEWorldDocMgr::Initialize();
  allowAllTables_ = 0;
  tables_.clear();
  currentTable_ = nullptr;
  tableRecord_.Clear();
}

void TAEWorldTableMgr::SetCurrentDocument(TExternalDocGadget* document) {
  TAEWorldDocMgr::SetCurrentDocument(document);
  if (document == nullptr) return;
  currentTable_ = document;
  TExternalAddress address;
  if (document->GetAddress(address) == 0) address = TExternalAddress();
  tableRecord_.vRefNum = address.vRefNum;
  tableRecord_.parID = address.parID;
  tableRecord_.name = address.documentPath;
  tableRecord_.second = address.applicationPath;
}

void TAEWorldTableMgr::ObjectRemoved(TLink* object) {
  if (currentTable_ == object) currentTable_ = nullptr;
  std::erase(tables_, object);
  TAEWorldDocMgr::ObjectRemoved(object);
}

uint16_t TAEWorldTableMgr::CanReadBlock(int16_t code) {
  return code == kBlockTableManager ? 1 : TAEWorldDocMgr::CanReadBlock(code);
}

uint16_t TAEWorldTableMgr::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockTableManager) return TAEWorldDocMgr::ReadBlockContents(code, reader);
  ReadFileRecord(reader, tableRecord_);
  allowAllTables_ = reader.ReadBoolean() ? 1 : 0;
  return 1;
}

void TAEWorldTableMgr::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockTableManager) {
    TAEWorldDocMgr::WriteBlockContents(code, writer);
    return;
  }
  WriteFileRecord(writer, tableRecord_);
  writer.WriteShort(allowAllTables_);
}

void TAEWorldTableMgr::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockTableManager);
  TAEWorldDocMgr::WriteFields(writer);
}

void TAEWorldTableMgr::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kTableManagerTag);
}

TAEWorldTableMgr& ExternalTableManagerFor(TWorldDoc& world) {
  for (TLink* object : world.FrameListeners()) {
    if (object->IsMemberClass(TAEWorldTableMgr::kClassID)) return static_cast<TAEWorldTableMgr&>(*object);
  }
  auto made = std::make_unique<TAEWorldTableMgr>();
  made->Initialize();
  // A number another object holds would be renumbered when the world is read again.
  made->SetIdentifier(FreeIdentifier(world));
  TAEWorldTableMgr& manager = *made;
  world.AdoptObject(std::move(made));
  return manager;
}

// Linking -----------------------------------------------------------------------------------

void SetExternalDocumentChooser(ExternalDocumentChooser chooser) {
  Chooser() = std::move(chooser);
}

bool ChooseExternalDocument(int16_t command, TAEWorldDocMgr& manager) {
  TWorldDoc* world = manager.GetWorld();
  if (world == nullptr) return false;
  // Each linking command offers the files of its kind of document first.
  Str255 filter;
  QV_GetIndString(filter, static_cast<int16_t>(kLinkFilterStrings + command - kCmdLinkFirst), 0);
  if (filter.IsEmpty()) filter.Assign("All files (*.*)|*.*||");
  CFileDialog dialog(TRUE, "", "", OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, filter.Chars(),
                     CWnd::FromHandle(MainFrameWindow()));
  if (dialog.DoModal() != IDOK) return false;
  Str255 path;
  path.Assign(dialog.GetPathName().c_str());
  // A document already in the world is taken again; another joins the world.
  TExternalDocGadget* document = manager.FirstDocumentThat([&path](TExternalDocGadget& candidate) {
    TExternalAddress address;
    candidate.GetAddress(address);
    return PStringEquals(address.documentPath, path);
  });
  if (document == nullptr) {
    auto made = std::make_unique<TExternalDDETableDoc>();
    made->Initialize();
    made->SetIdentifier(FreeIdentifier(*world));
    TExternalDDETableDoc& table = *made;
    world->AdoptObject(std::move(made));
    table.SetDocumentPath(path);
    document = &table;
  }
  manager.SetCurrentDocument(document);
  return true;
}

void TLinkExternalDocCommand::InitLink(int16_t command, TWorldDoc* world, TAEWorldDocMgr* manager) {
  Init(command, nullptr, nullptr, nullptr);
  if (world == nullptr || manager == nullptr) ThrowFailure(kErrMissing, 0);
  world_ = world;
  manager_ = manager;
  selection_ = world->Selection();
  if (selection_.empty()) ThrowFailure(0, 0);
}

void TLinkExternalDocCommand::DoIt() {
  const bool chosen = Chooser() ? Chooser()(GetCommandNumber(), *manager_)
                                : ChooseExternalDocument(GetCommandNumber(), *manager_);
  if (!chosen) return;
  FSSpec record;
  TExternalDocGadget* document = manager_->GetCurrentDocument(record);
  if (document == nullptr) ThrowFailure(kErrMissing, 0);
  for (TLink* object : selection_) {
    if (auto* linked = dynamic_cast<TInOutput*>(object)) LinkToDocument(*linked, *document);
  }
}

void TExternalTableTracker::InitTableTracker(int16_t tool, TTrackerView* view,
                                             TActionContext* world,
                                             std::unique_ptr<TObjectReader> placed,
                                             const std::vector<TLink*>& selection) {
  world_ = nullptr;
  document_ = nullptr;
  made_.clear();
  TakeSelection(selection);
  TLink* first = placed != nullptr && !placed->Table().Objects().empty() ? placed->Table().Objects().front() : nullptr;
  if (first == nullptr || !first->IsMemberClass(TExternalDocGadget::kClassID)) ThrowFailure(kErrNoHandlerTemplate, 0);
  document_ = static_cast<TExternalDocGadget*>(first);
  // Linking is not taken back by Undo, so neither is the placing.
  InitPlacing(tool, view, world, 0, 1, std::move(placed));
  world_ = world != nullptr ? dynamic_cast<TWorldDoc*>(&world->ContextLink()) : nullptr;
  SetFeedbackArmed(1);
}

void TExternalTableTracker::TakeSelection(const std::vector<TLink*>& selection) {
  inputs_.clear();
  outputs_.clear();
  for (TLink* object : selection) {
    if (object->IsMemberClass(kOutputClassId)) {
      outputs_.push_back(object);
    } else if (object->IsMemberClass(kInputClassId)) {
      inputs_.push_back(object);
    }
  }
}

TCommandCore* TExternalTableTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                               const QV_CPoint& previous, const QV_CPoint& next,
                                               bool mouseMoved, const TVector& anchorWorld,
                                               const TVector& previousWorld,
                                               const TVector& nextWorld, bool moved) {
  TCommandCore* const result = TTracker489::TrackStep(phase, anchor, previous, next, mouseMoved, anchorWorld,
                                                      previousWorld, nextWorld, moved);
  if (phase == 0) StartTracking();
  if (document_ == nullptr) return result;
  const MacRect frame = document_->GetFrame();
  const int16_t h = static_cast<int16_t>(next.h - (frame.left + frame.right) / 2);
  const int16_t v = static_cast<int16_t>(next.v - (frame.top + frame.bottom) / 2);
  if (h != 0 || v != 0) document_->MoveBy(MacPoint(h, v));
  return result;
}

bool TExternalTableTracker::TrackingDone() {
  return TrackingDoneFlag() || !IsMouseButtonDown();
}

void TExternalTableTracker::AfterPrepare() {
  // The placed objects leave the reader for the world here.
  made_ = PlacedObjects();
  TTracker489::AfterPrepare();
}

void TExternalTableTracker::AfterWork() {
  TTracker489::AfterWork();
  TWorldDoc* world = world_;
  if (world != nullptr) {
    // Objects deleted since the tool was armed are not linked (nor touched).
    const std::vector<TLink*> objects = world->Objects();
    const auto gone = [&objects](TLink* object) {
      return std::find(objects.begin(), objects.end(), object) == objects.end();
    };
    std::erase_if(inputs_, gone);
    std::erase_if(outputs_, gone);
    ExternalTableManagerFor(*world);
  }
  NewObjectStep(made_);
  if (world != nullptr) world->SetMode(TWorldBase::kSelectionTool, 2);
}

TExternalDocGadget& TExternalTableTracker::NewObjectStep(const std::vector<TLink*>& made) {
  TLink* first = made.empty() ? nullptr : made.front();
  if (first == nullptr || !first->IsMemberClass(TExternalDocGadget::kClassID)) ThrowFailure(kErrNoHandlerTemplate, 0);
  auto& document = static_cast<TExternalDocGadget&>(*first);
  document.SetFileSpec(FSSpec(), 1);
  document.SetAddress(TExternalAddress());
  for (TLink* object : outputs_) {
    auto& output = static_cast<TOutput&>(*object);
    document.AddLinkedObject(&output);
    for (int32_t i = 1; i < std::min<int32_t>(output.GetColumnCount(), kColumnRecordCount); ++i)
      output.ColumnRecord(i).linked = true;
  }
  if (!outputs_.empty()) document.SetCurrentOutput(outputs_.front(), 1, 1);
  for (TLink* object : inputs_) document.AddLinkedObject(object);
  if (!inputs_.empty()) {
    document.SetCurrentInput(inputs_.front());
    static_cast<TInput&>(*inputs_.front()).SetLinked(true);
  }
  document.ForEachLinked([&document](TLink& object) {
    if (auto* linked = dynamic_cast<TInOutput*>(&object)) LinkToDocument(*linked, document);
  });
  return document;
}

namespace {

// The tracker of the placing tool's object, else null.
std::unique_ptr<TCommandCore> MakeExternalTablePlacer(int16_t tool, TTrackerView* view, TActionContext* world,
                                                      std::unique_ptr<TObjectReader>& placed, TLink& object) {
  if (tool != kPlaceExternalTableTool || !object.IsMemberClass(TExternalDocGadget::kClassID) || world == nullptr)
    return nullptr;
  auto* doc = dynamic_cast<TWorldDoc*>(&world->ContextLink());
  auto tracker = std::make_unique<TExternalTableTracker>();
  tracker->InitTableTracker(tool, view, world, std::move(placed),
                            doc != nullptr ? doc->Selection() : std::vector<TLink*>());
  return tracker;
}

}  // namespace

void ArmExternalTablePlacing(TWorldDoc& world) {
  // The manager takes the new document in as it joins the world.
  ExternalTableManagerFor(world);
  world.SetMode(kPlaceExternalTableTool, 0);
  // A tool armed before keeps its tracker: it links what is selected now.
  if (auto* tracker = dynamic_cast<TExternalTableTracker*>(world.GetToolTracker()))
    tracker->TakeSelection(world.Selection());
}

bool AskUserToLaunch(const std::string& application, const std::string& document) {
  const std::string text = "The document \"" + document + "\" names the program \"" + application +
                           "\" to open it with. Start that program?";
  // Asked over the window in front (the document's property dialog, when the question comes
  // from there), which has the keyboard back once the question is answered.
  HWND owner = GetActiveWindow();
  if (owner == nullptr) owner = MainFrameWindow();
  return MessageBox(owner, text.c_str(), "Yarrowby", MB_YESNO) == IDYES;
}

void RegisterExternalTableClasses() {
  SetLaunchQuestion(&AskUserToLaunch);
  AddGadgetToolTrackerMaker(MakeExternalTablePlacer);
  RegisterClassInfo("TDDETableSuiteHandler", kTableHandlerTag, TDDETableSuiteHandler::kClassID,
                    TDDETableSuiteHandler::CreateObject, sizeof(TDDETableSuiteHandler));
  RegisterClassInfo("TExternalDDETableDoc", kExternalTableDocTag, TExternalDDETableDoc::kClassID,
                    TExternalDDETableDoc::CreateObject, sizeof(TExternalDDETableDoc));
  RegisterClassInfo("TAEWorldTableMgr", kTableManagerTag, TAEWorldTableMgr::kClassID,
                    TAEWorldTableMgr::CreateObject, sizeof(TAEWorldTableMgr));
}
