#pragma once
// Worlds with colliding bodies as the world writes them into the solver stream: bodies with their
// friction and elasticity, anchored ground shapes, and the collision group (its own empty block,
// then its group record).

#include <cmath>
#include <string>
#include <vector>

#include "tests/solver/stream/EngineHarness.h"
#include "tests/solver/stream/StreamBuilder.h"

namespace yb::stream::testing {

struct Material {
  double staticFriction = 0, kineticFriction = 0, elasticity = 0;
};

class ContactWorld {
 public:
  // A body record with its material; anchored bodies stay where they are put.
  ContactWorld& Body(int16_t id, double x, double y, double r, double mass, double moment,
                     Material m, double vx = 0, double vy = 0, double vr = 0,
                     int16_t anchored = 0) {
    s.Object(id);
    Bytes b;
    for (const F& f : {F(x), F(y), F(r), F(vx), F(vy), F(vr), F(mass), F(moment), F(0.0),
                       F(0.0), F(m.staticFriction), F(m.kineticFriction), F(m.elasticity),
                       F(0.0), F(0.0), F(0.0)})
      b.Formula(f);
    b.Code(0).Code(anchored);
    s.Block(1200, b);
    bodies.push_back(id);
    return *this;
  }
  ContactWorld& Ball(int16_t id, double x, double y, double radius, double mass, Material m,
                     double vx = 0, double vy = 0) {
    Body(id, x, y, 0, mass, 0.5 * mass * radius * radius, m, vx, vy);
    s.CircleSize(2 * radius);
    return *this;
  }
  ContactWorld& Box(int16_t id, double x, double y, double r, double w, double h, double mass,
                    Material m, int16_t anchored = 0) {
    Body(id, x, y, r, mass, mass * (w * w + h * h) / 12, m, 0, 0, 0, anchored);
    s.RectangleSize(w, h);
    return *this;
  }
  // A polygon body whose vertices (body frame) are in a point table written just before it.
  ContactWorld& Polygon(int16_t id, int16_t table, double x, double y, double mass,
                        double moment, Material m, const std::vector<double>& xy,
                        bool curved = false, int16_t anchored = 0) {
    s.Table(table, 2, xy);
    Body(id, x, y, 0, mass, moment, m, 0, 0, 0, anchored);
    s.Block(1201, Bytes().Code(table));
    if (curved) s.Block(1205, Bytes().Code(1));
    return *this;
  }
  // The collision group: mode 0 (pairs with the reference), 1 (pairs of listed bodies) or 2
  // (listed pairs); the list names what collides when it includes, else what does not.
  ContactWorld& CollisionGroup(int16_t id, int16_t mode, bool includes,
                               std::vector<int16_t> members, int16_t reference = -1) {
    s.Object(id);
    s.Block(1802, Bytes());
    Bytes b;
    b.Code(static_cast<int16_t>((includes ? 0 : 3) + mode)).Code(reference);
    b.Code(static_cast<int16_t>(members.size()));
    for (int16_t m : members)
      b.Code(m);
    s.Block(1800, b);
    return *this;
  }
  // Every pair of bodies collides.
  ContactWorld& AllCollide(int16_t id) { return CollisionGroup(id, 1, false, {}); }
  ContactWorld& Gravity(double g) {
    s.LineGravity(900, 901, g);
    return *this;
  }
  std::vector<uint8_t> Finish(double frameStep, double integratorError = 1e-10,
                              double assemblyError = 1e-12) {
    s.Object(950).RunSettings(3, 3, true, frameStep, 1, integratorError, assemblyError);
    return s.Finish();
  }

  StreamBuilder s;
  std::vector<int16_t> bodies;  // in stream order: their frame values come in this order
};

// Frame values of body b (in stream order): x, y, rotation, vx, vy, angular velocity.
inline double Value(const History& h, int frame, int body, int item) {
  return h.Value(frame, body * 8 + item);
}

}  // namespace yb::stream::testing
