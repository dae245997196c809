// Collisions side by side: each contact scene in our solver and in the peer engines, one after
// another in one process. Every engine runs as its own users run it: ours at the default settings
// of each run mode, the peers at their default iterations (and at more), bullets only for small
// fast bodies. Prints per scene and engine the error against the physics (or the scene's own
// measure) beside the processor time per step, and our time over each peer's. The rows run once, as
// a benchmark of a single iteration, after the mechanism table.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/mechanics/Peers.h"
#include "solver/dynamics/Simulation.h"

#ifdef YB_HAVE_BOX2D
#include <box2d/box2d.h>
#endif
#ifdef YB_HAVE_CHIPMUNK
#include <chipmunk/chipmunk.h>
#endif

namespace yb::dynamics::bench {
namespace {

constexpr double kG = 9.81;

// A body of a contact scene: a circle (radius) or a box (w by h), placed at its centre.
struct SceneBody {
  bool circle = false;
  double radius = 0, w = 0, h = 0;
  double x = 0, y = 0, angle = 0, vx = 0, vy = 0;
  double mass = 1;
  bool fixed = false;
  bool bullet = false;  // small and fast: the peers that sweep such bodies are told to
  double staticFriction = 0, kineticFriction = 0, elasticity = 0;
  double Moment() const { return circle ? 0.5 * mass * radius * radius : mass * (w * w + h * h) / 12; }
};

struct Scene {
  std::vector<SceneBody> bodies;
  double gravity = kG;
  double step = 1.0 / 60;  // per frame
};

// One engine's run of a scene, frame by frame.
class ContactEngine {
 public:
  virtual ~ContactEngine() = default;
  virtual void Frame() = 0;
  virtual PeerBody Body(int index) const = 0;  // scene index
  // What the engine says of where its time went, after a run told to time its stages.
  virtual std::string Note() const { return {}; }
  virtual void TimeStages() {}
};

class Ours : public ContactEngine {
 public:
  Ours(const Scene& scene, const RunSettings& settings) : step_(scene.step) {
    Model model;
    // The bodies are known at once, as a world read from its file knows them: room for all of
    // them is made once.
    model.bodies.reserve(model.bodies.size() + scene.bodies.size());
    std::vector<int> members;
    members.reserve(scene.bodies.size());
    for (const SceneBody& b : scene.bodies) {
      dynamics::Body body;
      body.x = b.x;
      body.y = b.y;
      body.r = b.angle;
      body.vx = b.vx;
      body.vy = b.vy;
      body.mass = b.mass;
      body.moment = b.Moment();
      body.anchored = b.fixed ? 1 : 0;
      body.staticFriction = b.staticFriction;
      body.kineticFriction = b.kineticFriction;
      body.elasticity = b.elasticity;
      body.shape.kind = b.circle ? Shape::Kind::Circle : Shape::Kind::Rectangle;
      body.shape.w = b.circle ? 2 * b.radius : b.w;
      body.shape.h = b.circle ? 2 * b.radius : b.h;
      members.push_back(model.AddBody(body));
    }
    if (scene.gravity != 0) model.AddField(MakeLineGravity(members, scene.gravity));
    model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    RunSettings s = settings;
    s.animationStep = scene.step;
    sim_ = std::make_unique<Simulation>(std::move(model), s);
  }
  void Frame() override {
    ++frames_;
    sim_->AdvanceTo(frames_ * step_);
  }
  void TimeStages() override { sim_->GetMechanics().TimeContactStages(true); }
  PeerBody Body(int index) const override {
    const BodyState s = sim_->GetMechanics().Body(index + 1);
    return {s.x, s.y, s.r, s.vx, s.vy, s.vr};
  }
  // Seconds per frame in each contact stage.
  std::string Note() const override {
    const Mechanics& mechanics = sim_->GetMechanics();
    const Mechanics::ContactStageTimes& t = mechanics.ContactTimes();
    const RunStatistics& r = sim_->Statistics();
    int asleep = 0;
    for (int i = 0; i < mechanics.BodyCount(); ++i)
      asleep += mechanics.Asleep(i) ? 1 : 0;
    char text[480];
    std::snprintf(text, sizeof text,
                  "pairs %.2g narrow %.2g prepare %.2g solve %.2g impacts %.2g s/frame; per frame "
                  "%.3g steps %.3g evaluations %.3g located; %d of %d bodies asleep at the end; "
                  "%lld exact solves of swept piles; %.3g products per frame in projecting "
                  "their velocities; %lld friction solves that did not settle",
                  t.findPairs / frames_, t.narrowPhase / frames_, t.prepare / frames_,
                  t.solve / frames_, t.impacts / frames_, double(r.accepted) / frames_,
                  double(r.evaluations) / frames_, double(r.located) / frames_, asleep,
                  mechanics.BodyCount() - 1, static_cast<long long>(mechanics.ExactPileSolves()),
                  double(mechanics.GradientProducts()) / frames_,
                  static_cast<long long>(mechanics.UnsettledFrictionSolves()));
    return text;
  }

