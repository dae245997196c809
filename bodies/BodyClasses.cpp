#include "bodies/BodyClasses.h"

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/Shapes.h"
#include "bodies/assembly/BodyAssembly.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"

void RegisterBodyClasses() {
  TMass::RegisterClass();
  RegisterPointClasses();
  RegisterLineClasses();
  TZeroMass::RegisterClass();
  TBasicMass::RegisterClasses();
  InstallGeometryAssembly(&ProgramBodyAssembly());
}

void FreeBodyClasses() {
  InstallGeometryAssembly(nullptr);
  TMass::TermClass();
}
