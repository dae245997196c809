#include "scripting/objects/APILink.h"

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "constraints/Field.h"
#include "core/List.h"
#include "inout/gadgets/Gadget.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "model/Link.h"
#include "model/world/WorldDoc.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/ObjectSupport.h"

IMPLEMENT_DYNAMIC(TAPILink, TAPIDispatcher)
IMPLEMENT_DYNAMIC(TAPILinkCollection, TAPICollection)

namespace {

constexpr uint32_t kTagShow = MakeTag("show");
constexpr uint32_t kTagShowName = MakeTag("shoN");
// The point that scripts never see among a world's objects.
constexpr int16_t kHiddenPointIdentifier = 10012;

}  // namespace

TAPILink::TAPILink() {
  SetTag(kTag);
}

TAPILink::TAPILink(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent)
    : TAPIDispatcher(callLog, target, parent) {
  SetTag(kTag);
}

TAPILink::~TAPILink() {
  if (bound() && Link() != nullptr) Link()->ForgetAPIObject();
}

bool TAPILink::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPIDispatcher::IsKindOfTag(tag);
}

const Str31& TAPILink::GetClassName() const {
  static const Str31 name("TAPILink");
  return name;
}

TLink* TAPILink::TargetOfClass(int16_t classID) const {
  return IsKindOfSafe(Link(), classID) ? Link() : nullptr;
}