 private:
  double step_;
  int frames_ = 0;
  std::unique_ptr<Simulation> sim_;
};

#ifdef YB_HAVE_BOX2D
// Box2D mixes friction as the geometric mean and restitution as the larger of the two; it has
// one friction coefficient, so a scene that slides gives it the kinetic one. Its default is 8
// velocity and 3 position iterations.
class Box2D : public ContactEngine {
 public:
  Box2D(const Scene& scene, int iterations, bool sliding)
      : world_(b2Vec2(0, static_cast<float>(-scene.gravity))),
        step_(static_cast<float>(scene.step)),
        iterations_(iterations) {
    for (const SceneBody& b : scene.bodies) {
      b2BodyDef def;
      def.type = b.fixed ? b2_staticBody : b2_dynamicBody;
      def.position.Set(static_cast<float>(b.x), static_cast<float>(b.y));
      def.angle = static_cast<float>(b.angle);
      def.linearVelocity.Set(static_cast<float>(b.vx), static_cast<float>(b.vy));
      def.bullet = b.bullet;
      b2Body* body = world_.CreateBody(&def);
      b2CircleShape circle;
      b2PolygonShape box;
      b2FixtureDef fixture;
      if (b.circle) {
        circle.m_radius = static_cast<float>(b.radius);
        fixture.shape = &circle;
      } else {
        box.SetAsBox(static_cast<float>(b.w / 2), static_cast<float>(b.h / 2));
        fixture.shape = &box;
      }
      const double area = b.circle ? M_PI * b.radius * b.radius : b.w * b.h;
      fixture.density = static_cast<float>(b.mass / area);
      fixture.friction = static_cast<float>(sliding ? b.kineticFriction : b.staticFriction);
      fixture.restitution = static_cast<float>(b.elasticity);
      body->CreateFixture(&fixture);
      bodies_.push_back(body);
    }
  }
  void Frame() override { world_.Step(step_, iterations_, 3); }
  PeerBody Body(int index) const override {
    const b2Body* b = bodies_[index];
    return {b->GetPosition().x, b->GetPosition().y, b->GetAngle(),
            b->GetLinearVelocity().x, b->GetLinearVelocity().y, b->GetAngularVelocity()};
  }

