#include "views/furniture/CoordFields.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "core/ClassHierarchy.h"
#include "core/ClassRegistry.h"
#include "ui/dialogs/PanelTable.h"

namespace {

// The body classes whose last three cells show one body's sizes only.
constexpr int16_t kSingleBodyClasses[] = {535, 674, 675, 676};

std::string Text(const Str255& text) {
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

bool IsKindOf(const TLink* object, int16_t classId) {
  return object != nullptr && classId > 0 && object->IsMemberClass(classId);
}

std::vector<TLink*> ObjectsOfClass(const std::vector<TLink*>& selection, int16_t classId) {
  std::vector<TLink*> objects;
  for (TLink* object : selection)
    if (IsKindOf(object, classId)) objects.push_back(object);
  return objects;
}

}  // namespace

bool QueryCoordField(TLink& object, int16_t code, TPositionField& field, uint32_t& tag) {
  field = TPositionField();
  tag = 0;
  if (auto* body = dynamic_cast<TMass*>(&object)) {
    if (body->GetPropertyById(code, field) == 0 || field.present == 0) return false;
    tag = body->TagForPropertyId(code);
    return tag != 0;
  }
  if (auto* point = dynamic_cast<TPoint*>(&object)) {
    uint16_t paired = 0;
    if (point->GetPropertyRow(code, field, paired) == 0 || field.present == 0) return false;
    tag = point->GetRowTag(code);
    return tag != 0;
  }
  return false;
}

std::vector<uint32_t> LoadCoordClassTable(int16_t number) {
  std::vector<uint32_t> tags;
  const std::optional<TPanelTable> table = LoadPanelTable(number);
  if (!table) return tags;
  for (const TPanelEntry& entry : table->entries)
    tags.push_back(entry.classTag);
  return tags;
}

int16_t CoordClassOfTable(const std::vector<uint32_t>& classTags,
                          const std::vector<TLink*>& selection) {
  std::vector<int16_t> classes;
  for (uint32_t tag : classTags)
    classes.push_back(ClassIdFromTag(tag));
  // The most preferred entry any selected object belongs to, and the first object that does.
  size_t best = classes.size();
  size_t bestObject = 0;
  for (size_t s = 0; s < selection.size() && best != 0; ++s) {
    for (size_t i = 0; i < best; ++i) {
      if (!IsKindOf(selection[s], classes[i])) continue;
      best = i;
      bestObject = s;
      break;
    }
  }
  if (best == classes.size()) return 0;
  const int16_t chosen = classes[best];
  int16_t common = selection[bestObject]->GetClassIDAt(0);
  for (size_t s = bestObject + 1; s < selection.size(); ++s)
    if (IsKindOf(selection[s], chosen))
      common = CommonBaseClassId(selection[s]->GetClassIDAt(0), common);
  return NarrowerClassId(chosen, common);
}

std::vector<TLink*> CoordCellObjects(int16_t cell, const std::vector<TLink*>& selection,
                                     int16_t classA, int16_t classB) {
  if (cell < 0) return {};
  if (cell < 2) return ObjectsOfClass(selection, classA);
  const bool singleBody = std::find(std::begin(kSingleBodyClasses), std::end(kSingleBodyClasses),
                                    classB) != std::end(kSingleBodyClasses);
  if (singleBody && selection.size() > 1) return {};
  if (selection.size() > 3) return ObjectsOfClass(selection, classA);
  return ObjectsOfClass(selection, classB);
}

TMergedCoordField MergeCoordField(int16_t code, const std::vector<TLink*>& objects) {
  TMergedCoordField merged;
  merged.lowest = -std::numeric_limits<double>::max();
  merged.highest = std::numeric_limits<double>::max();
  for (TLink* object : objects) {
    TPositionField field;
    uint32_t tag = 0;
    if (!QueryCoordField(*object, code, field, tag)) continue;
    std::string formula;
    if (field.formula != nullptr && field.formula->IsFormula()) {
      Str255 text;
      field.formula->GetText(text);
      formula = Text(text);
    }
    const double value = field.formula != nullptr ? field.formula->GetValue() : field.value;
    // A range of 0 to 0 is a field without limits.
    if (field.lower < field.upper) {
      merged.lowest = std::max(merged.lowest, field.lower);
      merged.highest = std::min(merged.highest, field.upper);
    }
    if (!merged.present) {
      merged.present = true;
      merged.tag = tag;
      merged.unitKind = field.unitKind;
      merged.value = value;
      merged.formula = formula;
      merged.label = Text(field.label);
      continue;
    }
    if (value != merged.value || formula != merged.formula || field.unitKind != merged.unitKind ||
        tag != merged.tag)
      merged.mixed = true;
  }
  return merged;
}
