// The shapes' blocks (formulas 5041 and 5042, the radius line 5007, the size blocks 1203 and 1202
// the solver reads, the square's mark 5214) and the recorded frames a shape shows.

#include <algorithm>

#include "bodies/Shapes.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

// ---- TBasicMass ------------------------------------------------------------------------------

void TBasicMass::WriteFields(TObjectWriter& writer) {
  if (GetShapeBlockCode() != 0) writer.WriteBlock(*this, GetShapeBlockCode());
  if (equalSides_ != 0) writer.WriteBlock(*this, kBlockEqualSides);
  TMass::WriteFields(writer);
}

void TBasicMass::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  // The geometry block carries the size too, so that it reads back as it is written.
  if ((code != 0 && code == GetShapeBlockCode()) || code == kBlockGeometryRefresh) {
    writer.WritePoint(GetSize());
    return;
  }
  if (code == kBlockEqualSides) return;
  TMass::WriteBlockContents(code, writer);
}

uint16_t TBasicMass::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if ((code != 0 && code == GetShapeBlockCode()) || code == kBlockGeometryRefresh) {
    TVector size{0, 0};
    reader.ReadPoint(size);
    SetSize(size);
    ComputeExtent();
    if (code == kBlockGeometryRefresh) TMass::ReadBlockContents(code, reader);
    return 1;
  }
  if (code == kBlockEqualSides) {
    equalSides_ = 1;
    ComputeExtent();
    return 1;
  }
  return TMass::ReadBlockContents(code, reader);
}

void TBasicMass::FrameChanged(int16_t frame, int16_t first, int16_t last) {
  ShowRecordedFrame(frame, first, last);
}

// ---- TRectangle ------------------------------------------------------------------------------

void TRectangle::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockRectangleFormulas);
  TBasicMass::WriteFields(writer);
}

void TRectangle::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockRectangleFormulas) {
    TBasicMass::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteFormula(heightFormula_.get());
  writer.WriteFormula(widthFormula_.get());
}

uint16_t TRectangle::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockRectangleFormulas) return TBasicMass::ReadBlockContents(code, reader);
  reader.ReadFormula(*heightFormula_);
  FormulaChanged(heightFormula_.get());
  reader.ReadFormula(*widthFormula_);
  FormulaChanged(widthFormula_.get());
  return 1;
}

// ---- TOval -----------------------------------------------------------------------------------

void TOval::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockRadiusLine);
  writer.WriteBlock(*this, kBlockRadiusFormula);
  TBasicMass::WriteFields(writer);
}

void TOval::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockRadiusLine) {
    writer.WriteShort(static_cast<int16_t>(showRadiusLine_));
  } else if (code == kBlockRadiusFormula) {
    writer.WriteFormula(radiusFormula_.get());
  } else {
    TBasicMass::WriteBlockContents(code, writer);
  }
}

uint16_t TOval::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockRadiusLine) {
    showRadiusLine_ = reader.ReadBoolean() ? 1 : 0;
    return 1;
  }
  if (code == kBlockRadiusFormula) {
    reader.ReadFormula(*radiusFormula_);
    FormulaChanged(radiusFormula_.get());
    return 1;
  }
  return TBasicMass::ReadBlockContents(code, reader);
}