 private:
  b2World world_;
  float step_;
  int iterations_;
  std::vector<b2Body*> bodies_;
};
#endif

#ifdef YB_HAVE_CHIPMUNK
// Chipmunk multiplies the two shapes' friction and elasticity, so each shape gets the square
// root of the pair's value.
class Chipmunk : public ContactEngine {
 public:
  Chipmunk(const Scene& scene, int iterations, bool sliding) : step_(scene.step) {
    space_ = cpSpaceNew();
    cpSpaceSetIterations(space_, iterations);
    cpSpaceSetGravity(space_, cpv(0, -scene.gravity));
    for (const SceneBody& b : scene.bodies) {
      cpBody* body = b.fixed ? cpBodyNewStatic() : cpBodyNew(b.mass, b.Moment());
      cpBodySetPosition(body, cpv(b.x, b.y));
      cpBodySetAngle(body, b.angle);
      cpBodySetVelocity(body, cpv(b.vx, b.vy));
      cpSpaceAddBody(space_, body);
      cpShape* shape = b.circle ? cpCircleShapeNew(body, b.radius, cpvzero)
                                : cpBoxShapeNew(body, b.w, b.h, 0);
      cpShapeSetFriction(shape, std::sqrt(sliding ? b.kineticFriction : b.staticFriction));
      cpShapeSetElasticity(shape, std::sqrt(b.elasticity));
      cpSpaceAddShape(space_, shape);
      bodies_.push_back(body);
      shapes_.push_back(shape);
    }
  }
  ~Chipmunk() override {
    for (cpShape* s : shapes_) {
      cpSpaceRemoveShape(space_, s);
      cpShapeFree(s);
    }
    for (cpBody* b : bodies_) {
      if (cpBodyGetType(b) != CP_BODY_TYPE_STATIC) cpSpaceRemoveBody(space_, b);
      cpBodyFree(b);
    }
    cpSpaceFree(space_);
  }
  Chipmunk(const Chipmunk&) = delete;
  Chipmunk& operator=(const Chipmunk&) = delete;
  void Frame() override { cpSpaceStep(space_, step_); }
  PeerBody Body(int index) const override {
    const cpBody* b = bodies_[index];
    const cpVect p = cpBodyGetPosition(b), v = cpBodyGetVelocity(b);
    return {p.x, p.y, cpBodyGetAngle(b), v.x, v.y, cpBodyGetAngularVelocity(b)};
  }

