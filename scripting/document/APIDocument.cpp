#include "scripting/document/APIDocument.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>
#include <optional>
#include <set>
#include <vector>

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/CollisionGroup.h"
#include "constraints/Constraint.h"
#include "constraints/CurvedSlot.h"
#include "core/Failure.h"
#include "core/List.h"
#include "core/Tag.h"
#include "model/command/CommandHandler.h"
#include "model/filing/ObjectReader.h"
#include "model/world/Joiner.h"
#include "model/world/ObjectNumbering.h"
#include "model/world/QVDoc.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldDeleteCommand.h"
#include "model/world/WorldDisplay.h"
#include "model/world/WorldExports.h"
#include "core/MenuSetup.h"
#include "scripting/host/CallFrame.h"
#include "scripting/host/ScriptApplication.h"
#include "scripting/objects/ObjectMaker.h"

IMPLEMENT_DYNAMIC(TAPIDocument, TAPIDispatcher)
IMPLEMENT_DYNAMIC(TAPIDocCollection, TAPICollection)

namespace {

CCmdTarget* MakeDocumentObject(TQVDoc& document, CCmdTarget* parent) {
  auto* owner = static_cast<TAPIDispatcher*>(parent);
  auto* object = new TAPIDocument(owner->GetAttachedObject(), &document, owner);
  object->AddRef();  // the document's reference
  return object;
}

void ReleaseDocumentObject(CCmdTarget* object) {
  static_cast<TAPIDispatcher*>(object)->DeleteIfUnreferenced();
}

constexpr int16_t kCmdExportMeterData = 1713;

// Templates of new objects, by kind word.
struct TemplateKind {
  const char* word;
  int16_t resource;
};
constexpr TemplateKind kBodyKinds[] = {
    {"circle", 2500}, {"rectangle", 2503}, {"square", 2502}, {"polygon", 2511}};
constexpr TemplateKind kPointKinds[] = {{"anchor", 2534}, {"squarepoint", 2540}, {"point", 2505}};
// Compared in this order; the first equal word decides.
constexpr TemplateKind kConstraintKinds[] = {
    {"pin", 2524},          {"squarepin", 2523},        {"spring", 2509},
    {"rotationalspring", 2518}, {"rotspring", 2518},    {"rspring", 2518},
    {"damper", 2516},       {"rotdamper", 2517},        {"rdamper", 2517},
    {"rotationaldamper", 2517}, {"springdamper", 2543}, {"slot", 2526},
    {"hslot", 2526},        {"horizontalslot", 2526},   {"vslot", 2528},
    {"verticalslot", 2528}, {"keyedslot", 2525},        {"keyedhslot", 2525},
    {"keyedvslot", 2527},   {"curvedslot", 2546},       {"rod", 2504},
    {"rope", 2508},         {"separator", 2501},        {"sep", 2501},
    {"force", 2506},        {"torque", 2507},           {"actuator", 2512},
    {"motor", 2513},        {"pulley", 2514},           {"gear", 2552}};
constexpr int16_t kCurvedSlotTemplate = 2546;
constexpr int16_t kMeterTemplate = 5000;
constexpr int16_t kInputTemplate = 5360;

// The text with its ASCII letters in lower case.
std::string Lowered(const char* text) {
  std::string lowered(text);
  for (char& c : lowered)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lowered;
}

template <size_t N>
int16_t TemplateOf(const TemplateKind (&kinds)[N], const Str31& word) {
  const std::string lowered = Lowered(word.Chars());
  for (const TemplateKind& kind : kinds)
    if (lowered == kind.word) return kind.resource;
  return 0;
}

// The background body: the world's object numbered 0 of class 663.
TZeroMass* Background(TWorldDoc& world) {
  TLink* object = world.FindObject(0);
  return object != nullptr && object->IsMemberClass(TZeroMass::kClassID)
             ? static_cast<TZeroMass*>(object)
             : nullptr;
}

// Brings the world's selection and script side in line before an object goes.
// Its script object, kept by the object, is let go with it.
void RemoveFromWorld(TWorldDoc& world, TLink* object) {
  world.Deselect(object);
  world.RemoveObject(object);
}

bool HeldByOtherConstraint(TWorldDoc& world, const TCnstr* deleted, const TPoint* point) {
  for (TLink* object : world.Objects()) {
    if (object == deleted || !object->IsMemberClass(TCnstr::kClassID)) continue;
    const std::vector<TPoint*> points = static_cast<TCnstr*>(object)->OwnPoints();
    if (std::find(points.begin(), points.end(), point) != points.end()) return true;
  }
  return false;
}

}  // namespace

