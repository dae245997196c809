#pragma once
// What the coordinates bar shows for a selection: each of its five cells stands for a field
// code (17 for the first cell to 21 for the last) that an object answers with one of its
// position values (x and y of a body, a rectangle's sides, a point's local and world
// coordinates...). Which selected objects a cell applies to follows two class tables of the
// resources: the first picks the class whose objects the first two cells apply to, the second
// the class of the last three.

#include <cstdint>
#include <string>
#include <vector>

#include "model/Link.h"

inline constexpr int16_t kCoordClassTableA = 10000;
inline constexpr int16_t kCoordClassTableB = 10200;
inline constexpr int16_t kFirstCoordFieldCode = 17;

// The field of `code` as the object answers it, with the property tag that sets it; false when
// the object has no such field.
bool QueryCoordField(TLink& object, int16_t code, TPositionField& field, uint32_t& tag);

// The class the table picks for the selection: the most preferred entry whose class some
// selected object belongs to, narrowed to what the selected objects of that class have in
// common. 0 for an empty selection or when no entry matches.
int16_t CoordClassOfTable(const std::vector<uint32_t>& classTags,
                          const std::vector<TLink*>& selection);
// The class tags of the table resource (laid out as a dialog's panel table); empty when it is
// missing or malformed.
std::vector<uint32_t> LoadCoordClassTable(int16_t number);

// The selected objects that the cell (0 to 4) applies to, in selection order.
std::vector<TLink*> CoordCellObjects(int16_t cell, const std::vector<TLink*>& selection,
                                     int16_t classA, int16_t classB);

// A field merged over several objects: a blank when their values differ.
struct TMergedCoordField {
  bool present = false;
  bool mixed = false;
  uint32_t tag = 0;
  int32_t unitKind = 0;
  double value = 0.0;
  std::string formula;  // the formula text when the value is a formula
  std::string label;    // the first object's label text
  double lowest = 0.0;
  double highest = 0.0;
};
TMergedCoordField MergeCoordField(int16_t code, const std::vector<TLink*>& objects);
