#include "bodies/BodyClasses.h"

#include "bodies/Body.h"
#include "bodies/assembly/BodyAssembly.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"

void RegisterBodyClasses() {
  TMass::RegisterClass();
  RegisterPointClasses();
  RegisterLineClasses();
  InstallGeometryAssembly(&ProgramBodyAssembly());
}

void FreeBodyClasses() {
  InstallGeometryAssembly(nullptr);
  TMass::TermClass();
}