void InstallDocumentScriptObjects() {
  TQVDoc::SetScriptObjectMaker({&MakeDocumentObject, &ReleaseDocumentObject});
  InstallWorldScriptObjects();
}

bool PerformNow(TCommandCore* command) {
  if (command == nullptr) return true;
  if (TCommandHandler* handler = TCommandHandler::Application())
    return handler->PerformQueuedCommand(command);
  // No application around (a batch run): the command is performed and freed here.
  std::unique_ptr<TCommandCore> owned(command);
  try {
    command->Perform();
  } catch (const QVException&) {
    return false;
  }
  return true;
}

bool PerformNow(std::unique_ptr<TCommandCore> command) {
  if (command && TCommandHandler::Application() != nullptr) command->SetFreeWhenDone(1);
  return PerformNow(command.release());
}

// ---- The object and its life -----------------------------------------------------------------

TAPIDocument::TAPIDocument(TAPICallLog* callLog, TQVDoc* document, TAPIDispatcher* parent)
    : TAPIDispatcher(callLog, document, parent) {
  SetTag(kTag);
}

TAPIDocument::~TAPIDocument() {
  ReleaseWorldObjects();
  if (Document() != nullptr) Document()->ForgetAPIDocument();
}

void TAPIDocument::DeleteIfUnreferenced() {
  // Scripts may still hold collections of the world that goes: each becomes a dead object of
  // its own, never a dangling one. World objects let their script objects go themselves.
  ReleaseWorldObjects();
  TAPIDispatcher::DeleteIfUnreferenced();
}

void TAPIDocument::ReleaseWorldObjects() {
  for (TAPIDispatcher*& collection : collections_) {
    TAPIDispatcher* held = collection;
    collection = nullptr;
    if (held != nullptr) held->DeleteIfUnreferenced();
  }
}

bool TAPIDocument::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPIDispatcher::IsKindOfTag(tag);
}

const Str31& TAPIDocument::GetClassName() const {
  static const Str31 name("TAPIDocument");
  return name;
}

TQVDoc* TAPIDocument::CheckedDocument(TAPICallContext& context) const {
  if (!context.Failed() && IsKindOfSafe(static_cast<TObject*>(Document()), TQVDoc::kClassID))
    return Document();
  context.Fail(kAPINoTarget);
  return nullptr;
}

TLink* TAPIDocument::OwnWorldObject(TAPIDispatcher* object) {
  if (object == nullptr || !IsLiveScriptObject(object) || !object->IsKindOfTag(kWorldObjectTag))
    return nullptr;
  TLink* target = WorldObjectOf(object);
  return Document() != nullptr && WorldHolds(Document()->World(), target) ? target : nullptr;
}

// ---- The document and windows ----------------------------------------------------------------

APIResult TAPIDocument::GetName(Str63* name) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) name->Assign(document->Title().c_str());
  return context.Result();
}

APIResult TAPIDocument::Close() {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  if (document->World().GetRunState() != kRunIdle) {
    context.Fail(kAPICallFailed, kAPIRunning);
    return context.Result();
  }
  TScriptApplication* application = ScriptApplication();
  // A document the application cannot close stays open, and the script is told.
  if (application == nullptr) {
    context.Fail(kAPICallFailed);
    return context.Result();
  }
  // The last command may belong to the document: it is committed while its world is there, as
  // the window's Close command does.
  TCommandHandler* handler = TCommandHandler::Application();
  if (handler != nullptr && handler->GetLastCommand() != nullptr &&
      handler->GetLastCommand()->GetDocument() == document)
    handler->CommitLastCommand();
  if (!application->CloseDocument(*document)) context.Fail(kAPICallFailed);
  return context.Result();
}