 private:
  double step_;
  cpSpace* space_;
  std::vector<cpBody*> bodies_;
  std::vector<cpShape*> shapes_;
};
#endif

struct Row {
  std::string engine;
  double error = NAN, secondsPerStep = NAN;
  std::string note;
};

using Factory = std::function<std::unique_ptr<ContactEngine>()>;
// Runs the frames and measures; the probe sees the engine after every frame and answers the
// error so far.
using Probe = std::function<double(const ContactEngine&, int frame)>;

Row Measure(const std::string& engine, const Factory& make, int frames, const Probe& probe) {
  Row row;
  row.engine = engine;
  try {
    // Each run's engine is taken apart after the timing: Chipmunk removes its shapes one by one
    // at a cost that grows with the square of their number, which is no part of a step.
    std::vector<std::unique_ptr<ContactEngine>> done;
    // The building of the world is part of each timed run; its shortest time is told apart,
    // since a large pile's few frames spend much of their time there (its first projection and
    // the first evaluation's friction rounds).
    double building = HUGE_VAL;
    const double spent = ShortestTime([&] {
      const double start = ThreadSeconds();
      std::unique_ptr<ContactEngine> e = make();
      building = std::min(building, ThreadSeconds() - start);
      for (int f = 1; f <= frames; ++f) {
        e->Frame();
        if (probe) row.error = probe(*e, f);
      }
      done.push_back(std::move(e));
    });
    row.secondsPerStep = spent / frames;
    // Reading the clock around every stage would weigh on the time of a small world: the
    // stages are timed in a run of their own, untimed as a whole.
    const long beforeBuild = ThreadPageFaults();
    std::unique_ptr<ContactEngine> noted = make();
    const long built = ThreadPageFaults();
    noted->TimeStages();
    for (int f = 1; f <= frames; ++f)
      noted->Frame();
    const long ran = ThreadPageFaults();
    row.note = noted->Note();
    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "%.3g s of the timed run in building, ", building);
    row.note += (row.note.empty() ? "" : "; ") + std::string(seconds) +
                std::to_string(built - beforeBuild) +
                " page faults in the staged run's building, " + std::to_string(ran - built) +
                " in its frames";
    done.push_back(std::move(noted));
  } catch (const DynamicsError& e) {
    row.note = "failed: " + e.message;
  }
  return row;
}

void PrintScene(const std::string& scene, const std::string& quantity,
                const std::vector<Row>& rows) {
  for (const Row& r : rows)
    std::printf("%-22s %-18s %-26s %12.3e %12.3e %s\n", scene.c_str(), r.engine.c_str(),
                quantity.c_str(), r.error, r.secondsPerStep, r.note.c_str());
  // Our time over each peer's, per run mode of ours.
  for (const Row& ours : rows) {
    if (ours.engine.rfind("ours", 0) != 0) continue;
    std::string ratios;
    for (const Row& peer : rows) {
      if (peer.engine.rfind("ours", 0) == 0) continue;
      char text[80];
      std::snprintf(text, sizeof text, "  %s %.3g", peer.engine.c_str(),
                    ours.secondsPerStep / peer.secondsPerStep);
      ratios += text;
    }
    std::printf("%-22s %-18s time over peers:%s\n", scene.c_str(), ours.engine.c_str(),
                ratios.c_str());
  }
  std::fflush(stdout);
}

RunSettings DefaultsOf(RunMode mode) {
  RunSettings s;
  s.SetRunMode(mode);
  return s;
}

// Ours in each run mode at its default settings, then each peer at its default iterations and
// at more. Ours is left out of a large scene, in the modes named (its row says so), unless
// YB_CONTACT_LARGE is set: there a frame still takes seconds to minutes.
enum class Large { No, ForAccurate, ForBoth };

// YB_CONTACT_ENGINES, when set, runs only the engines whose name holds it ("fast", "box2d"):
// what a profile of one engine's run wants.
bool EngineWanted(const std::string& name) {
  const char* wanted = std::getenv("YB_CONTACT_ENGINES");
  return wanted == nullptr || name.find(wanted) != std::string::npos;
}

std::vector<Row> RunEngines(const Scene& scene, int frames, const Probe& probe, bool sliding,
                            Large large = Large::No) {
  std::vector<Row> rows;
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    const std::string name = mode == RunMode::Fast ? "ours fast" : "ours accurate";
    if (!EngineWanted(name)) continue;
    const bool skipped = large == Large::ForBoth || (large == Large::ForAccurate &&
                                                     mode == RunMode::Accurate);
    if (skipped && std::getenv("YB_CONTACT_LARGE") == nullptr) {
      Row skipped;
      skipped.engine = name;
      skipped.note = "not run: set YB_CONTACT_LARGE=1 to run it";
      rows.push_back(skipped);
      continue;
    }
    const RunSettings settings = DefaultsOf(mode);
    rows.push_back(Measure(name, [&] { return std::make_unique<Ours>(scene, settings); }, frames,
                           probe));
  }
#ifdef YB_HAVE_BOX2D
  for (int iterations : {8, 40})
    if (EngineWanted("box2d " + std::to_string(iterations) + " it"))
      rows.push_back(Measure("box2d " + std::to_string(iterations) + " it",
                           [&] { return std::make_unique<Box2D>(scene, iterations, sliding); },
                           frames, probe));
#endif
#ifdef YB_HAVE_CHIPMUNK
  for (int iterations : {10, 50})
    if (EngineWanted("chipmunk " + std::to_string(iterations) + " it"))
      rows.push_back(Measure("chipmunk " + std::to_string(iterations) + " it",
                           [&] { return std::make_unique<Chipmunk>(scene, iterations, sliding); },
                           frames, probe));
#endif
  return rows;
}

SceneBody Floor(double y, double width = 200) {
  SceneBody f;
  f.w = width;
  f.h = 1;
  f.x = 0;
  f.y = y - 0.5;
  f.fixed = true;
  f.staticFriction = f.kineticFriction = 0.6;
  return f;
}

constexpr int kPyramidFrames = 500;

