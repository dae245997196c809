#include "bench/mechanics/Peers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

#include "tests/solver/dynamics/Scenes.h"

#ifdef YB_HAVE_BOX2D
#include <box2d/box2d.h>
#endif
#ifdef YB_HAVE_CHIPMUNK
#include <chipmunk/chipmunk.h>
#endif
#ifdef YB_HAVE_MUJOCO
#include <mujoco/mujoco.h>
#endif

namespace yb::dynamics::bench {

namespace {

constexpr double kGravity = scenes::kGravity;

struct Vec {
  double x, y;
};

// A point's world position from its body's centre-of-mass state.
Vec PointOf(const Model& model, const PeerBody& body, int point) {
  const Point& p = model.points[point];
  const Body& b = model.bodies[p.body];
  const double lx = p.x - b.comX, ly = p.y - b.comY;
  const double c = std::cos(body.angle), s = std::sin(body.angle);
  return {body.x + c * lx - s * ly, body.y + s * lx + c * ly};
}

Vec WorldPoint(const Model& model, int point) {
  const Point& p = model.points[point];
  const Body& b = model.bodies[p.body];
  const double c = std::cos(b.r), s = std::sin(b.r);
  return {b.x + c * p.x - s * p.y, b.y + s * p.x + c * p.y};
}

PeerBody Start(const Body& b) {
  const double c = std::cos(b.r), s = std::sin(b.r);
  const double ax = c * b.comX - s * b.comY, ay = s * b.comX + c * b.comY;
  return {b.x + ax, b.y + ay, b.r, b.vx - b.vr * ay, b.vy + b.vr * ax, b.vr};
}

bool Fixed(const Model& model, int body) {
  return body == kBackground || model.bodies[body].anchored != 0;
}

#ifdef YB_HAVE_BOX2D
class Box2dWorld : public PeerWorld {
 public:
  Box2dWorld(const PeerRun& run, const Model& model, double k, double damping)
      : run_(run), world_(b2Vec2(0, 0)) {
    if (!model.fields.empty()) world_.SetGravity(b2Vec2(0, -kGravity));
    for (size_t i = 0; i < model.bodies.size(); ++i) {
      const PeerBody s = Start(model.bodies[i]);
      b2BodyDef def;
      def.type = Fixed(model, static_cast<int>(i)) ? b2_staticBody : b2_dynamicBody;
      def.position.Set(s.x, s.y);
      def.angle = s.angle;
      def.linearVelocity.Set(s.vx, s.vy);
      def.angularVelocity = s.w;
      b2Body* body = world_.CreateBody(&def);
      if (def.type == b2_dynamicBody) {
        b2MassData mass{static_cast<float>(model.bodies[i].mass), b2Vec2(0, 0),
                        static_cast<float>(model.bodies[i].moment)};
        body->SetMassData(&mass);
      }
      bodies_.push_back(body);
    }
    std::map<std::pair<int, int>, b2RevoluteJoint*> pins;
    std::map<int, b2Joint*> prismatics;
    for (const Constraint& c : model.constraints) {
      // A force has one point: the second end is then the first.
      const int second = c.points.size() > 1 ? c.points[1] : c.points[0];
      const int a = model.points[c.points[0]].body, b = model.points[second].body;
      const Vec pa = WorldPoint(model, c.points[0]), pb = WorldPoint(model, second);
      if (c.kind == ConstraintKind::Pin) {
        b2RevoluteJointDef def;
        def.Initialize(bodies_[a], bodies_[b], b2Vec2(pa.x, pa.y));
        pins[{a, b}] = static_cast<b2RevoluteJoint*>(world_.CreateJoint(&def));
      } else if (c.kind == ConstraintKind::Rod) {
        b2DistanceJointDef def;
        def.Initialize(bodies_[a], bodies_[b], b2Vec2(pa.x, pa.y), b2Vec2(pb.x, pb.y));
        def.minLength = def.maxLength = def.length;
        world_.CreateJoint(&def);
      } else if (c.kind == ConstraintKind::Slot) {
        const double angle = model.points[c.points[0]].r;
        b2PrismaticJointDef def;
        def.Initialize(bodies_[a], bodies_[b], b2Vec2(pb.x, pb.y),
                       b2Vec2(std::cos(angle), std::sin(angle)));
        prismatics[b] = world_.CreateJoint(&def);
      } else if (c.kind == ConstraintKind::Gear && !c.internal) {
        // coordinate1 + ratio coordinate2 stays constant: ratio = r2 / r1 for meshing gears.
        const auto first = pins.find({kBackground, a}), second = pins.find({kBackground, b});
        if (first == pins.end() || second == pins.end()) continue;
        b2GearJointDef def;
        def.bodyA = bodies_[a];
        def.bodyB = bodies_[b];
        def.joint1 = first->second;
        def.joint2 = second->second;
        def.ratio = 1 / c.ratio;
        world_.CreateJoint(&def);
      } else if (c.kind == ConstraintKind::Rack) {
        const auto pinion = pins.find({kBackground, a});
        const auto rack = prismatics.find(b);
        if (pinion == pins.end() || rack == prismatics.end()) continue;
        b2GearJointDef def;
        def.bodyA = bodies_[a];
        def.bodyB = bodies_[b];
        def.joint1 = pinion->second;
        def.joint2 = rack->second;
        def.ratio = -1 / c.ratio;
        world_.CreateJoint(&def);
      } else if (c.kind == ConstraintKind::Force && c.goals.size() == 2 &&
                 c.goals[0].value.IsConstant() && c.goals[1].value.IsConstant()) {
        loads_.push_back(
            {bodies_[a], b2Vec2(c.goals[0].value.Constant(), c.goals[1].value.Constant())});
      } else if (c.kind == ConstraintKind::Rotational && c.goals[0].type == GoalType::Velocity) {
        const auto pin = pins.find({a, b});
        if (pin == pins.end()) continue;
        pin->second->EnableMotor(true);
        pin->second->SetMaxMotorTorque(1e9);
        pin->second->SetMotorSpeed(c.goals[0].value.Constant());
      } else if (c.kind == ConstraintKind::Linear && k > 0 && !spring_) {
        b2DistanceJointDef def;
        def.Initialize(bodies_[a], bodies_[b], b2Vec2(pa.x, pa.y), b2Vec2(pb.x, pb.y));
        def.length = scenes::SpringMass::kRest;
        def.minLength = 0;
        def.maxLength = 100;
        def.stiffness = k;
        def.damping = damping;
        spring_ = world_.CreateJoint(&def);
      }
    }
  }
  void Step() override {
    for (auto& [body, force] : loads_)
      body->ApplyForceToCenter(force, true);
    world_.Step(run_.step, run_.iterations, run_.iterations / 3 + 1);
  }
  PeerBody Body(int i) const override {
    const b2Body* b = bodies_[i];
    return {b->GetPosition().x,       b->GetPosition().y,       b->GetAngle(),
            b->GetLinearVelocity().x, b->GetLinearVelocity().y, b->GetAngularVelocity()};
  }