APIResult TAPIDocument::Save() {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  // A document in a window is saved as File > Save saves it: one never saved asks for a name,
  // and a Cancel there is a failure the script hears of.
  TScriptApplication* application = ScriptApplication();
  const std::optional<bool> byWindow =
      application != nullptr ? application->SaveDocument(*document) : std::nullopt;
  if (byWindow.has_value()) {
    if (!*byWindow) context.Fail(kAPICallFailed);
    return context.Result();
  }
  if (document->Path().empty()) {
    context.Fail(kAPICallFailed);
    return context.Result();
  }
  document->WriteDocument(document->Path());
  return context.Result();
}

APIResult TAPIDocument::SaveAs(const Str255& path, int16_t withResults) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  const uint16_t saved = TQVDoc::GetSaveWithResults();
  TQVDoc::SetSaveWithResults(withResults != 0 ? 1 : 0);
  // A document in a window is saved by its window, which renames it, its window and the main
  // frame and heads the recent files with it; one without is written directly.
  bool written = false;
  try {
    TScriptApplication* application = ScriptApplication();
    const std::optional<bool> byWindow =
        application != nullptr ? application->SaveDocumentAs(*document, path.Chars())
                               : std::nullopt;
    if (byWindow.has_value()) {
      written = *byWindow;
    } else {
      document->WriteDocument(path.Chars());
      written = true;
    }
  } catch (...) {
    written = false;
  }
  TQVDoc::SetSaveWithResults(saved);
  if (!written) context.Fail(kAPICallFailed);
  return context.Result();
}

// ---- Display switches and the view -------------------------------------------------------------

APIResult TAPIDocument::GetShowXYAxes(int16_t* shown) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    if (TZeroMass* background = Background(document->World()))
      *shown = background->GetShowAxes() != 0 ? 1 : 0;
  return context.Result();
}

APIResult TAPIDocument::SetShowXYAxes(int16_t show) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) {
    TZeroMass* background = Background(document->World());
    if (background != nullptr && (background->GetShowAxes() != 0) != (show != 0)) {
      bool handled = false;
      background->DoObjectMenuCommand(kCmdShowAxes, handled);
    }
    InvalidateMenuSetup();
  }
  return context.Result();
}

APIResult TAPIDocument::GetSkipFrames(int16_t* frames) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) {
    uint16_t value = 0;
    document->World().GetShortProperty(MakeTag("sk p"), value, nullptr);
    *frames = static_cast<int16_t>(value);
  }
  return context.Result();
}

APIResult TAPIDocument::SetSkipFrames(int16_t frames) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr || frames < 1 || frames > 100) return context.Result();
  document->World().SetShortProperty(MakeTag("sk p"), static_cast<uint16_t>(frames));
  InvalidateMenuSetup();
  return context.Result();
}

APIResult TAPIDocument::GetTracking(int16_t* tracking) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) {
    uint16_t value = 0;
    document->World().GetShortProperty(MakeTag("st b"), value, nullptr);
    *tracking = static_cast<int16_t>(value);
  }
  return context.Result();
}

APIResult TAPIDocument::SetTracking(int16_t tracking) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr || tracking < 0 || tracking > 100) return context.Result();
  document->World().SetShortProperty(MakeTag("st b"), static_cast<uint16_t>(tracking));
  InvalidateMenuSetup();
  return context.Result();
}

APIResult TAPIDocument::GetAutoEraseTrack(int16_t* on) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context))
    *on = document->World().GetAutoEraseTrack() != 0 ? 1 : 0;
  return context.Result();
}

APIResult TAPIDocument::SetAutoEraseTrack(int16_t on) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  TWorldDoc& world = document->World();
  if ((world.GetAutoEraseTrack() != 0) == (on != 0)) return context.Result();
  world.SetAutoEraseTrack(on != 0 ? 1 : 0);
  InvalidateMenuSetup();
  return context.Result();
}

APIResult TAPIDocument::EraseTrack() {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  document->World().EraseTrack();
  InvalidateMenuSetup();
  return context.Result();
}