Scene Pyramid(int rows) {
  Scene scene;
  scene.bodies.push_back(Floor(0));
  // Boxes in a row stand apart by more than Box2D's polygon skin (two of its linear slops, 1 cm
  // each side), so that no engine starts with neighbours pressing on each other.
  const double size = 0.5, gap = 0.025;
  for (int row = 0; row < rows; ++row)
    for (int k = 0; k < rows - row; ++k) {
      SceneBody b;
      b.w = b.h = size;
      b.x = (k - (rows - row - 1) / 2.0) * (size + gap);
      b.y = size / 2 + row * size;
      b.staticFriction = b.kineticFriction = 0.6;
      scene.bodies.push_back(b);
    }
  return scene;
}

// The 100-row pyramid for `count` frames; ours in accurate mode only when `large` allows it.
void LargePyramidRows(int count, Large large) {
  const Scene scene = Pyramid(100);
  const int top = static_cast<int>(scene.bodies.size()) - 1;
  const double start = scene.bodies[top].y;
  std::vector<Row> rows = RunEngines(
      scene, count, [&](const ContactEngine& e, int) { return start - e.Body(top).y; }, false,
      large);
  PrintScene("pyramid 100, " + std::to_string(count) + " frames", "top box drop (m)", rows);
}

void LargePyramidRows() {
  // As many frames as the 20-row pyramid; YB_CONTACT_FRAMES runs another count, e.g. the first
  // few frames alone, where every body of both engines is awake.
  const char* frames = std::getenv("YB_CONTACT_FRAMES");
  const int count = frames != nullptr ? std::max(1, std::atoi(frames)) : kPyramidFrames;
  LargePyramidRows(count, Large::ForAccurate);
}

void PyramidRows() {
  const Scene small = Pyramid(20);
  const int top = static_cast<int>(small.bodies.size()) - 1;
  const double start = small.bodies[top].y;
  PrintScene("pyramid 20, 500 frames", "top box drop (m)",
             RunEngines(small, kPyramidFrames,
                        [&](const ContactEngine& e, int) { return start - e.Body(top).y; }, false));
  LargePyramidRows();
}

// A ball 0.1 across dropped from 1 m onto a fixed floor, both of elasticity e.
Scene DroppedBall(double e, double step) {
  Scene scene;
  scene.bodies.push_back(Floor(0));
  scene.bodies.back().elasticity = e;
  SceneBody ball;
  ball.circle = true;
  ball.radius = 0.1;
  ball.y = 1.1;
  ball.elasticity = e;
  scene.bodies.push_back(ball);
  scene.step = step;
  return scene;
}

// The rows of a scene with a far ball, and each engine's time per step with the ball over its
// time without it.
void PrintFarBallRows(const std::string& name, const std::vector<Row>& with,
                      const std::vector<Row>& without) {
  PrintScene(name, "top box drop (m)", with);
  for (size_t k = 0; k < with.size() && k < without.size(); ++k)
    std::printf("%-22s %-18s time with the ball over without: %.3g\n", name.c_str(),
                with[k].engine.c_str(), with[k].secondsPerStep / without[k].secondsPerStep);
  std::fflush(stdout);
}

// A 1 cm ball at 200 m/s, 50 m from the 20-row pyramid and flying away from it: only pairs that
// can meet hold each other to short steps, so the pyramid costs about what it costs alone.
void FarBallRows() {
  constexpr int kFrames = 120;
  const Scene alone = Pyramid(20);
  Scene scene = alone;
  SceneBody ball;
  ball.circle = true;
  ball.radius = 0.005;
  ball.mass = 0.01;
  ball.x = -50;
  ball.y = 30;
  ball.vx = -200;
  ball.bullet = true;
  scene.bodies.push_back(ball);
  const int top = static_cast<int>(alone.bodies.size()) - 1;
  const double start = alone.bodies[top].y;
  const Probe drop = [&](const ContactEngine& e, int) { return start - e.Body(top).y; };
  const std::vector<Row> without = RunEngines(alone, kFrames, drop, false);
  const std::vector<Row> with = RunEngines(scene, kFrames, drop, false);
  PrintFarBallRows("pyramid 20, far ball", with, without);
}

