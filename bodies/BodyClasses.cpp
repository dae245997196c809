#include "bodies/BodyClasses.h"

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/Shapes.h"
#include "bodies/CurvedPolygon.h"
#include "bodies/FormulaGeometry.h"
#include "bodies/Polygon.h"
#include "bodies/Table.h"
#include "bodies/assembly/BodyAssembly.h"
#include "bodies/assembly/BodyDragContext.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "bodies/vectors/VectorArrows.h"

void RegisterBodyClasses() {
  TMass::RegisterClass();
  RegisterPointClasses();
  RegisterLineClasses();
  TZeroMass::RegisterClass();
  TBasicMass::RegisterClasses();
  TTable::RegisterClasses();
  TPolygon::RegisterClass();
  TCurvPoly::RegisterClass();
  RegisterVectorHandlerClass();
  InstallGeometryAssembly(&ProgramBodyAssembly());
  InstallGeometryDragContextMaker(MakeBodyDragContext);
  InstallFormulaGeometry();
}

void FreeBodyClasses() {
  RemoveFormulaGeometry();
  InstallGeometryDragContextMaker(nullptr);
  InstallGeometryAssembly(nullptr);
  FreeVectorLabels();
  TMass::TermClass();
}
