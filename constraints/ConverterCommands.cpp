// The converter's commands. A conversion puts new objects into the world and takes old ones out;
// the command keeps only identifiers and a document image of the set that is out of the world,
// so dropping a command, or a failure part-way, never deletes an object the world still holds.

#include <algorithm>

#include "bodies/Polygon.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "constraints/ObjectConverter.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "model/Thing.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/ObjectNumbering.h"
#include "model/world/WorldDoc.h"

namespace {

// Images are document streams: big-endian, with class tags.
constexpr int16_t kImageKind = 2;

TLineHandler* LineHandlerOf(TWorldDoc& world) {
  for (TLink* object : world.Objects())
    if (object->IsMemberClass(TLineHandler::kClassID)) return static_cast<TLineHandler*>(object);
  return nullptr;
}

std::vector<TLink*> FindAll(const TWorldDoc& world, const std::vector<int16_t>& identifiers) {
  std::vector<TLink*> found;
  for (int16_t id : identifiers)
    if (TLink* object = world.FindObject(id)) found.push_back(object);
  return found;
}

}  // namespace

// ---- Shared ----------------------------------------------------------------------------------

void TConversionCommand::InitConversion(int16_t command, TWorldDoc* world,
                                        TObjectConverter* converter) {
  InitCommand(command, nullptr, nullptr, nullptr);
  SetCanUndo(1);
  SetCausesChange(1);
  if (world == nullptr || converter == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  world_ = world;
  converter_ = converter;
}

void TConversionCommand::Perform() {
  // The conversion runs once; performing again is doing it again from the image.
  if (converted_) return Redo();
  converted_ = true;
  Convert();
  SetPerformed(1);
  // A conversion that found nothing to convert has nothing to undo.
  if (putIn_.empty() && takenOut_.empty()) SetCanUndo(0);
}

void TConversionCommand::Undo() {
  if (CanUndo() == 0 || IsPerformed() == 0) return;
  const std::vector<TLink*> restored = PutBack(image_);
  SelectRestored(restored, true);
}

void TConversionCommand::Redo() {
  if (CanUndo() == 0 || IsPerformed() != 0) return;
  const std::vector<TLink*> restored = PutBack(image_);
  SelectRestored(restored, false);
}

std::vector<uint8_t> TConversionCommand::TakeOut(const std::vector<int16_t>& identifiers) {
  const std::vector<TLink*> objects = FindAll(*world_, identifiers);
  auto writer = WriteObjectsDefault(&objects, 1, nullptr, kImageKind, nullptr);
  Handle handle = writer->TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> image(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  for (auto object = objects.rbegin(); object != objects.rend(); ++object)
    world_->RemoveObject(*object);
  return image;
}

// The image is read before anything leaves the world, so that a damaged image changes nothing.
std::vector<TLink*> TConversionCommand::PutBack(const std::vector<uint8_t>& image) {
  auto reader = ReadObjects(image, kImageKind, 1, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  std::vector<std::unique_ptr<TLink>> objects = reader->TakeObjects();
  const bool undoing = IsPerformed() != 0;
  image_ = TakeOut(undoing ? putIn_ : takenOut_);
  SetPerformed(undoing ? 0 : 1);
  std::vector<TLink*> restored;
  TLineHandler* handler = LineHandlerOf(*world_);
  for (auto& object : objects) {
    TLink* adopted = object.get();
    world_->AdoptObject(std::move(object));
    if (handler != nullptr) handler->AdoptChild(*adopted);
    restored.push_back(adopted);
  }
  return restored;
}

void TConversionCommand::Adopt(std::vector<std::unique_ptr<TLink>> objects,
                               std::vector<int16_t>& identifiers) {
  const std::vector<int16_t> free = FreeIdentifiers(*world_, objects.size());
  TLineHandler* handler = LineHandlerOf(*world_);
  for (size_t i = 0; i < objects.size(); ++i) {
    auto& object = objects[i];
    object->SetIdentifier(free[i]);
    identifiers.push_back(object->GetIdentifier());
    TLink* adopted = object.get();
    world_->AdoptObject(std::move(object));
    if (handler != nullptr) handler->AdoptChild(*adopted);
  }
}

// ---- Lines to a shape ------------------------------------------------------------------------

void TLinesToShapeCommand::Init(int16_t command, TWorldDoc* world, TLineHandler* handler,
                                TObjectConverter* converter, const std::vector<TLine*>& lines,
                                int16_t resource) {
  InitConversion(command, world, converter);
  if (handler == nullptr || lines.empty()) ThrowFailure(kErrOutOfMemory, 0);
  handler_ = handler;
  for (const TLine* line : lines)
    lines_.push_back(line->GetIdentifier());
  auto reader = ReadObjectsFromResource(resource, nullptr, nullptr, nullptr);
  FailIfNull(reader.get());
  reader->Complete(0);
  prototype_ = reader->TakeObjects();
  // The first object is the shape; the rest (its vertex table) come with it.
  if (!prototype_.empty() && prototype_.front()->IsThing() != 0) {
    auto* thing = static_cast<TThing*>(prototype_.front().get());
    if (thing->IsConvertible() != 0) shape_ = thing;
  }
  if (shape_ == nullptr) ThrowFailure(kErrOutOfMemory, 0);
}

void TLinesToShapeCommand::Convert() {
  std::vector<TLine*> lines;
  for (TLink* object : FindAll(*world_, lines_))
    if (object->IsMemberClass(TLine::kClassID)) lines.push_back(static_cast<TLine*>(object));
  const auto clearFlags = [&lines] {
    for (TLine* line : lines)
      line->SetJoined(0);
  };
  try {
    converter_->ChainLines(lines, *shape_);
  } catch (...) {
    clearFlags();
    throw;
  }
  std::vector<int16_t> used;
  for (TLine* line : lines)
    if (line->IsJoined() != 0) used.push_back(line->GetIdentifier());
  clearFlags();
  // Lines that could not be chained leave the world as it was.
  if (used.empty()) return;
  Adopt(std::move(prototype_), putIn_);
  takenOut_ = used;
  image_ = TakeOut(takenOut_);
}

void TLinesToShapeCommand::SelectRestored(const std::vector<TLink*>& objects, bool original) {
  if (!original) return;
  for (TLink* object : objects)
    if (object->IsMemberClass(TLine::kClassID)) static_cast<TLine*>(object)->SetSelected(1, 0);
}

// ---- Shapes to lines -------------------------------------------------------------------------

void TShapesToLinesCommand::Init(int16_t command, TWorldDoc* world, TObjectConverter* converter,
                                 const std::vector<TThing*>& shapes) {
  InitConversion(command, world, converter);
  if (shapes.empty()) ThrowFailure(kErrOutOfMemory, 0);
  for (const TThing* shape : shapes)
    shapes_.push_back(shape->GetIdentifier());
}

void TShapesToLinesCommand::Convert() {
  std::vector<std::unique_ptr<TLink>> lines;
  std::vector<int16_t> sources;
  const std::vector<TLink*> shapes = FindAll(*world_, shapes_);
  for (auto shape = shapes.rbegin(); shape != shapes.rend(); ++shape) {
    if ((*shape)->IsThing() == 0) continue;
    auto& thing = static_cast<TThing&>(**shape);
    for (auto& line : converter_->ShapeToLines(thing))
      lines.emplace_back(std::move(line));
    // The points on the shape stay in the world, without their body until an undo.
    for (TLink* linked : thing.Linked()) {
      auto* point = dynamic_cast<TPoint*>(linked);
      if (point != nullptr && point->GetBody() == &thing)
        points_.push_back(
            {point->GetIdentifier(), thing.GetIdentifier(), point->GetLocalPosition()});
    }
    sources.insert(sources.begin(), thing.GetIdentifier());
    // A polygon's vertices go with it.
    if (auto* polygon = dynamic_cast<TPolygon*>(&thing); polygon && polygon->GetVertices())
      sources.insert(sources.begin() + 1, polygon->GetVertices()->GetIdentifier());
  }
  if (lines.empty()) return;
  Adopt(std::move(lines), putIn_);
  takenOut_ = sources;
  image_ = TakeOut(takenOut_);
}

void TShapesToLinesCommand::SelectRestored(const std::vector<TLink*>& objects, bool original) {
  if (!original) return;
  for (const PointOnShape& on : points_) {
    auto* point = dynamic_cast<TPoint*>(world_->FindObject(on.point));
    auto* body = dynamic_cast<TMass*>(world_->FindObject(on.shape));
    if (point == nullptr || body == nullptr) continue;
    point->AttachToBody(body);
    point->SetLocalPosition(on.local);
  }
  for (TLink* object : objects)
    if (std::find(shapes_.begin(), shapes_.end(), object->GetIdentifier()) != shapes_.end())
      world_->Select(object);
}
