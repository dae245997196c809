// A rope's new point comes from the program's point template, with the program's classes and
// resources as start-up brings them up.

#include <gtest/gtest.h>

#include <memory>

#include "bodies/BodyClasses.h"
#include "bodies/points/Point.h"
#include "constraints/Field.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Ropes.h"
#include "core/ClassHierarchy.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/filing/LinkClasses.h"
#include "model/filing/ObjectReader.h"
#include "model/world/Group.h"
#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
#include "resources/ResourceLibraries.h"
#include "scripting/objects/APIConstraint.h"
#include "scripting/objects/ObjectMaker.h"
#include "simulation/Engine.h"
#include "simulation/GeometryManager.h"
#include "simulation/StopWhen.h"
#include "simulation/UnitHandler.h"
#include "simulation/WorldBridge.h"

namespace {

// A new world's defaults hold the hot-point snapper, a class of the views: a link that takes the
// snapper's block stands in for it.
class TSnapperStandIn : public THandlerLink {
 public:
  static constexpr int16_t kBlock = 5038;
  static TObject* Create() { return new TSnapperStandIn; }
  uint16_t CanReadBlock(int16_t code) override {
    return code == kBlock ? 1 : THandlerLink::CanReadBlock(code);
  }
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != kBlock) return THandlerLink::ReadBlockContents(code, reader);
    for (int i = 0; i < 3; ++i)
      reader.ReadInt();
    return 1;
  }
};

class RopePoints : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    LoadEngineLibrary();
    RegisterThingClasses();
    RegisterLinkClasses();
    RegisterUnitHandler();
    RegisterBodyClasses();
    InstallWorldBridge();
    RegisterCustomConstraintClasses();
    RegisterSpringClasses();
    RegisterPinRopeRodClasses();
    LoadClassHierarchy();
    RegisterConverterClasses();
    RegisterClassInfo("THotPointSnapper", MakeTag("hpSn"), 702, TSnapperStandIn::Create,
                      sizeof(TSnapperStandIn));
    RegisterGeometryManager();
    RegisterGroupClasses();
    RegisterFieldClasses();
    RegisterStopWhen();
    SettleDefaultConstraintSize();
    FreezeClassRegistry();
    InstallWorldScriptObjects();
    document_ = std::make_unique<TQVDoc>();
    document_->World().DropDefaultWorldObjects();
    root_ = new TAPIDispatcher(&log_, nullptr, nullptr);
  }
  void TearDown() override {
    document_.reset();
    delete root_;
    FreeGeometryManager();
    SetRunBridgeHooks({});
    FreeCustomConstraintGlobals();
    FreeBodyClasses();
    FreeUnitHandler();
    FreeClassHierarchy();
    FreeClassRegistry();
    FreeEngineLibrary();
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }
  template <class T>
  T* Add(std::unique_ptr<T> object) {
    T* added = object.get();
    object->Initialize();
    document_->World().AdoptObject(std::move(object));
    return added;
  }

  TAPICallLog log_;
  std::unique_ptr<TQVDoc> document_;
  TAPIDispatcher* root_ = nullptr;
};

TEST_F(RopePoints, AnAppendedPointMakesARopeAPulleyAtTheStoredPosition) {
  TLRope* rope = Add(std::make_unique<TLRope>());
  rope->SetType(TLRope::kRope);
  rope->AttachObject(Add(std::make_unique<TPoint>()));
  rope->AttachObject(Add(std::make_unique<TPoint>()));
  auto* object = static_cast<TAPIConstraint*>(rope->GetAPIObject(root_));
  // The object templates come with the document's script members.
  Handle point = GetResourceHandle(MakeTag("ZodA"), 2505);
  if (point == nullptr) GTEST_SKIP() << "the program's resources hold no point template yet";
  ReleaseResourceHandle(point);
  ASSERT_EQ(object->AppendPoint(1.5, -2.0).code, 0);
  ASSERT_EQ(rope->AttachedCount(), 3);
  auto* added = static_cast<TPoint*>(rope->Attached()[2]);
  EXPECT_EQ(added->LocalX()->GetValue(), 1.5);
  EXPECT_EQ(added->LocalY()->GetValue(), -2.0);
  Str63 kind;
  object->GetTypeName(kind);
  EXPECT_EQ(std::string(kind.Chars()), "pulley");
  int32_t count = 0;
  object->GetPointCount(count);
  EXPECT_EQ(count, 3);
}

}  // namespace
