#include "model/filing/LinkClasses.h"

#include "core/ClassRegistry.h"
#include "model/Link.h"

namespace {

// TSingleStyleLink's tag is not four printable characters: its bytes in memory order.
constexpr uint32_t kSingleStyleLinkTag = 0x636E69DFu;

TObject* NewLink() {
  return new TLink;
}

TObject* NewNamedLink() {
  return new TNamedLink;
}

TObject* NewSingleStyleLink() {
  return new TSingleStyleLink;
}

}  // namespace

void RegisterLinkClasses() {
  RegisterClassInfo("TLink", MakeTag("unrc"), TLink::kClassID, NewLink, sizeof(TLink));
  RegisterClassInfo("TNamedLink", MakeTag("name"), TNamedLink::kClassID, NewNamedLink,
                    sizeof(TNamedLink));
  RegisterClassInfo("TSingleStyleLink", kSingleStyleLinkTag, TSingleStyleLink::kClassID,
                    NewSingleStyleLink, sizeof(TSingleStyleLink));
}