void BounceRows() {
  const double e = 0.5;
  const Scene scene = DroppedBall(e, 1.0 / 240);  // frames fine enough to see each apex
  const SceneBody& ball = scene.bodies[1];
  // The apex heights above the floor; the error is the worst ratio of successive apexes
  // against e^2.
  std::vector<double> apexes;
  double last = 0, previous = 0;
  auto probe = [&](const ContactEngine& engine, int frame) {
    if (frame == 1) apexes.clear();
    // The apex from the frame nearest it: its height plus what its upward speed still climbs.
    const PeerBody b = engine.Body(1);
    if (previous > 0 && b.vy <= 0) apexes.push_back(b.y - ball.radius + b.vy * b.vy / (2 * kG));
    const double vy = b.vy;
    previous = vy;
    last = 0;
    for (size_t k = 1; k < apexes.size() && k <= 3; ++k)
      last = std::max(last, std::abs(apexes[k] / apexes[k - 1] - e * e));
    return apexes.size() < 2 ? NAN : last;
  };
  PrintScene("ball bounce e=0.5", "apex ratio - e^2", RunEngines(scene, 720, probe, false));
}

void InclineRows() {
  for (const double degrees : {20.0, 35.0}) {
    const double t = degrees * M_PI / 180, c = std::cos(t), s = std::sin(t);
    Scene scene;
    SceneBody slope;
    slope.w = 40;
    slope.h = 1;
    slope.angle = t;
    slope.fixed = true;
    slope.staticFriction = 0.5;
    slope.kineticFriction = 0.3;
    scene.bodies.push_back(slope);
    SceneBody box = slope;
    box.fixed = false;
    box.w = box.h = 0.2;
    box.x = -0.6 * s;
    box.y = 0.6 * c;
    scene.bodies.push_back(box);
    const bool slides = std::tan(t) > slope.staticFriction;
    const double a = slides ? kG * (s - slope.kineticFriction * c) : 0.0;
    auto probe = [&](const ContactEngine& engine, int frame) {
      const double time = frame * scene.step;
      const PeerBody b = engine.Body(1);
      const double along = -((b.x - box.x) * c + (b.y - box.y) * s);
      const double expected = 0.5 * a * time * time;
      return slides ? std::abs(along - expected) / expected : std::abs(along);
    };
    PrintScene(slides ? "incline 35, slides" : "incline 20, holds",
               slides ? "distance error (rel)" : "distance moved (m)",
               RunEngines(scene, 120, probe, slides));
  }
}

void CradleRows() {
  const double v = 1.0;
  Scene scene;
  scene.gravity = 0;
  for (int k = 0; k < 5; ++k) {
    SceneBody ball;
    ball.circle = true;
    ball.radius = 0.1;
    ball.x = k == 0 ? -0.5 : 0.2 * k;
    ball.vx = k == 0 ? v : 0;
    ball.elasticity = 1;
    scene.bodies.push_back(ball);
  }
  auto probe = [&](const ContactEngine& engine, int) {
    double worst = std::abs(engine.Body(4).vx - v) / v;
    for (int k = 0; k < 4; ++k)
      worst = std::max(worst, std::abs(engine.Body(k).vx) / v);
    return worst;
  };
  PrintScene("newton's cradle 5", "speed error (rel)", RunEngines(scene, 60, probe, false));
}

