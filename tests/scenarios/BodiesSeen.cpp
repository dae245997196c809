#include "tests/scenarios/BodiesSeen.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/TApp.h"
#include "bodies/Body.h"
#include "bodies/Shapes.h"
#include "constraints/Constraint.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "inout/inputs/Input.h"
#include "model/world/QVDoc.h"

namespace scenario {
namespace {

std::string ClassName(int16_t classId) {
  for (int32_t i = 0; i < ClassRegistryCount(); ++i) {
    if (ClassInfoAt(i).classId == classId) return ClassInfoAt(i).name;
  }
  return "class " + std::to_string(classId);
}

SavedBody BodyOnRecord(TMass& body) {
  SavedBody saved;
  saved.id = body.GetIdentifier();
  saved.kind = ClassName(body.GetClassID());
  const TVector3 position = body.GetPositionValues();
  saved.x = position.x;
  saved.y = position.y;
  if (auto* shape = dynamic_cast<TBasicMass*>(&body)) {
    const TVector size = shape->GetSize();
    saved.width = size.x;
    saved.height = size.y;
  }
  saved.mass = body.GetMass();
  return saved;
}

SavedConstraint ConstraintOnRecord(TCnstr& constraint) {
  SavedConstraint saved;
  saved.id = constraint.GetIdentifier();
  saved.kind = ClassName(constraint.GetClassID());
  for (TPoint* point : constraint.OwnPoints()) {
    const TMass* body = point != nullptr ? point->GetBody() : nullptr;
    saved.bodies.push_back(body != nullptr ? body->GetIdentifier() : -1);
  }
  return saved;
}


}  // namespace

ProgramUnits::ProgramUnits() {
  app_.LoadResourceDlls();
  app_.InitUnits();
}

ProgramUnits::~ProgramUnits() {
  app_.TermUnits();
  app_.FreeResourceDlls();
}

std::vector<SavedBody> SavedWorld::BodiesOfKind(const std::string& kind) const {
  std::vector<SavedBody> found;
  for (const SavedBody& body : bodies)
    if (body.kind == kind) found.push_back(body);
  return found;
}

std::vector<SavedConstraint> SavedWorld::ConstraintsOfKind(const std::string& kind) const {
  std::vector<SavedConstraint> found;
  for (const SavedConstraint& constraint : constraints)
    if (constraint.kind == kind) found.push_back(constraint);
  return found;
}

std::string SavedWorld::Description() const {
  std::ostringstream text;
  if (!failure.empty()) text << "not read: " << failure << "\n";
  text << "scale " << scale << " pixels per metre\n";
  for (const SavedBody& body : bodies) {
    text << "  " << body.kind << " " << body.id << " at (" << body.x << ", " << body.y
         << ") size " << body.width << " x " << body.height << " mass " << body.mass << "\n";
  }
  for (const SavedConstraint& constraint : constraints) {
    text << "  " << constraint.kind << " " << constraint.id << " on bodies";
    for (const int body : constraint.bodies) text << " " << body;
    text << "\n";
  }
  return text.str();
}

void ForEachSavedObject(const std::string& path, const std::function<void(TLink&)>& visit) {
  ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    for (TLink* object : document.World().Objects()) visit(*object);
  } catch (const QVException&) {
  }
}

SavedWorld ReadSavedWorld(const std::string& path) {
  SavedWorld saved;
  ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    TWorldDoc& world = document.World();
    saved.scale = world.Scale().GetValue();
    for (TLink* object : world.Objects()) {
      if (auto* body = dynamic_cast<TMass*>(object)) {
        if (body->GetIdentifier() != 0) saved.bodies.push_back(BodyOnRecord(*body));
      } else if (auto* constraint = dynamic_cast<TCnstr*>(object)) {
        saved.constraints.push_back(ConstraintOnRecord(*constraint));
      }
    }
  } catch (const QVException& failure) {
    saved.failure = "error " + std::to_string(failure.error()) + " " + std::to_string(failure.message());
  }
  return saved;
}

bool IsDark(uint32_t pixel) {
  const uint32_t red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
  return red * 3 + green * 6 + blue < 128 * 10;
}