 private:
  PeerRun run_;
  b2World world_;
  std::vector<b2Body*> bodies_;
  b2Joint* spring_ = nullptr;
  std::vector<std::pair<b2Body*, b2Vec2>> loads_;  // constant forces at centres
};
#endif

#ifdef YB_HAVE_CHIPMUNK
class ChipmunkWorld : public PeerWorld {
 public:
  ChipmunkWorld(const PeerRun& run, const Model& model, double k, double damping)
      : run_(run), space_(cpSpaceNew()) {
    cpSpaceSetIterations(space_, run.iterations);
    if (!model.fields.empty()) cpSpaceSetGravity(space_, cpv(0, -kGravity));
    for (size_t i = 0; i < model.bodies.size(); ++i) {
      if (Fixed(model, static_cast<int>(i))) {
        bodies_.push_back(cpSpaceGetStaticBody(space_));
        continue;
      }
      const PeerBody s = Start(model.bodies[i]);
      cpBody* body =
          cpSpaceAddBody(space_, cpBodyNew(model.bodies[i].mass, model.bodies[i].moment));
      cpBodySetPosition(body, cpv(s.x, s.y));
      cpBodySetAngle(body, s.angle);
      cpBodySetVelocity(body, cpv(s.vx, s.vy));
      cpBodySetAngularVelocity(body, s.w);
      bodies_.push_back(body);
    }
    bool spring = false;
    for (const Constraint& c : model.constraints) {
      // A force has one point: the second end is then the first.
      const int second = c.points.size() > 1 ? c.points[1] : c.points[0];
      const int a = model.points[c.points[0]].body, b = model.points[second].body;
      const Vec pa = WorldPoint(model, c.points[0]), pb = WorldPoint(model, second);
      cpBody* A = bodies_[a];
      cpBody* B = bodies_[b];
      if (c.kind == ConstraintKind::Pin) {
        Add(cpPivotJointNew(A, B, cpv(pa.x, pa.y)));
      } else if (c.kind == ConstraintKind::Rod) {
        Add(cpPinJointNew(A, B, cpBodyWorldToLocal(A, cpv(pa.x, pa.y)),
                          cpBodyWorldToLocal(B, cpv(pb.x, pb.y))));
      } else if (c.kind == ConstraintKind::Slot) {
        const double angle = model.points[c.points[0]].r;
        const cpVect e = cpv(std::cos(angle), std::sin(angle));
        Add(cpGrooveJointNew(A, B, cpvsub(cpv(pa.x, pa.y), cpvmult(e, 100)),
                             cpvadd(cpv(pa.x, pa.y), cpvmult(e, 100)),
                             cpBodyWorldToLocal(B, cpv(pb.x, pb.y))));
        Add(cpRotaryLimitJointNew(A, B, 0, 0));
      } else if (c.kind == ConstraintKind::Rotational && c.goals[0].type == GoalType::Velocity) {
        Add(cpSimpleMotorNew(B, A, c.goals[0].value.Constant()));
      } else if (c.kind == ConstraintKind::Linear && k > 0 && !spring) {
        spring = true;
        Add(cpDampedSpringNew(A, B, cpBodyWorldToLocal(A, cpv(pa.x, pa.y)),
                              cpBodyWorldToLocal(B, cpv(pb.x, pb.y)), scenes::SpringMass::kRest, k,
                              damping));
      }
    }
  }
  ~ChipmunkWorld() override {
    for (cpConstraint* c : constraints_) {
      cpSpaceRemoveConstraint(space_, c);
      cpConstraintFree(c);
    }
    for (cpBody* b : bodies_) {
      if (b == cpSpaceGetStaticBody(space_)) continue;
      cpSpaceRemoveBody(space_, b);
      cpBodyFree(b);
    }
    cpSpaceFree(space_);
  }
  void Step() override { cpSpaceStep(space_, run_.step); }
  PeerBody Body(int i) const override {
    cpBody* b = bodies_[i];
    const cpVect p = cpBodyGetPosition(b), v = cpBodyGetVelocity(b);
    return {p.x, p.y, cpBodyGetAngle(b), v.x, v.y, cpBodyGetAngularVelocity(b)};
  }
  void Add(cpConstraint* c) { constraints_.push_back(cpSpaceAddConstraint(space_, c)); }