// 1000 circles poured into a box: accurate mode too takes milliseconds a step here, so both
// modes always run.
void PourRows() {
  Scene scene;
  scene.bodies.push_back(Floor(0, 12));
  for (const double x : {-6.0, 6.0}) {
    SceneBody wall = Floor(0, 1);
    wall.w = 1;
    wall.h = 40;
    wall.x = x;
    wall.y = 20;
    scene.bodies.push_back(wall);
  }
  for (int k = 0; k < 1000; ++k) {
    SceneBody ball;
    ball.circle = true;
    ball.radius = 0.1;
    ball.x = -5 + 0.25 * (k % 40) + 0.01 * (k / 40 % 2);
    ball.y = 1 + 0.25 * (k / 40);
    ball.mass = 0.1;
    ball.staticFriction = ball.kineticFriction = 0.4;
    ball.elasticity = 0.2;
    scene.bodies.push_back(ball);
  }
  // The deepest overlap after the last frame, of two circles or of a circle and the box, found
  // by a sweep along x so that measuring costs little beside a step.
  constexpr int frames = 30;
  constexpr double radius = 0.1, inside = 5.5;
  const int first = 3, count = static_cast<int>(scene.bodies.size()) - first;
  std::vector<std::pair<double, double>> centres(count);
  const Probe overlap = [&](const ContactEngine& e, int frame) {
    if (frame < frames) return std::nan("");
    double deepest = 0;
    for (int k = 0; k < count; ++k) {
      const PeerBody b = e.Body(first + k);
      centres[k] = {b.x, b.y};
      deepest = std::max({deepest, radius - b.y, b.x - (inside - radius), -inside + radius - b.x});
    }
    std::sort(centres.begin(), centres.end());
    for (int i = 0; i < count; ++i)
      for (int j = i + 1; j < count && centres[j].first - centres[i].first < 2 * radius; ++j)
        deepest = std::max(deepest, 2 * radius - std::hypot(centres[j].first - centres[i].first,
                                                            centres[j].second - centres[i].second));
    return deepest;
  };
  PrintScene("1000 circles poured, " + std::to_string(frames) + " frames", "deepest overlap (m)",
             RunEngines(scene, frames, overlap, false));
}

// What accurate mode costs on the largest crowd, always shown: the 100-row pyramid cut to its
// first frames, where every body is awake.
void ShortCrowdRows() { LargePyramidRows(3, Large::No); }

// Two free discs, masses 1 and 3, the first at 2 m/s on a path its radius above the second's
// centre, no friction, no gravity, e = 1: the worst error of the four velocity components after
// the impact against the closed form (the line of centres is 30 degrees below the path).
void ObliqueImpactRows() {
  const double r = 0.1, m1 = 1, m2 = 3, v = 2, e = 1;
  Scene scene;
  scene.gravity = 0;
  for (int k = 0; k < 2; ++k) {
    SceneBody disc;
    disc.circle = true;
    disc.radius = r;
    disc.x = k == 0 ? -0.5 : 0;
    disc.y = k == 0 ? r : 0;
    disc.vx = k == 0 ? v : 0;
    disc.mass = k == 0 ? m1 : m2;
    disc.elasticity = e;
    scene.bodies.push_back(disc);
  }
  const double nx = std::sqrt(3.0) / 2, ny = -0.5;
  const double impulse = (1 + e) * m1 * m2 / (m1 + m2) * v * nx;
  const double expected[4] = {v - impulse / m1 * nx, -impulse / m1 * ny, impulse / m2 * nx,
                              impulse / m2 * ny};
  auto probe = [&](const ContactEngine& engine, int) {
    const PeerBody a = engine.Body(0), b = engine.Body(1);
    const double got[4] = {a.vx, a.vy, b.vx, b.vy};
    double worst = 0;
    for (int k = 0; k < 4; ++k)
      worst = std::max(worst, std::abs(got[k] - expected[k]));
    return worst;
  };
  PrintScene("oblique impact e=1", "velocity error (m/s)", RunEngines(scene, 30, probe, false));
}

