#include "tests/app/ProgramDocuments.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/Table.h"
#include "model/world/QVDoc.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "core/ClassRegistry.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"

namespace program_documents {
namespace {

constexpr int16_t kEngineIdentifier = 1;
constexpr int16_t kBackgroundIdentifier = 0;

const TClassInfo* FindClass(const std::string& name) {
  for (int32_t i = 0; i < ClassRegistryCount(); ++i) {
    if (ClassInfoAt(i).name == name) return &ClassInfoAt(i);
  }
  return nullptr;
}

// Builds a world, handing out identifiers from the first free one.
class WorldBuilder {
 public:
  // The world is built from its settings objects alone: every object it holds is one added here.
  explicit WorldBuilder(TWorldDoc& world) : world_(world) { world_.DropDefaultWorldObjects(); }

  template <class T>
  T& Add(int16_t identifier) {
    auto object = std::make_unique<T>();
    object->Initialize();
    object->SetIdentifier(identifier);
    T& added = *object;
    world_.AdoptObject(std::move(object));
    return added;
  }
  template <class T>
  T& Add() {
    return Add<T>(next_++);
  }

  // The engine (unless the world's default objects brought it), the background and two bodies
  // for points and constraints to use.
  void AddGround() {
    if (world_.FindObject(kEngineIdentifier) == nullptr) Add<TEngine>(kEngineIdentifier);
    Add<TZeroMass>(kBackgroundIdentifier);
    TRectangle& box = Add<TRectangle>();
    box.SetNumberProperty(body_tags::kTagWidth, 0.2);
    box.SetNumberProperty(body_tags::kTagHeight, 0.1);
    box.SetMass(2.0);
    box.SetFormulaProperty(body_tags::kTagPosX, TFormula(-1.0));
    TOval& wheel = Add<TOval>();
    wheel.SetRadius(0.25);
    bodies_ = {&box, &wheel};
  }

  // The object of the named class as the program makes it.
  void AddOf(const std::string& name) {
    const TClassInfo* info = FindClass(name);
    if (info == nullptr) return;
    // The world's default objects (its engine, unit handler, pause controls ...) are one each.
    for (const TLink* object : world_.Objects())
      if (object->GetClassID() == info->classId) return;
    std::unique_ptr<TLink> object = MakeAsCreated(info->tag);
    if (object == nullptr) return;
    object->SetIdentifier(next_++);
    TLink& added = *object;
    world_.AdoptObject(std::move(object));
    Place(added);
  }

 private:
  TPoint& AddPoint(TMass& body, double x) {
    TPoint& point = Add<TPoint>();
    point.AttachToBody(&body);
    point.SetLocalPosition({x, 0.0, 0.0});
    return point;
  }

  // Gives the new object what its tool gives it.
  void Place(TLink& object) {
    if (auto* constraint = dynamic_cast<TCnstr*>(&object)) {
      for (int32_t i = 0; i < constraint->RequiredAttachments(); ++i)
        constraint->AttachObject(&AddPoint(*bodies_[static_cast<size_t>(i) % 2], 0.1 * i));
      // A rope or rod is drawn as long as its ends are apart.
      auto* twoPoint = dynamic_cast<TTwoPointConstraint*>(constraint);
      if (twoPoint != nullptr && twoPoint->HasQuantity())
        twoPoint->SetFormulaProperty(kTagQuantity, TFormula(twoPoint->MeasuredQuantity()));
    } else if (auto* point = dynamic_cast<TPoint*>(&object)) {
      point->AttachToBody(bodies_[1]);
    } else if (auto* polygon = dynamic_cast<TPolygon*>(&object)) {
      TTable& vertices = Add<TTable>();
      for (const TVector& p : {TVector{4, -1}, TVector{6, -1}, TVector{6, 1}, TVector{4, 1}})
        vertices.AppendPoint(p);
      polygon->LinkVertexTable(&vertices);
      polygon->ShapeChanged(1);
    } else if (auto* table = dynamic_cast<TTable*>(&object)) {
      table->AppendPoint({0.0, 1.0});
      table->AppendPoint({1.0, 2.0});
    } else if (auto* group = dynamic_cast<TGroup*>(&object)) {
      group->Include(bodies_[0]);
      group->Include(bodies_[1]);
    } else if (auto* line = dynamic_cast<TLine*>(&object)) {
      line->SetEndPoint1({-1.0, 2.0}, 0);
      line->SetEndPoint2({1.0, 2.0}, 0);
    }
  }

  TWorldDoc& world_;
  int16_t next_ = kFirstFreeIdentifier;
  std::vector<TMass*> bodies_;
};

bool IsGround(const std::string& name) {
  return name == "TEngine" || name == "TZeroMass" || name == "TRectangle" || name == "TOval";
}

// No tool makes a body without a shape: documents may hold one, but a world that runs is made of
// shaped bodies.
constexpr char kShapelessBody[] = "TMass";

}  // namespace

std::vector<std::string> WorldClassNames() {
  std::set<std::string> names;
  for (int32_t i = 0; i < ClassRegistryCount(); ++i) {
    if (!kNotWorldObjects.contains(ClassInfoAt(i).name)) names.insert(ClassInfoAt(i).name);
  }
  return {names.begin(), names.end()};
}

void BuildEveryClassWorld(TWorldDoc& world) {
  WorldBuilder builder(world);
  builder.AddGround();
  for (const std::string& name : WorldClassNames()) {
    if (!IsGround(name) && name != kShapelessBody) builder.AddOf(name);
  }
}

bool IsDefaultObjectClass(const std::string& name) {
  const TClassInfo* info = FindClass(name);
  if (info == nullptr) return false;
  // The objects every world keeps when a document is read into it.
  TQVDoc document;
  document.World().DropDefaultWorldObjects();
  for (const TLink* object : document.World().Objects())
    if (object->GetClassID() == info->classId) return true;
  return false;
}

void BuildOneClassWorld(TWorldDoc& world, const std::string& name) {
  WorldBuilder builder(world);
  if (!IsGround(name)) builder.AddGround();
  builder.AddOf(name);
}

std::unique_ptr<TLink> MakeAsCreated(uint32_t tag) {
  std::unique_ptr<TObject> object(CreateObjectByTag(tag));
  if (object == nullptr || !object->IsMemberClass(TLink::kClassID)) return nullptr;
  std::unique_ptr<TLink> link(static_cast<TLink*>(object.release()));
  link->Initialize();
  return link;
}

std::map<int16_t, int16_t> ClassesById(const TWorldDoc& world) {
  std::map<int16_t, int16_t> classes;
  for (const TLink* object : world.Objects())
    classes.emplace(object->GetIdentifier(), object->GetClassID());
  return classes;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int64_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return static_cast<int64_t>(i);
  return a.size() == b.size() ? -1 : static_cast<int64_t>(n);
}

}  // namespace program_documents
