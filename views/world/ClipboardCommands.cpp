#include "views/world/ClipboardCommands.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "bodies/Polygon.h"
#include "constraints/CurvedSlot.h"
#include "core/ClipboardScrap.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/MenuCommands.h"
#include "core/StreamText.h"
#include "core/port/Picture.h"
#include "model/command/CommandHandler.h"
#include "model/command/PlacingCommands.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDeleteCommand.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "model/world/WorldExports.h"
#include "platform/mfc/CWaitCursor.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Metafile.h"
#include "simulation/UnitHandler.h"
#include "views/world/MainWorldView.h"
#include "views/world/ScrapViews.h"
#include "views/world/SelectionCommands.h"
#include "views/world/TemplateCommand.h"

namespace {

// A handle freed when the scope ends, unless it was handed on.
class OwnedHandle {
 public:
  explicit OwnedHandle(Handle handle) : handle_(handle) {}
  ~OwnedHandle() { FreeHandleIfAny(handle_); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  Handle Get() const { return handle_; }
  Handle Release() { return std::exchange(handle_, nullptr); }

 private:
  Handle handle_;
};

// A recorded picture, killed (with its metafile) when the scope ends.
class RecordedPicture {
 public:
  explicit RecordedPicture(PictureRec* picture) : picture_(picture) {}
  ~RecordedPicture() {
    if (picture_ != nullptr) KillPicture(picture_);
  }
  RecordedPicture(const RecordedPicture&) = delete;
  RecordedPicture& operator=(const RecordedPicture&) = delete;
  PictureRec* Get() const { return picture_; }

 private:
  PictureRec* picture_;
};

// The selected objects in the world's order; the background is never copied.
std::vector<TLink*> SelectedInWorldOrder(TWorldDoc& world) {
  const std::vector<TLink*>& selected = world.Selection();
  std::vector<TLink*> objects;
  for (TLink* object : world.Objects()) {
    if (object->GetIdentifier() == 0) continue;
    if (std::find(selected.begin(), selected.end(), object) != selected.end())
      objects.push_back(object);
  }
  return objects;
}

MacRect Union(const MacRect& a, const MacRect& b) {
  return MacRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                 std::max(a.bottom, b.bottom));
}

PictureGadgetMaker& PictureMaker() {
  static PictureGadgetMaker maker = nullptr;
  return maker;
}

// Whether the pending scrap is one that paste places.
bool PastesPendingType() {
  const uint32_t type = PendingScrapType();
  return type == kObjectScrapType || (type == kPictureScrapType && PictureMaker() != nullptr);
}

}  // namespace

void SetPictureGadgetMaker(PictureGadgetMaker maker) {
  PictureMaker() = maker;
}

// ---------------------------------------------------------------------------------------------
// TPictPasteCommand

bool TPictPasteCommand::InitPictPaste(TWorldDoc& world, Handle scrap) {
  if (PictureMaker() == nullptr) return false;
  std::unique_ptr<TLink> gadget = PictureMaker()(scrap);
  if (gadget == nullptr) return false;
  return InitPlacementOfNew(*this, kCmdPastePicture, std::move(gadget), world);
}

void TPictPasteCommand::Perform() {
  const CWaitCursor waiting;
  TTracker489::Perform();
}

// ---------------------------------------------------------------------------------------------
// TCutCopyCommand

TCutCopyCommand::TCutCopyCommand() = default;
TCutCopyCommand::~TCutCopyCommand() = default;

void TCutCopyCommand::InitCutCopy(int16_t commandNumber, TWorldDoc& world, bool cut,
                                  TMainWorldView* mainView) {
  InitCommand(commandNumber, world.GetDocument(), nullptr, nullptr);
  world_ = &world;
  view_ = mainView;
  cut_ = cut;
  // A copy changes nothing in the document and is not undone.
  SetCanUndo(cut ? 1 : 0);
  SetCausesChange(cut ? 1 : 0);
}

void TCutCopyCommand::Perform() {
  if (world_ == nullptr || SelectedInWorldOrder(*world_).empty()) return;
  std::unique_ptr<TPictureScrapView> scrap = BuildScrap();
  scrap->WriteScrap();
  if (TCommandHandler* application = TCommandHandler::Application())
    application->ClaimClipboard(scrap.release());
  if (!cut_) return;
  deleter_ = std::make_unique<TWorldDeleteCommand>(*world_);
  deleter_->Perform();
}

void TCutCopyCommand::Undo() {
  if (deleter_) deleter_->Undo();
}