namespace {

// The share of dark pixels on the outline of the box (picture coordinates), and on the ring two
// pixels inside it.
struct OutlineScore {
  double edge = 0.0;
  double inside = 1.0;
};

OutlineScore ScoreOutline(const Picture& picture, int left, int top, int width, int height) {
  auto ringShare = [&](int x0, int y0, int w, int h) {
    if (w < 2 || h < 2) return 0.0;
    int dark = 0, all = 0;
    auto count = [&](int x, int y) {
      dark += IsDark(picture.At(x, y));
      ++all;
    };
    for (int x = x0; x < x0 + w; ++x) {
      count(x, y0);
      count(x, y0 + h - 1);
    }
    for (int y = y0 + 1; y < y0 + h - 1; ++y) {
      count(x0, y);
      count(x0 + w - 1, y);
    }
    return static_cast<double>(dark) / all;
  };
  OutlineScore score;
  score.edge = ringShare(left, top, width, height);
  score.inside = ringShare(left + 2, top + 2, width - 4, height - 4);
  return score;
}

}  // namespace

Box FindOutline(const Picture& picture, int width, int height) {
  constexpr double kDrawn = 0.95, kEmpty = 0.3;
  Box best;
  double bestEdge = 0.0;
  bool ambiguous = false;
  for (int top = 0; top + height + 1 <= picture.box.height; ++top) {
    for (int left = 0; left + width + 1 <= picture.box.width; ++left) {
      if (!IsDark(picture.At(left, top))) continue;
      for (int w = width - 1; w <= width + 1; ++w) {
        for (int h = height - 1; h <= height + 1; ++h) {
          const OutlineScore score = ScoreOutline(picture, left, top, w, h);
          if (score.edge < kDrawn || score.inside > kEmpty) continue;
          const Box found{picture.box.x + left, picture.box.y + top, w, h};
          const bool near = !best.Empty() && std::abs(found.x - best.x) <= 3 &&
                            std::abs(found.y - best.y) <= 3;
          if (!best.Empty() && !near) ambiguous = true;
          if (score.edge > bestEdge) {
            bestEdge = score.edge;
            best = found;
          }
        }
      }
    }
  }
  return ambiguous ? Box{} : best;
}

bool NamesSlider(TWorldDoc& world, const TFormula& formula, double& value) {
  Str255 text;
  formula.GetText(text);
  const std::string named = text.AsCString();
  for (TLink* object : world.Objects()) {
    const auto* input = dynamic_cast<const TInput*>(object);
    if (input == nullptr || named != "Input[" + std::to_string(input->GetIdentifier()) + "]")
      continue;
    value = input->GetValue();
    return true;
  }
  return false;
}

::testing::AssertionResult SampleScenario::OpenCopy(const std::string& name,
                                                    const std::string& sample) {
  copy_ = Home().Sample(name);
  std::filesystem::copy_file(Home().Sample(sample), copy_,
                             std::filesystem::copy_options::overwrite_existing);
  if (::testing::AssertionResult started = StartOnSample(name); !started) return started;
  opened_ = SaveAndRead();
  if (!opened_.failure.empty())
    return ::testing::AssertionFailure() << "the copy saved at once reads back as " << opened_.failure;
  return ::testing::AssertionSuccess();
}

SavedWorld SampleScenario::SaveAndRead() {
  Me().Control("s");
  if (::testing::AssertionResult idle = Me().Idle(); !idle) {
    SavedWorld none;
    none.failure = idle.message();
    return none;
  }
  return ReadSavedWorld(copy_);
}

int SampleScenario::Pixels(double metres) const {
  return static_cast<int>(std::lround(metres * opened_.scale));
}

Box SampleScenario::OutlineOf(const std::string& kind) const {
  const std::vector<SavedBody> bodies = opened_.BodiesOfKind(kind);
  if (bodies.size() != 1) return {};
  return FindOutline(Me().Grab(Frame()), Pixels(bodies[0].width), Pixels(bodies[0].height));
}

Box SampleScenario::GadgetArea(int height) const {
  using namespace spring_and_pin;
  const Box frame = Frame();
  return {frame.x + kGadgetsX, frame.y + kGadgetsY, kAnchorX - 6 - kGadgetsX, height};
}

}  // namespace scenario