// ---- Running, the tape and export --------------------------------------------------------------

APIResult TAPIDocument::GetCurrentFrame(int16_t* frame) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) *frame = document->World().CurrentFrame();
  return context.Result();
}

APIResult TAPIDocument::GetHistoryFrames(int16_t* frames) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) {
    const TFrameStore* store = document->World().GetStore();
    const int32_t count = store != nullptr ? store->FrameCount() : 0;
    *frames = static_cast<int16_t>(std::clamp<int32_t>(count, 0, kRunToEnd));
  }
  return context.Result();
}

APIResult TAPIDocument::Run(bool framesGiven, int16_t frames, int16_t* failed) {
  TAPICallContext context(this, "");
  *failed = 0;
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  TWorldDoc& world = document->World();
  // Summed in 32 bits: a target past the last frame number means no last frame, never a wrap.
  const int32_t target =
      framesGiven ? std::clamp<int32_t>(int32_t{world.CurrentFrame()} + frames, -1, kRunToEnd)
                  : kRunToEnd;
  std::unique_ptr<TCommand> command =
      world.NewRunCommand(0, static_cast<int16_t>(target), 0, 1);
  if (!command) return context.Result();
  const int32_t changes = document->GetChangeCount();
  bool ran = false;
  // A failed run that is the outermost command is shown to the user as a run from the menu is;
  // inside another command it comes back here. Either way the script hears of it by the answer.
  try {
    ran = PerformNow(std::move(command));
  } catch (...) {
    ran = false;
  }
  // The document may have closed during the run.
  if (context.Result().code == 0 && Document() == document) document->SetChangeCount(changes);
  *failed = ran ? 0 : 1;
  return context.Result();
}

APIResult TAPIDocument::Reset() {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  try {
    PerformNow(document->World().NewRunCommand(0, 0, 1, 1));
  } catch (...) {
    // A failed reset leaves the world where it was; the script goes on.
  }
  return context.Result();
}

APIResult TAPIDocument::Export(int16_t command, const Str255& path, int16_t selectedOnly) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  TWorldDoc& world = document->World();
  // Every way an export can fail ends here with code 8: no meters to export, no export handler
  // (nothing would be written, which the script is told), no type or exporter for the command,
  // a failure while writing, shown to the user or not.
  bool exported = false;
  try {
    const TWorldExports& exports = WorldExports();
    TLink* handler = exports.findHandler != nullptr ? exports.findHandler(world) : nullptr;
    const bool meters = command != kCmdExportMeterData || !world.Outputs().empty();
    if (meters && handler != nullptr && exports.makeExport != nullptr) {
      std::unique_ptr<TCommandCore> exporter =
          exports.makeExport(*handler, world, command, path.Chars(), selectedOnly != 0);
      exported = exporter != nullptr && PerformNow(std::move(exporter));
      // An exporter that never got to run (another run of the world goes first) leaves no file:
      // nothing was exported.
      exported = exported && std::filesystem::exists(path.Chars());
    }
  } catch (...) {
    exported = false;
  }
  if (exported || context.Failed()) return context.Result();
  // Without meters there is nothing to write: the script is told that, not that the file is at
  // fault.
  const bool noMeters = command == kCmdExportMeterData && world.Outputs().empty();
  context.Fail(kAPIExportFailed, noMeters ? kAPINoMetersToExport : 0);
  return context.Result();
}

namespace {

TLink* ExportHandlerOf(TQVDoc* document) {
  const TWorldExports& exports = WorldExports();
  if (document == nullptr || exports.findHandler == nullptr || exports.getFrameRange == nullptr ||
      exports.setFrameRange == nullptr)
    return nullptr;
  return exports.findHandler(document->World());
}

}  // namespace

APIResult TAPIDocument::GetExportFrame(bool stop, int16_t* frame) {
  TAPICallContext context(this, "");
  // Without an export handler there is no range: the value stays 0.
  if (TLink* handler = ExportHandlerOf(CheckedDocument(context))) {
    int32_t first = 0;
    int32_t last = 0;
    WorldExports().getFrameRange(*handler, first, last);
    *frame = static_cast<int16_t>(stop ? last : first);
  }
  return context.Result();
}