void TCutCopyCommand::Redo() {
  if (deleter_) deleter_->Redo();
}

std::unique_ptr<TPictureScrapView> TCutCopyCommand::BuildScrap() const {
  const std::vector<uint8_t> stream = DocumentStreamOf(SelectedInWorldOrder(*world_));
  OwnedHandle data(AllocHandle(static_cast<uint32_t>(stream.size())));
  if (!stream.empty()) FailIfError(SetHandleFromBytes(stream.data(), data.Get(), stream.size()));
  auto scrap = std::make_unique<TPictureScrapView>();
  scrap->IPictureScrapView(data.Release(), view_);
  AddPicture(*scrap);
  if (GetCommandNumber() == kCmdCopy) AddText(*scrap);
  return scrap;
}

namespace {

// Pixels of the screen as hundredths of a millimetre, rounded up so that a reader converting
// back at the same resolution gets every pixel.
int32_t HundredthsOfMm(int32_t pixels, int32_t axis) {
  constexpr int64_t kHundredthsPerInch = 2540;
  const HDC screen = CreateCompatibleDC(nullptr);
  const int64_t dpi = screen != nullptr ? GetDeviceCaps(screen, axis) : 0;
  if (screen != nullptr) DeleteDC(screen);
  if (dpi <= 0) return pixels;
  return static_cast<int32_t>((pixels * kHundredthsPerInch + dpi - 1) / dpi);
}

// The recorded shapes after records that set the window to the frame they were drawn in.
HMETAFILE WindowedCopy(HMETAFILE shapes, const MacRect& frame) {
  if (shapes == nullptr) return nullptr;
  const HDC recorder = CreateMetaFile(nullptr);
  if (recorder == nullptr) return nullptr;
  SetWindowOrgEx(recorder, frame.left, frame.top, nullptr);
  SetWindowExtEx(recorder, frame.right - frame.left, frame.bottom - frame.top, nullptr);
  const bool played = PlayMetaFile(recorder, shapes) != FALSE;
  const HMETAFILE copy = CloseMetaFile(recorder);
  if (played) return copy;
  if (copy != nullptr) DeleteMetaFile(copy);
  return nullptr;
}

}  // namespace

// The view draws the selected objects' shapes into a metafile over the rectangle they cover.
void TCutCopyCommand::AddPicture(TPictureScrapView& scrap) const {
  if (view_ == nullptr) return;
  MacRect frame;
  bool any = false;
  for (TLink* object : world_->Selection()) {
    auto* thing = ThingAs<TThing>(object);
    if (thing == nullptr) continue;
    const MacRect rect = view_->ObjectRect(thing);
    if (rect.right <= rect.left || rect.bottom <= rect.top) continue;
    frame = any ? Union(frame, rect) : rect;
    any = true;
  }
  if (!any) return;
  view_->Focus();
  RecordedPicture picture(OpenPicture(frame));
  if (picture.Get() == nullptr) return;
  try {
    view_->DrawSelectedShapes(frame);
  } catch (...) {
    AbandonPictureRecording();
    throw;
  }
  if (ClosePicture() == nullptr) return;
  // A scaled picture on the clipboard states its size in hundredths of a millimetre and sets its
  // own window, as every reader of one expects: the rectangle drawn, in view pixels, so that a
  // reader's viewport shows that rectangle at the size it had on the screen.
  const int32_t width = frame.right - frame.left;
  const int32_t height = frame.bottom - frame.top;
  METAFILEPICT recorded;
  recorded.mm = picture.Get()->mapMode;
  recorded.xExt = HundredthsOfMm(width, LOGPIXELSX);
  recorded.yExt = HundredthsOfMm(height, LOGPIXELSY);
  recorded.hMF = WindowedCopy(picture.Get()->metafile, frame);
  if (recorded.hMF == nullptr) return;
  // The scrap keeps a copy of its own.
  try {
    OwnedHandle data(NewHandleFromBytes(&recorded, sizeof recorded));
    scrap.AddScrapData(kPictureScrapType, data.Get());
  } catch (...) {
    DeleteMetaFile(recorded.hMF);
    throw;
  }
  DeleteMetaFile(recorded.hMF);
}

