// TPolygon: registration, lifecycle and the link to the vertex table.

#include "bodies/Polygon.h"

#include <new>

#include "core/ClassRegistry.h"
#include "model/Formula.h"
#include "model/filing/ObjectWriter.h"

// ---- 1. Registration, lifecycle, the vertex table ----------------------------------------------

void TPolygon::RegisterClass() {
  RegisterClassInfo("TPolygon", kPolygonTag, kClassID, CreateObject, sizeof(TPolygon));
}

TObject* TPolygon::CreateObject() {
  return new (std::nothrow) TPolygon();
}

TPolygon::TPolygon() {
  ResetFields();
}

TPolygon::~TPolygon() {
  EndResize();
}

void TPolygon::ResetFields() {
  vertexTable_ = nullptr;
  shapeInvalid_ = 0;
  outline_ = PolygonRec();
  resize_.reset();
  selectedVertex_ = 0;
  vertexTag_ = MakeTag("ppLV");
  legacyVector_ = TVector(0.0, 0.0);
  holdPosition_ = 0;
  highlighted_ = 0;
}

void TPolygon::Initialize() {
  ResetFields();
  TMass::Initialize();
  // Kept for old documents only: filed in their legacy block and walked with the formulas.
  auxFormula1_ = TFormula::New();
  auxFormula2_ = TFormula::New();
  auxFormula3_ = TFormula::New();
}

void TPolygon::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kPolygonTag);
}

void TPolygon::LinkVertexTable(TTable* table) {
  vertexTable_ = static_cast<TTable*>(SetDependent(vertexTable_, table));
  InvalidateMassProperties();
  if (IsCentroidValid())
    ComputeExtent();
  else
    RecentreAndBound();
  InvalidateScreenCache();
}

void TPolygon::ObjectRemoved(TLink* object) {
  if (object == vertexTable_) vertexTable_ = nullptr;
  TMass::ObjectRemoved(object);
}

void TPolygon::LinkedChanged(TLink& source, uint16_t value) {
  TMass::LinkedChanged(source, value);
  if (&source == vertexTable_) InvalidateScreenCache();
}