APIResult TAPILink::GetTypeName(Str63& name) {
  TAPICallContext context(this, "");
  if (TargetOfClass(TLink::kClassID) == nullptr) {
    name = "undefined";
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  name = "link";
  return context.Result();
}

APIResult TAPILink::GetName(Str255& name) {
  TAPICallContext context(this, "");
  auto* named = static_cast<TNamedLink*>(TargetOfClass(TNamedLink::kClassID));
  if (named == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  name = named->GetName();
  return context.Result();
}

APIResult TAPILink::SetName(const Str255& name) {
  TAPICallContext context(this, "");
  auto* named = static_cast<TNamedLink*>(TargetOfClass(TNamedLink::kClassID));
  if (named == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  // As one undoable step of the world, which draws it again: a shown name changes on the screen.
  ApplyObjectEdit(*named,
                  [name](TLink& object) { static_cast<TNamedLink&>(object).SetName(name); });
  return context.Result();
}

APIResult TAPILink::GetID(int16_t& id) {
  TAPICallContext context(this, "");
  TLink* link = TargetOfClass(TLink::kClassID);
  if (link == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  id = link->GetIdentifier();
  return context.Result();
}

APIResult TAPILink::GetFlag(uint32_t tag, bool& value) {
  TAPICallContext context(this, "");
  TLink* link = TargetOfClass(TDisplayLink::kClassID);
  if (link == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  uint16_t flag = 1;
  uint16_t attribute = 1;
  link->GetFlagProperty(tag, flag, &attribute);
  value = flag != 0;
  return context.Result();
}

APIResult TAPILink::SetFlag(uint32_t tag, bool value) {
  TAPICallContext context(this, "");
  TLink* link = TargetOfClass(TDisplayLink::kClassID);
  if (link == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  ApplyObjectEdit(*link, [tag, value](TLink& object) {
    object.SetFlagProperty(tag, value ? 1 : 0);
    object.ForEachLinked(0);
  });
  return context.Result();
}

APIResult TAPILink::GetShown(bool& shown) {
  return GetFlag(kTagShow, shown);
}
APIResult TAPILink::SetShown(bool shown) {
  return SetFlag(kTagShow, shown);
}
APIResult TAPILink::GetNameShown(bool& shown) {
  return GetFlag(kTagShowName, shown);
}
APIResult TAPILink::SetNameShown(bool shown) {
  return SetFlag(kTagShowName, shown);
}

APIResult TAPILink::GetKind(Str63& kind) {
  TAPICallContext context(this, "");
  const TLink* link = Link();
  if (IsKindOfSafe(link, TMass::kClassID)) {
    kind = "body";
  } else if (IsKindOfSafe(link, TPoint::kClassID)) {
    kind = "point";
  } else if (IsKindOfSafe(link, TCnstr::kClassID)) {
    kind = "constraint";
  } else if (IsKindOfSafe(link, TInput::kClassID)) {
    kind = "input";
  } else if (IsKindOfSafe(link, TOutput::kClassID)) {
    kind = "output";
  } else {
    kind = "undefined";
    context.Fail(kAPINoTarget);
  }
  return context.Result();
}

APIResult TAPILink::GetFrameValue(uint32_t tag, int16_t& value) {
  TAPICallContext context(this, "");
  TLink* gadget = TargetOfClass(TGadget::kClassID);
  if (gadget == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  uint16_t stored = 0;
  uint16_t attribute = 1;
  gadget->GetShortProperty(tag, stored, &attribute);
  value = static_cast<int16_t>(stored);
  return context.Result();
}

APIResult TAPILink::SetFrameValue(uint32_t tag, int16_t value) {
  TAPICallContext context(this, "");
  TLink* gadget = TargetOfClass(TGadget::kClassID);
  if (gadget == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  gadget->SetShortProperty(tag, static_cast<uint16_t>(value));
  return context.Result();
}

TAPILinkCollection::TAPILinkCollection(TAPICallLog* callLog, TList* list, TAPIDispatcher* parent)
    : TAPICollection(list) {
  SetCallLog(callLog);
  AttachToParent(parent);
  SetTag(kTag);
}

bool TAPILinkCollection::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPICollection::IsKindOfTag(tag);
}

const Str31& TAPILinkCollection::GetClassName() const {
  static const Str31 name("TAPILinkCollection");
  return name;
}

bool TAPILinkCollection::IsScriptVisibleObject(const TObject* object) {
  if (!IsKindOfSafe(object, TLink::kClassID)) return false;
  const auto* link = static_cast<const TLink*>(object);
  if (link->GetIdentifier() == 0) return false;
  if (link->IsMemberClass(TMass::kClassID)) return !link->IsMemberClass(TZeroMass::kClassID);
  // Of constraints only the built-in kinds, forces and torques: custom and field constraints
  // are the world's own workings.
  if (link->IsMemberClass(TLockableCnstr::kClassID)) return true;
  if (link->IsMemberClass(TPoint::kClassID))
    return !link->IsMemberClass(TCOMPoint::kClassID) &&
           link->GetIdentifier() != kHiddenPointIdentifier;
  return link->IsMemberClass(TInput::kClassID) || link->IsMemberClass(TOutput::kClassID);
}

TAPIDispatcher* TAPILinkCollection::WrapItem(TObject* element) {
  if (!IsKindOfSafe(element, TLink::kClassID)) return nullptr;
  return static_cast<TAPIDispatcher*>(static_cast<TLink*>(element)->GetAPIObject(parent()));
}

APIResult TAPILinkCollection::Count(int32_t* count) {
  TAPICallContext context(this, "");
  *count = 0;
  if (bound() || List() == nullptr) return context.Result();
  if (!IsKindOfSafe(List(), TWorldDoc::kClassID)) {
    *count = List()->GetCount();
    return context.Result();
  }
  for (int32_t p = 1; p <= List()->GetCount(); ++p)
    if (IsScriptVisibleObject(List()->At(p))) ++*count;
  return context.Result();
}

APIResult TAPILinkCollection::Item(int16_t index, TAPIDispatcher** item) {
  TAPICallContext context(this, "");
  *item = nullptr;
  if (bound() || List() == nullptr || index < 1 || index > List()->GetCount())
    return context.Result();
  int32_t seen = 0;
  for (int32_t p = 1; p <= List()->GetCount(); ++p) {
    TObject* element = List()->At(p);
    if (!IsScriptVisibleObject(element)) continue;
    if (++seen == index) {
      *item = WrapItem(element);
      break;
    }
  }
  return context.Result();
}

namespace {

bool IsOfKind(const TObject* object, uint32_t kindTag) {
  switch (kindTag) {
    case MakeTag("mass"):
      return IsKindOfSafe(object, TMass::kClassID) && !IsKindOfSafe(object, TZeroMass::kClassID);
    case MakeTag("poin"):
      return IsKindOfSafe(object, TPoint::kClassID) && !IsKindOfSafe(object, TCOMPoint::kClassID);
    case MakeTag("UICn"):
      return IsKindOfSafe(object, TCnstr::kClassID) && !IsKindOfSafe(object, TFieldCnstr::kClassID);
    case MakeTag("inpt"):
      return IsKindOfSafe(object, TInput::kClassID);
    case MakeTag("oupt"):
      return IsKindOfSafe(object, TOutput::kClassID);
    default:
      return false;
  }
}

}  // namespace

APIResult TAPILinkCollection::ItemOfKind(int16_t index, uint32_t kindTag, TAPIDispatcher** item) {
  TAPICallContext context(this, "");
  *item = nullptr;
  if (bound() || List() == nullptr || index < 1 || index > List()->GetCount())
    return context.Result();
  int32_t remaining = index;
  for (int32_t p = 1; p <= List()->GetCount(); ++p) {
    TObject* element = List()->At(p);
    if (IsOfKind(element, kindTag) && --remaining == 0) {
      *item = WrapItem(element);
      break;
    }
  }
  return context.Result();
}
