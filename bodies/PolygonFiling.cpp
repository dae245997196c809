// TPolygon: the vertex-table link of block 1201 and the blocks of old documents.

#include <algorithm>

#include "bodies/Polygon.h"
#include "model/Formula.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

// ---- 4. Filing ---------------------------------------------------------------------------------

uint16_t TPolygon::ReadBlockContents(int16_t code, TObjectReader& reader) {
  switch (code) {
    case kBlockVertexTable:
      reader.ReadReference(*this, 0);
      return 1;
    case kBlockLegacyVector: {
      TVector discarded;
      reader.ReadPoint(discarded);
      ForEachLinked(0);
      return 1;
    }
    case kBlockLegacyPosition: {
      TVector3 discarded;
      reader.ReadVector3(discarded);
      reader.ReadPoint(legacyVector_);
      InvalidateScreenCache();
      ForEachLinked(0);
      return 1;
    }
    case kBlockLegacyFormulas:
      reader.ReadFormula(*auxFormula1_);
      reader.ReadFormula(*auxFormula2_);
      reader.ReadFormula(*auxFormula3_);
      InvalidateShownTransform();
      ForEachLinked(0);
      return 1;
    case kBlockLegacyCentroid:
      reader.ReadInt();
      // The vertices are re-centred when next needed.
      SetCentroidValid(0);
      return 1;
    case kBlockGeometryRefresh:
      // A polygon writes this block empty; the body's contents may follow in other files.
      if (reader.BlockRemaining() == 0) return 1;
      return TMass::ReadBlockContents(code, reader);
    default:
      return TMass::ReadBlockContents(code, reader);
  }
}

void TPolygon::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockVertexTable) {
    writer.WriteCode(vertexTable_ != nullptr ? vertexTable_->GetIdentifier() : -1);
    return;
  }
  // The body's geometry block carries nothing of a polygon's.
  if (code == kBlockGeometryRefresh) return;
  TMass::WriteBlockContents(code, writer);
}

void TPolygon::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind, TLink* object) {
  if (code != kBlockVertexTable) {
    TMass::ResolveReference(reader, code, kind, object);
    return;
  }
  if (object == nullptr || !object->IsMemberClass(TTable::kClassID)) return;
  LinkVertexTable(static_cast<TTable*>(object));
}

void TPolygon::WriteTo(TObjectWriter& writer, int16_t flag) {
  // The table goes first, so that the reference to it resolves when the stream is read.
  if (vertexTable_ != nullptr) vertexTable_->WriteTo(writer, flag);
  TMass::WriteTo(writer, flag);
}

void TPolygon::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockVertexTable);
  TMass::WriteFields(writer);
}

void TPolygon::ForEachFormula(FormulaCallback callback, void* context) {
  TMass::ForEachFormula(callback, context);
  for (auto* formula : {&auxFormula1_, &auxFormula2_, &auxFormula3_})
    if (*formula) callback(formula->get(), context);
}

void TPolygon::ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                    ObjectCallback objectCallback, void* blockContext,
                                    void* objectContext) {
  using namespace point_ref;
  if (!SameKind(tag, kWorld) && !SameKind(tag, kHotFrame) && !SameKind(tag, kLocal)) {
    TMass::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                objectContext);
    return;
  }
  ReportPositionBlocks(blockCallback, blockContext);
  ReportShapeBlocks(blockCallback, blockContext);
  objectCallback(objectContext);
  found = 1;
}

void TPolygon::ReportShapeBlocks(BlockCallback callback, void* context) {
  callback(kBlockShapeTable, context);
}

void TPolygon::ReportGeometryBlocks(BlockCallback callback, void* context) {
  TMass::ReportGeometryBlocks(callback, context);
  callback(kBlockPositionValues, context);
  callback(kBlockVertexTable, context);
}

void TPolygon::FrameChanged(int16_t frame, int16_t first, int16_t last) {
  ShowRecordedFrame(frame, first, last);
}
