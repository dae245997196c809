#include "bodies/BodyClasses.h"

#include "bodies/Body.h"
#include "bodies/assembly/BodyAssembly.h"

void RegisterBodyClasses() {
  TMass::RegisterClass();
  InstallGeometryAssembly(&ProgramBodyAssembly());
}

void FreeBodyClasses() {
  InstallGeometryAssembly(nullptr);
  TMass::TermClass();
}