// The text form: the recorded data of the selected meters, as a meter data file holds them;
// without those, the vertices of the selected polygons and the points of the selected curved
// slots, in the world's units, one point a line.
void TCutCopyCommand::AddText(TPictureScrapView& scrap) const {
  if (auto meterDataText = WorldExports().meterDataText) {
    OwnedHandle data(meterDataText(*world_, GetCommandNumber(), world_->Selection()));
    if (data.Get() != nullptr) {
      scrap.AddScrapData(kTextScrapType, data.Release());
      return;
    }
  }
  TTextOutStream stream;
  stream.AttachHandle(AllocHandleChecked(0), false, false);
  stream.SetOwner(dynamic_cast<TWorldUnitHandler*>(world_->GetUnitHandler()));
  stream.SetUseUnits(true);
  bool any = false;
  for (TLink* object : SelectedInWorldOrder(*world_)) {
    if (auto* polygon = ThingAs<TPolygon>(object)) {
      polygon->WriteVerticesAsText(stream);
      any = true;
    } else if (auto* slot = ThingAs<TCurvedSlot>(object)) {
      slot->WritePointTable(stream);
      any = true;
    }
  }
  OwnedHandle text(stream.DetachHandle());
  if (!any || text.Get() == nullptr || GetHandleByteSize(text.Get()) == 0) return;
  scrap.AddScrapData(kTextScrapType, text.Release());
}

// ---------------------------------------------------------------------------------------------
// Factories

std::unique_ptr<TCommandCore> MakeCutCopyCommand(int16_t commandNumber, TWorldDoc& world,
                                                 TMainWorldView* mainView) {
  // A copy changes nothing in the world: it neither asks to go back to the start of a run nor
  // forgets the recorded frames, whose meter data it copies.
  if (commandNumber == kCmdCut) CheckWorldEdit(world);
  if (auto vertices = MakeVertexEditCommand(commandNumber, world)) return vertices;
  auto command = std::make_unique<TCutCopyCommand>();
  command->InitCutCopy(commandNumber, world, commandNumber == kCmdCut, mainView);
  return command;
}

std::unique_ptr<TCommandCore> MakePasteCommand(int16_t commandNumber, TWorldDoc& world) {
  CheckWorldEdit(world);
  TCommandHandler* application = TCommandHandler::Application();
  if (application == nullptr) return nullptr;
  // The last type found stays pending: the object stream wins over a picture, a picture over
  // text.
  ClearPendingScrap();
  for (const uint32_t type : {kTextScrapType, kPictureScrapType, kObjectScrapType})
    PrepareClipboardType(type);
  uint32_t type = 0;
  if (application->GetScrap(nullptr, &type) < 0) return nullptr;
  if (type != kObjectScrapType && type != kPictureScrapType) return nullptr;
  OwnedHandle data(AllocHandle(0));
  const int32_t read = application->GetScrap(data.Get(), &type);
  if (read < 0) ThrowFailure(static_cast<int16_t>(read), 0);
  if (type == kPictureScrapType) {
    auto paste = std::make_unique<TPictPasteCommand>();
    if (!paste->InitPictPaste(world, data.Get())) return nullptr;
    return paste;
  }
  auto command = std::make_unique<TCommandSub>();
  command->InitFromStream(commandNumber, &world, 1, data.Get(), 0);
  return command;
}

std::unique_ptr<TCommandCore> MakeClearCommand(TWorldDoc& world) {
  return MakeSelectionCommand(kCmdClear, world);
}

TCommandCore* DoClipboardMenuCommand(TMainWorldView& view, int16_t commandNumber, bool& handled) {
  handled = false;
  TWorldDoc* world = view.GetWorld();
  if (world == nullptr) return nullptr;
  switch (commandNumber) {
    case kCmdCut:
    case kCmdCopy:
      handled = true;
      if (world->GetPlayerMode() != 0) return nullptr;
      return MakeCutCopyCommand(commandNumber, *world, &view).release();
    case kCmdPaste:
      handled = true;
      if (world->GetPlayerMode() != 0) return nullptr;
      return MakePasteCommand(commandNumber, *world).release();
    case kCmdClear:
      // Clearing is allowed in player mode.
      handled = true;
      return MakeClearCommand(*world).release();
    default:
      return nullptr;
  }
}

void SetupClipboardMenus(TWorldDoc& world) {
  const bool editing = world.GetPlayerMode() == 0;
  const bool selection = !world.Selection().empty();
  EnableMenuCommand(kCmdCut, editing && selection);
  EnableMenuCommand(kCmdCopy, editing && selection);
  EnableMenuCommand(kCmdClear, editing && selection);
  ClearPendingScrap();
  for (const uint32_t type : {kTextScrapType, kPictureScrapType, kObjectScrapType})
    PrepareClipboardType(type);
  EnableMenuCommand(kCmdPaste, editing && HasPendingScrap() && PastesPendingType());
}