 private:
  PeerRun run_;
  cpSpace* space_;
  std::vector<cpBody*> bodies_;
  std::vector<cpConstraint*> constraints_;
};
#endif

#ifdef YB_HAVE_MUJOCO
// A tree of hinges in the x-z plane, built from the pins and rods of a tree-shaped model: each
// body hangs from its parent at the joint. A body joined by a rod turns with its rod here.
class MujocoWorld : public PeerWorld {
 public:
  MujocoWorld(const PeerRun& run, const std::string& xml) {
    // The peer reads its model from a file: a private one, gone once read.
    char path[] = "/tmp/yb-bench-mujoco-XXXXXX";
    const int descriptor = mkstemp(path);
    if (descriptor < 0) throw std::runtime_error("no temporary file for the MuJoCo model");
    close(descriptor);
    std::ofstream(path) << xml;
    char error[1000] = "";
    model_ = mj_loadXML(path, nullptr, error, sizeof error);
    std::remove(path);
    if (!model_) throw std::runtime_error(error);
    model_->opt.timestep = run.step;
    model_->opt.integrator = run.iterations == 4 ? mjINT_RK4 : mjINT_EULER;
    data_ = mj_makeData(model_);
    mj_forward(model_, data_);
  }
  ~MujocoWorld() override {
    mj_deleteData(data_);
    mj_deleteModel(model_);
  }
  void Step() override { mj_step(model_, data_); }
  PeerBody Body(int i) const override {
    if (i >= model_->nbody) return {};
    return {data_->xipos[3 * i], data_->xipos[3 * i + 2], 0, 0, 0, 0};
  }
  double Energy() const override { return data_->energy[0] + data_->energy[1]; }
  double Position(int joint) const { return data_->qpos[joint]; }
  mjData* Data() { return data_; }
  mjModel* GetModel() { return model_; }

