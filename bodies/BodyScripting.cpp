// The maker of bodies' script objects, installed by the scripting layer.

#include "bodies/BodyScripting.h"

namespace {

BodyScriptMaker& Maker() {
  static BodyScriptMaker maker = nullptr;
  return maker;
}

}  // namespace

void InstallBodyScriptMaker(BodyScriptMaker maker) {
  Maker() = maker;
}

BodyScriptMaker GetBodyScriptMaker() {
  return Maker();
}

TObject* TMass::GetScriptObject(void* owner) {
  if (scriptObject_ == nullptr && owner != nullptr && Maker() != nullptr)
    scriptObject_ = Maker()(*this, GetScriptKind(), owner);
  return scriptObject_.get();
}
