// TLineHandler: the world's lists of lines and the searches of the link-kind converter.

#include <algorithm>
#include <cmath>
#include <limits>

#include "bodies/lines/Line.h"
#include "core/Failure.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

TObject* TLineHandler::CreateObject() {
  return new (std::nothrow) TLineHandler();
}

TLineHandler::~TLineHandler() {
  // The lines are the world's; the lists only point at them.
  for (auto* list : {&lines_, &selected_, &scratch_}) {
    if (*list) (*list)->DeleteAll();
    list->reset();
  }
}

void TLineHandler::Initialize() {
  THandlerLink::Initialize();
  for (auto* list : {&lines_, &selected_, &scratch_}) {
    *list = std::make_unique<TList>();
    (*list)->IList();
  }
}

void TLineHandler::SetLineSelected(TLink* object, uint16_t selected) {
  if (object == nullptr || !object->IsMemberClass(TLine::kClassID) || !selected_) return;
  if (selected == 0) {
    selected_->Delete(object);
  } else if (!selected_->Contains(object)) {
    selected_->Add(object);
  }
}

void TLineHandler::AddLine(TLine* line) {
  if (line == nullptr || !lines_ || lines_->Contains(line)) return;
  lines_->Add(line);
  if (line->IsSelected()) SetLineSelected(line, 1);
}

void TLineHandler::RemoveLine(TLine* line) {
  for (auto* list : {&lines_, &selected_, &scratch_})
    if (*list) (*list)->Delete(line);
}

void TLineHandler::DeleteJoinedLines() {
  if (!lines_) return;
  TWorldDoc* world = nullptr;
  for (TLink* linked : Linked())
    if (linked->IsMemberClass(TWorldDoc::kClassID)) world = static_cast<TWorldDoc*>(linked);
  for (int32_t i = lines_->GetCount(); i >= 1; --i) {
    auto* line = static_cast<TLine*>(lines_->At(i));
    if (line->IsJoined() == 0 && line->IsEnd1Joined() == 0 && line->IsEnd2Joined() == 0) continue;
    RemoveLine(line);
    if (world != nullptr) world->RemoveObject(line);
  }
}

TList* TLineHandler::CollectSelectedLines() {
  scratch_->DeleteAll();
  ForEachLine([this](TLine& line) {
    if (line.IsSelected()) scratch_->Add(&line);
  });
  return scratch_.get();
}

TLine* TLineHandler::FindNearestFreeEnd(const TVector& point, const TLine* except,
                                        int32_t& index, int16_t& end) const {
  if (!lines_ || index > lines_->GetCount()) return nullptr;
  double best = std::numeric_limits<double>::max();
  TLine* bestLine = nullptr;
  const int32_t count = lines_->GetCount();
  while (index <= count && index >= 1 && static_cast<TLine*>(lines_->At(index))->IsJoined() != 0)
    ++index;
  for (int32_t i = std::max<int32_t>(index, 1); i <= count; ++i) {
    auto* line = static_cast<TLine*>(lines_->At(i));
    if (line == except || line->IsJoined() != 0) continue;
    const auto distance = [&point](const TVector& p) {
      return std::hypot(p.x - point.x, p.y - point.y);
    };
    if (line->IsEnd1Joined() == 0 && distance(line->GetEndPoint1()) < best) {
      best = distance(line->GetEndPoint1());
      bestLine = line;
      end = 1;
    }
    if (line->IsEnd2Joined() == 0 && distance(line->GetEndPoint2()) < best) {
      best = distance(line->GetEndPoint2());
      bestLine = line;
      end = 0;
    }
    if (best == 0.0 && bestLine == line) return line;
  }
  return bestLine;
}

std::vector<std::unique_ptr<TLink>> TLineHandler::ReadLineTemplate() {
  TLink* container = nullptr;
  for (TLink* linked : Linked())
    if (linked->IsMemberClass(TWorldDoc::kClassID)) container = linked;
  auto reader = ReadObjectsFromResource(kLineTemplateResource, container, nullptr, nullptr);
  FailIfNull(reader.get());
  reader->Complete(0);
  return reader->TakeObjects();
}

void TLineHandler::AdoptChild(TLink& object) {
  if (!object.IsMemberClass(TLine::kClassID)) return;
  auto& line = static_cast<TLine&>(object);
  AddDependent(&line);
  AddLine(&line);
}

void TLineHandler::ObjectRemoved(TLink* object) {
  if (object != nullptr && object->IsMemberClass(TLine::kClassID))
    RemoveLine(static_cast<TLine*>(object));
  THandlerLink::ObjectRemoved(object);
}

uint16_t TLineHandler::CanReadBlock(int16_t code) {
  return code == kBlockHandler ? 1 : THandlerLink::CanReadBlock(code);
}

uint16_t TLineHandler::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockHandler) return 1;
  return THandlerLink::ReadBlockContents(code, reader);
}

void TLineHandler::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockHandler) return;
  THandlerLink::WriteBlockContents(code, writer);
}

void TLineHandler::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockHandler);
  THandlerLink::WriteFields(writer);
}