APIResult TAPIDocument::SetExportFrame(bool stop, int16_t frame) {
  TAPICallContext context(this, "");
  TLink* handler = ExportHandlerOf(CheckedDocument(context));
  if (handler == nullptr) return context.Result();
  int32_t first = 0;
  int32_t last = 0;
  WorldExports().getFrameRange(*handler, first, last);
  // A value that would cross the other end of the range is ignored; an end never set (-1) is
  // no bound, so that a script may set the start first.
  if (stop && (first < 0 || frame >= first)) WorldExports().setFrameRange(*handler, first, frame);
  if (!stop && (last < 0 || frame <= last)) WorldExports().setFrameRange(*handler, frame, last);
  return context.Result();
}

APIResult TAPIDocument::ImportDXF(const Str255& path) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  // A drawing the program cannot read (no importer, a damaged file) fails the call.
  try {
    document->ReadAlternateFile(path.Chars());
  } catch (const QVException&) {
    context.Fail(kAPICallFailed);
  }
  return context.Result();
}

// ---- Collections and the selection -----------------------------------------------------------

APIResult TAPIDocument::GetCollection(TWorldList list, TAPIDispatcher** collection) {
  TAPICallContext context(this, "");
  *collection = nullptr;
  if (CheckedDocument(context) == nullptr) return context.Result();
  const auto slot = static_cast<size_t>(list);
  if (slot >= std::size(collections_)) return context.Result();
  if (collections_[slot] == nullptr)
    collections_[slot] = MakeWorldCollection(list, Document()->World(), this);
  *collection = collections_[slot];
  return context.Result();
}

APIResult TAPIDocument::Select(TAPIDispatcher* object, int16_t selected) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  TLink* target = document != nullptr ? OwnWorldObject(object) : nullptr;
  if (target == nullptr) return context.Result();
  if (selected != 0) {
    document->World().Select(target);
  } else {
    document->World().Deselect(target);
  }
  return context.Result();
}

APIResult TAPIDocument::SelectAll(int16_t selected) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  TWorldDoc& world = document->World();
  if (selected == 0) {
    world.DeselectAll();
    return context.Result();
  }
  // Everything a user can select: the world's shapes, never the background.
  for (TLink* object : world.Objects())
    if (object->IsThing() != 0 && !object->IsMemberClass(TZeroMass::kClassID)) world.Select(object);
  return context.Result();
}

APIResult TAPIDocument::JoinOrSplit(bool join) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  TJoiner* joiner = document != nullptr ? document->World().GetJoiner() : nullptr;
  if (joiner == nullptr) return context.Result();
  const JoinerMenuState state = joiner->MenuState();
  if (!(join ? state.canJoin : state.canSeparate)) return context.Result();
  uint16_t handled = 0;
  PerformNow(joiner->DoMenuCommand(join ? kCmdJoin : kCmdJoin - 1, handled));
  return context.Result();
}

APIResult TAPIDocument::MoveSelection(bool toFront) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) document->World().MoveSelection(toFront);
  return context.Result();
}

APIResult TAPIDocument::Collide(int16_t collide) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  // The world's menu answers as Edit > Collide would: its collision group makes the command. A
  // world with no group, or shown in no window, makes none, and the script is told it failed.
  TWorldDisplay* display = document->World().GetDisplay();
  TCommandCore* command =
      display != nullptr
          ? display->DoWorldMenuCommand(collide != 0 ? kCmdCollide : kCmdDontCollide)
          : nullptr;
  if (command == nullptr) {
    context.Fail(kAPICallFailed);
    return context.Result();
  }
  PerformNow(command);
  return context.Result();
}

// ---- New objects, lookups and deletion ---------------------------------------------------------

double TAPIDocument::DefaultObjectSize(TWorldDoc& world) {
  // A view shows new objects a tenth of its width wide; without one they are 0.1 m.
  const int32_t pixels = world.GetViewWidth();
  const double scale = world.Scale().GetValue();
  if (pixels <= 0 || !(scale > 0.0)) return 0.1;
  return pixels / 10.0 / scale;
}

