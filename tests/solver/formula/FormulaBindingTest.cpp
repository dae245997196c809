// Bound programs read the environment's values in place, and evaluation never allocates.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "solver/formula/FormulaProgram.h"
#include "tests/solver/formula/FormulaTestWorld.h"

namespace {
thread_local bool gCounting = false;
thread_local int gAllocations = 0;
}  // namespace

// Counts the allocations made while gCounting is set (this test program only). The replacement
// pairs malloc with free on purpose, which GCC cannot see through once it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (gCounting) ++gAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (gCounting) ++gAllocations;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace {

TEST(FormulaBinding, BoundProgramsReadTheCurrentValues) {
  FormulaTestWorld world;
  const std::string text =
      "-(100) * (Constraint[3].dp.x - (0.5)) + body[3].mass + Input[2] * time + "
      "Constraint[3].dp.r + self.mass";
  FormulaProgram plain, bound;
  ASSERT_EQ(parse_equation(text, plain), kFormulaOk);
  ASSERT_EQ(parse_equation(text, bound), kFormulaOk);
  EXPECT_EQ(bound.Bind(world), 0);  // the world offers nothing yet
  world.publish = true;
  // dp.x, mass, Input[2], time and dp.r; self stays a question.
  EXPECT_EQ(bound.Bind(world), 5);
  double a = 0.0, b = 0.0;
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(execute_program(plain, &world, a), kFormulaOk);
    ASSERT_EQ(execute_program(bound, &world, b), kFormulaOk);
    EXPECT_EQ(a, b);
    world.displacement[3][0] += 0.25;
    world.displacement[3][2] -= 0.5;
    world.inputs[2] *= 2.0;
    world.time += 1.0;
    world.bodies[3].mass += 1.0;
  }
  // A whole vector member binds as well.
  FormulaProgram vector;
  ASSERT_EQ(parse_equation("Constraint[3].dp", vector), kFormulaOk);
  EXPECT_EQ(vector.Bind(world), 1);
  FormulaValue v;
  ASSERT_EQ(execute_program(vector, &world, v), kFormulaOk);
  EXPECT_EQ(v.x, world.displacement[3][0]);
  EXPECT_EQ(v.r, world.displacement[3][2]);
}

TEST(FormulaBinding, EvaluationDoesNotAllocate) {
  FormulaTestWorld world;
  const char* texts[] = {
      "-((100) * (Constraint[3].dp.x - (0.5)))-(2 * Constraint[3].dv.x)",
      "cos(body[3].p.r)*(body[5].p.x-body[3].p.x)/(1.0+1.0/(2.000000))",
      "-self.mass*(6.67e-11)/sqr(self.p-other.p)*other.mass",
      "-|self.v|*section(self,self.v)*(0.5)",
      "if(contactpair(Body[3],5).x<>0,contactpair(Body[3],5).x,collisionpair(Body[3],5).x)",
      "Wheel.v.x + GroupCofM(0).y + max(1, 2, Input[4]) + (time > 1.0 and not false)",
      "1/(Input[2]-4.5)",
  };
  for (const char* text : texts) {
    FormulaProgram program;
    ASSERT_EQ(parse_equation(text, program), kFormulaOk) << text;
    FormulaValue value;
    gAllocations = 0;
    gCounting = true;
    for (int i = 0; i < 10; ++i)
      execute_program(program, &world, value);
    gCounting = false;
    EXPECT_EQ(gAllocations, 0) << text;
  }
  // The counter itself works. The probe calls the allocation function itself and keeps the
  // pointer in a volatile: a new-expression whose result is unused may be optimised away.
  gAllocations = 0;
  gCounting = true;
  void* volatile probe = ::operator new(sizeof(int));
  gCounting = false;
  ::operator delete(probe);
  EXPECT_EQ(gAllocations, 1);
}

}  // namespace