// A box launched at 2 m/s up a 20 degree slope (us 0.5, uk 0.3): it stops at
// v0^2 / (2 g (sin t + uk cos t)) and static friction holds it there. The error is how far from
// that it stands after 3 s. The peers, with one coefficient, get the static one.
void LaunchedBoxRows() {
  const double t = 20 * M_PI / 180, c = std::cos(t), s = std::sin(t);
  const double v0 = 2, size = 0.2;
  Scene scene;
  SceneBody slope;
  slope.w = 40;
  slope.h = 1;
  slope.angle = t;
  slope.x = 0.5 * s;
  slope.y = -0.5 * c;
  slope.fixed = true;
  slope.staticFriction = 0.5;
  slope.kineticFriction = 0.3;
  scene.bodies.push_back(slope);
  SceneBody box = slope;
  box.fixed = false;
  box.w = box.h = size;
  box.x = -size / 2 * s;
  box.y = size / 2 * c;
  box.vx = v0 * c;
  box.vy = v0 * s;
  scene.bodies.push_back(box);
  const double distance = v0 * v0 / (2 * kG * (s + slope.kineticFriction * c));
  auto probe = [&](const ContactEngine& engine, int) {
    const PeerBody b = engine.Body(1);
    return std::abs((b.x - box.x) * c + (b.y - box.y) * s - distance);
  };
  PrintScene("launched box, 20 deg", "stop distance error (m)",
             RunEngines(scene, 180, probe, false));
}

// A ball dropped from 1 m onto a fixed floor, e = 0.5: its bounces end at sqrt(2h/g) (1 + 2e /
// (1 - e)) = 1.355 s, and a second later it lies still. The error is its recorded speed then.
void BallAtRestRows() {
  const Scene scene = DroppedBall(0.5, 1.0 / 30);
  auto probe = [&](const ContactEngine& engine, int) {
    const PeerBody b = engine.Body(1);
    return std::hypot(b.vx, b.vy);
  };
  PrintScene("ball at rest e=0.5", "speed at 2.37 s (m/s)", RunEngines(scene, 71, probe, false));
}

// A stack of ten boxes at rest, and a ball 1 mm across at 2000 m/s, 50 m from it and flying up
// away from everything: the stack's time per step with the ball over without it.
void SmallFarBallRows() {
  Scene alone;
  alone.bodies.push_back(Floor(0));
  for (int k = 0; k < 10; ++k) {
    SceneBody box;
    box.w = box.h = 0.5;
    box.y = 0.25 + 0.5 * k;
    box.staticFriction = box.kineticFriction = 0.6;
    alone.bodies.push_back(box);
  }
  Scene scene = alone;
  SceneBody ball;
  ball.circle = true;
  ball.radius = 0.0005;
  ball.mass = 0.001;
  ball.x = -50;
  ball.y = 30;
  ball.vy = 2000;
  ball.bullet = true;
  scene.bodies.push_back(ball);
  const int top = static_cast<int>(alone.bodies.size()) - 1;
  const double start = alone.bodies[top].y;
  const Probe drop = [&](const ContactEngine& e, int) { return start - e.Body(top).y; };
  constexpr int kFrames = 15;
  const std::vector<Row> without = RunEngines(alone, kFrames, drop, false);
  const std::vector<Row> with = RunEngines(scene, kFrames, drop, false);
  PrintFarBallRows("stack 10, small far ball", with, without);
}

void ClosedFormRows() {
  ObliqueImpactRows();
  LaunchedBoxRows();
  BallAtRestRows();
  SmallFarBallRows();
}

void ContactTable(benchmark::State& state) {
  if (const char* only = std::getenv("YB_CONTACT_ONLY")) {
    for (auto _ : state) {
      if (std::string(only) == "pyramid") PyramidRows();
      if (std::string(only) == "pyramid100") LargePyramidRows();
      if (std::string(only) == "pour") PourRows();
      if (std::string(only) == "crowds") ShortCrowdRows();
      if (std::string(only) == "farball") FarBallRows();
      if (std::string(only) == "closedform") ClosedFormRows();
      if (std::string(only) == "incline") InclineRows();
      if (std::string(only) == "bounce") BounceRows();
      if (std::string(only) == "cradle") CradleRows();
    }
    return;
  }
  for (auto _ : state) {
    std::printf("\n%-22s %-18s %-26s %12s %12s\n", "contact scene", "engine", "quantity",
                "error", "s per step");
    BounceRows();
    InclineRows();
    CradleRows();
    PyramidRows();
    FarBallRows();
    ClosedFormRows();
    PourRows();
    ShortCrowdRows();
  }
}
BENCHMARK(ContactTable)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace yb::dynamics::bench