TLink* TAPIDocument::NewFromTemplate(int16_t resource, TAPIDispatcher** made, int16_t classId) {
  TQVDoc* document = Document();
  TWorldDoc& world = document->World();
  auto reader = ReadDefaultObjects(resource, nullptr);
  std::vector<std::unique_ptr<TLink>> objects = reader->TakeObjects();
  if (objects.empty()) return nullptr;
  // Each object is numbered as one the user places.
  const std::vector<int16_t> free = FreeIdentifiers(world, objects.size());
  // The template's object is its first of the class: a curved slot's table comes ahead of it.
  TLink* first = objects.front().get();
  if (classId != 0) {
    auto found = std::find_if(objects.begin(), objects.end(),
                              [classId](const auto& object) { return object->IsMemberClass(classId); });
    first = found != objects.end() ? found->get() : nullptr;
  }
  for (size_t i = 0; i < objects.size(); ++i) {
    objects[i]->SetIdentifier(free[i]);
    world.AdoptObject(std::move(objects[i]));
  }
  if (first != nullptr) *made = ScriptObjectOf(*first, this);
  document->SetChangeCount(document->GetChangeCount() + 1);
  return first;
}

APIResult TAPIDocument::NewBody(const Str31& kind, TAPIDispatcher** body) {
  TAPICallContext context(this, "");
  *body = nullptr;
  if (CheckedDocument(context) == nullptr) return context.Result();
  const int16_t resource = TemplateOf(kBodyKinds, kind);
  if (resource == 0) {
    context.Fail(kAPIBadParameter, kAPIUnknownWord);
    return context.Result();
  }
  TLink* object = NewFromTemplate(resource, body);
  if (object == nullptr || !object->IsMemberClass(TMass::kClassID)) return context.Result();
  auto* mass = static_cast<TMass*>(object);
  const double d = DefaultObjectSize(Document()->World());
  if (object->IsMemberClass(TBasicMass::kClassID)) {
    auto* shape = static_cast<TBasicMass*>(object);
    shape->SetSize(TVector(d, d));
    shape->ShapeChanged(1);
  } else if (object->IsMemberClass(TPolygon::kClassID)) {
    auto* polygon = static_cast<TPolygon*>(object);
    polygon->ClearVertices();
    for (const TVector& vertex : {TVector(d, d), TVector(d, 0.0), TVector(0.0, 0.0)})
      polygon->AppendVertex(vertex);
    polygon->ShapeChanged(1);
  }
  mass->SetFormulaProperty(body_tags::kTagMass, TFormula(1.0));
  mass->Changed();
  return context.Result();
}

APIResult TAPIDocument::NewPoint(const Str31& kind, TAPIDispatcher** point) {
  TAPICallContext context(this, "");
  *point = nullptr;
  if (CheckedDocument(context) == nullptr) return context.Result();
  const int16_t resource = TemplateOf(kPointKinds, kind);
  if (resource != 0) NewFromTemplate(resource, point);
  return context.Result();
}

APIResult TAPIDocument::NewInput(TAPIDispatcher** input) {
  TAPICallContext context(this, "");
  *input = nullptr;
  if (CheckedDocument(context) != nullptr) NewFromTemplate(kInputTemplate, input);
  return context.Result();
}

APIResult TAPIDocument::NewOutput(TAPIDispatcher** output) {
  TAPICallContext context(this, "");
  *output = nullptr;
  if (CheckedDocument(context) != nullptr) NewFromTemplate(kMeterTemplate, output);
  return context.Result();
}