 private:
  mjModel* model_ = nullptr;
  mjData* data_ = nullptr;
};

std::string MujocoXml(const Model& model, double stiffness = 0, double damping = 0) {
  std::ostringstream xml;
  xml.precision(17);
  xml << "<mujoco><option gravity='0 0 " << (model.fields.empty() ? 0.0 : -kGravity)
      << "'><flag energy='enable' contact='disable'/></option><worldbody>";
  // Children of each body through pins and rods, with the world position of the joint.
  std::map<int, std::vector<std::pair<int, Vec>>> children;
  for (const Constraint& c : model.constraints) {
    if (c.kind != ConstraintKind::Pin && c.kind != ConstraintKind::Rod) continue;
    children[model.points[c.points[0]].body].push_back(
        {model.points[c.points[1]].body, WorldPoint(model, c.points[0])});
  }
  std::function<void(int, Vec)> emit = [&](int body, Vec origin) {
    for (auto [child, joint] : children[body]) {
      const PeerBody s = Start(model.bodies[child]);
      const Body& b = model.bodies[child];
      xml << "<body pos='" << joint.x - origin.x << " 0 " << joint.y - origin.y << "'>"
          << "<joint type='hinge' axis='0 -1 0'/><inertial pos='" << s.x - joint.x << " 0 "
          << s.y - joint.y << "' mass='" << b.mass << "' diaginertia='" << b.moment << " "
          << b.moment << " " << b.moment << "'/>";
      emit(child, joint);
      xml << "</body>";
    }
  };
  if (stiffness > 0) {
    xml << "<body pos='1 0 0'><joint type='slide' axis='1 0 0' stiffness='" << stiffness
        << "' damping='" << damping << "'/><inertial pos='0 0 0' mass='1' diaginertia='1 1 1'/>"
        << "</body>";
  } else {
    emit(kBackground, {0, 0});
  }
  xml << "</worldbody></mujoco>";
  return xml.str();
}
#endif

double Probe(PeerProbe probe, const Model& model, const PeerWorld& world, double& energy0,
             bool first) {
  std::vector<PeerBody> bodies(model.bodies.size());
  for (size_t i = 1; i < bodies.size(); ++i)
    if (!Fixed(model, static_cast<int>(i))) bodies[i] = world.Body(static_cast<int>(i));
  for (size_t i = 0; i < bodies.size(); ++i)
    if (Fixed(model, static_cast<int>(i))) bodies[i] = Start(model.bodies[i]);
  switch (probe) {
    case PeerProbe::Energy: {
      double e = world.Energy();
      if (std::isnan(e)) {
        e = 0;
        for (size_t i = 1; i < bodies.size(); ++i) {
          if (Fixed(model, static_cast<int>(i))) continue;
          const PeerBody& b = bodies[i];
          const Body& m = model.bodies[i];
          e += 0.5 * m.mass * (b.vx * b.vx + b.vy * b.vy) + 0.5 * m.moment * b.w * b.w +
               kGravity * m.mass * b.y;
        }
      }
      if (first) energy0 = e;
      return std::abs(e - energy0) / kGravity;
    }
    case PeerProbe::FourBar:
    case PeerProbe::Joints: {
      double worst = 0;
      for (const Constraint& c : model.constraints) {
        if (c.kind != ConstraintKind::Pin) continue;
        const Vec a = PointOf(model, bodies[model.points[c.points[0]].body], c.points[0]);
        const Vec b = PointOf(model, bodies[model.points[c.points[1]].body], c.points[1]);
        worst = std::max(worst, std::hypot(a.x - b.x, a.y - b.y));
      }
      if (probe == PeerProbe::FourBar) {
        const double rocker = std::abs(std::remainder(
            bodies[3].angle - scenes::FourBar::RockerAngle(bodies[1].angle), 2 * std::numbers::pi));
        worst = std::max(worst, rocker);
      }
      return worst;
    }
    case PeerProbe::GearRatios: {
      using T = scenes::GearTrain;
      const double w1 = bodies[1].w, w2 = bodies[2].w, w3 = bodies[3].w, v = bodies[4].vx;
      return std::max({std::abs(w2 / w1 + T::r1 / T::r2), std::abs(w3 / w2 + T::r2 / T::r3),
                       std::abs(v / (w3 * T::r3) - 1)});
    }
    case PeerProbe::SliderCrank:
      return std::abs(bodies[3].x - scenes::SliderCrank::SliderPosition(bodies[1].angle));
  }
  return 0;
}

bool IsTree(const Model& model) {
  std::vector<int> parents(model.bodies.size(), 0);
  for (const Constraint& c : model.constraints) {
    if (c.kind != ConstraintKind::Pin && c.kind != ConstraintKind::Rod) return false;
    if (++parents[model.points[c.points[1]].body] > 1) return false;
  }
  return true;
}

template <typename Work>
Result Timed(const PeerRun& run, const std::string& scene, const std::string& quantity,
             double duration, Work work) {
  Result r;
  r.scene = scene;
  r.engine = run.engine + ", " + run.label;
  r.quantity = quantity;
  try {
    r.secondsPerSecond = ShortestTime([&] { r.error = work(); }) / duration;
  } catch (const std::exception& e) {
    r.note = std::string("failed: ") + e.what();
  }
  return r;
}

}  // namespace

std::vector<PeerRun> PeerRuns() {
  std::vector<PeerRun> runs;
#ifdef YB_HAVE_BOX2D
  runs.push_back({"box2d", "default 1/60 s", 1.0 / 60, 8});
  runs.push_back({"box2d", "1/1200 s, 30 it.", 1.0 / 1200, 30});
#endif
#ifdef YB_HAVE_CHIPMUNK
  runs.push_back({"chipmunk", "default 1/60 s", 1.0 / 60, 10});
  runs.push_back({"chipmunk", "1/1200 s, 30 it.", 1.0 / 1200, 30});
#endif
#ifdef YB_HAVE_MUJOCO
  runs.push_back({"mujoco", "default 2 ms Euler", 0.002, 0});
  runs.push_back({"mujoco", "0.5 ms RK4", 0.0005, 4});
#endif
  return runs;
}

std::unique_ptr<PeerWorld> MakePeer(const PeerRun& run, const Model& model, double k, double c) {
#ifdef YB_HAVE_BOX2D
  if (run.engine == "box2d") return std::make_unique<Box2dWorld>(run, model, k, c);
#endif
#ifdef YB_HAVE_CHIPMUNK
  if (run.engine == "chipmunk") return std::make_unique<ChipmunkWorld>(run, model, k, c);
#endif
#ifdef YB_HAVE_MUJOCO
  if (run.engine == "mujoco") return std::make_unique<MujocoWorld>(run, MujocoXml(model));
#endif
  (void)run;
  (void)model;
  (void)k;
  (void)c;
  return nullptr;
}

Result RunPeer(const PeerRun& run, const std::string& scene, const std::string& quantity,
               const Model& model, double duration, PeerProbe probe) {
  if (run.engine == "chipmunk" && probe == PeerProbe::GearRatios) {
    Result r;
    r.scene = scene;
    r.engine = run.engine + ", " + run.label;
    r.quantity = quantity;
    r.error = NAN;
    r.note = "no rack joint";
    return r;
  }
  if (run.engine == "mujoco" && (!IsTree(model) || probe != PeerProbe::Energy)) {
    Result r;
    r.scene = scene;
    r.engine = run.engine + ", " + run.label;
    r.quantity = quantity;
    r.error = NAN;
    r.note = IsTree(model) ? "reduced coordinates: joints cannot separate" : "not a tree";
    return r;
  }
  return Timed(run, scene, quantity, duration, [&] {
    std::unique_ptr<PeerWorld> world = MakePeer(run, model, 0, 0);
    if (!world) throw std::runtime_error("engine not built in");
    double energy0 = 0;
    double worst = Probe(probe, model, *world, energy0, true);
    if (!std::isfinite(worst)) worst = 0;  // a ratio at rest has no value yet
    const int steps = static_cast<int>(std::lround(duration / run.step));
    for (int i = 0; i < steps; ++i) {
      world->Step();
      const double error = Probe(probe, model, *world, energy0, false);
      worst = std::isfinite(error) ? std::max(worst, error) : HUGE_VAL;
    }
    return worst;
  });
}

Result RunSpringPeer(const PeerRun& run, const std::string& scene, double damping,
                     double duration) {
  return Timed(run, scene, "displacement / amplitude", duration, [&]() -> double {
    scenes::SpringMass spring(damping);
    const int steps = static_cast<int>(std::lround(duration / run.step));
    double worst = 0;
    auto measure = [&](double x, int i) {
      worst =
          std::max(worst, std::abs(x - scenes::SpringMass::Displacement(damping, i * run.step)) /
                              scenes::SpringMass::kStretch);
    };
#ifdef YB_HAVE_MUJOCO
    if (run.engine == "mujoco") {
      MujocoWorld world(run, MujocoXml(Model{}, scenes::SpringMass::kStiffness, damping));
      world.Data()->qpos[0] = scenes::SpringMass::kStretch;
      for (int i = 1; i <= steps; ++i) {
        world.Step();
        measure(world.Position(0), i);
      }
      return worst;
    }
#endif
    // The spring: a soft distance joint (Box2D) or a damped spring (Chipmunk) to a fixed point.
    std::unique_ptr<PeerWorld> world =
        MakePeer(run, spring.model, scenes::SpringMass::kStiffness, damping);
    if (!world) throw std::runtime_error("engine not built in");
    for (int i = 1; i <= steps; ++i) {
      world->Step();
      measure(world->Body(spring.mass).x - scenes::SpringMass::kRest, i);
    }
    return worst;
  });
}

}  // namespace yb::dynamics::bench