APIResult TAPIDocument::NewConstraint(const Str31& kind, TAPIDispatcher** constraint) {
  TAPICallContext context(this, "");
  *constraint = nullptr;
  if (CheckedDocument(context) == nullptr) return context.Result();
  const int16_t resource = TemplateOf(kConstraintKinds, kind);
  if (resource == 0) {
    context.Fail(kAPIBadParameter, kAPIUnknownWord);
    return context.Result();
  }
  TLink* object = NewFromTemplate(resource, constraint, TCnstr::kClassID);
  if (object == nullptr || resource != kCurvedSlotTemplate ||
      !object->IsMemberClass(TCurvedSlot::kClassID))
    return context.Result();
  // A new curved slot runs along the diagonal through three points a default length apart.
  auto* slot = static_cast<TCurvedSlot*>(object);
  const double s = DefaultObjectSize(Document()->World());
  slot->DeleteAllControlPoints();
  for (const TVector& point : {TVector(0.0, 0.0), TVector(s, s), TVector(2.0 * s, 2.0 * s)})
    slot->AppendVertex(point);
  slot->InvalidateCurve(1);
  return context.Result();
}

APIResult TAPIDocument::ObjectById(TWorldList list, int16_t identifier, TAPIDispatcher** object) {
  TAPICallContext context(this, "");
  *object = nullptr;
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  for (TLink* candidate : WorldListOf(document->World(), list)) {
    if (candidate->GetIdentifier() != identifier) continue;
    *object = ScriptObjectOf(*candidate, this);
    break;
  }
  return context.Result();
}

APIResult TAPIDocument::ObjectByName(TWorldList list, const Str255& name, TAPIDispatcher** object) {
  const std::string wanted = Lowered(name.Chars());
  TAPICallContext context(this, "");
  *object = nullptr;
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  for (TLink* candidate : WorldListOf(document->World(), list)) {
    if (!candidate->IsMemberClass(TNamedLink::kClassID)) continue;
    if (Lowered(static_cast<TNamedLink*>(candidate)->GetName().Chars()) != wanted) continue;
    *object = ScriptObjectOf(*candidate, this);
    break;
  }
  return context.Result();
}

APIResult TAPIDocument::DeleteObject(TAPIDispatcher* object) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  TLink* target = document != nullptr ? OwnWorldObject(object) : nullptr;
  if (target == nullptr) return context.Result();
  TWorldDoc& world = document->World();
  if (world.GetRunState() != kRunIdle) {
    context.Fail(kAPICallFailed, kAPIRunning);
    return context.Result();
  }
  if (target->IsMemberClass(TCnstr::kClassID)) {
    auto* constraint = static_cast<TCnstr*>(target);
    for (TPoint* point : constraint->OwnPoints())
      if (WorldHolds(world, point) && !HeldByOtherConstraint(world, constraint, point))
        RemoveFromWorld(world, point);
  }
  if (WorldHolds(world, target)) RemoveFromWorld(world, target);
  document->SetChangeCount(document->GetChangeCount() + 1);
  return context.Result();
}

APIResult TAPIDocument::DeleteSelection() {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  TWorldDoc& world = document->World();
  if (world.GetRunState() != kRunIdle) {
    context.Fail(kAPICallFailed, kAPIRunning);
    return context.Result();
  }
  if (world.Selection().empty()) return context.Result();
  // Through the world's Delete command, so that the user can undo it like a Delete from the
  // menu; the command road counts the change, and without one the document is told here.
  const bool counted = TCommandHandler::Application() != nullptr;
  PerformNow(std::make_unique<TWorldDeleteCommand>(world));
  if (!counted && Document() == document) document->SetChangeCount(document->GetChangeCount() + 1);
  return context.Result();
}

// ---- The collection of open documents --------------------------------------------------------

TAPIDocCollection::TAPIDocCollection(TAPICallLog* callLog, TList* documents,
                                     TAPIDispatcher* parent)
    : TAPICollection(documents) {
  SetCallLog(callLog);
  AttachToParent(parent);
  SetTag(kTag);
}

bool TAPIDocCollection::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPICollection::IsKindOfTag(tag);
}

const Str31& TAPIDocCollection::GetClassName() const {
  static const Str31 name("TAPIDocCollection");
  return name;
}

TAPIDispatcher* TAPIDocCollection::WrapItem(TObject* element) {
  if (!IsKindOfSafe(element, TQVDoc::kClassID)) return nullptr;
  auto* object = static_cast<TAPIDispatcher*>(static_cast<TQVDoc*>(element)->GetAPIDocument(parent()));
  return object != nullptr && object->HasTag(TAPIDocument::kTag) ? object : nullptr;
}
