#pragma once
// Start-up of the constraints layer: each routine enters its classes in the class registry, in
// the order the application's unit table gives.
//
//   RegisterCustomConstraintClasses  TXCnstr, TCustomConstraint, TUICnstr; the shared goal
//                                    prototype and default quantity    ConstraintGoals.cpp
//   RegisterSlotClasses              TSlot                              Slot.cpp
//   RegisterCurvedSlotClasses        TCurvedSlot, TSplinePoint          CurvedSlot.cpp
//   RegisterSpringClasses            the six springs and dampers       SpringFiling.cpp
//   RegisterPinRopeRodClasses        TPin, TLRope, TRRope, TRod         RopeFiling.cpp
//   RegisterPistonClasses            TPiston, TLPiston, TRPiston        Pistons.cpp
//   RegisterForceClasses             TForce, TTorque                    Forces.cpp
//   RegisterGearClasses              TGear, TGearCnstr, TGearCnstrPoint GearContacts.cpp
//   RegisterConverterClasses         TObjectConverter                   ObjectConverter.cpp

void RegisterCustomConstraintClasses();
void FreeCustomConstraintGlobals();
// What formulas see of constraints outside a run (ConstraintFormulaState.cpp); the custom
// constraints' registration installs it and the release of their globals removes it.
void InstallConstraintFormulaState();
void RemoveConstraintFormulaState();
void RegisterSlotClasses();
void RegisterCurvedSlotClasses();
void RegisterSpringClasses();
void RegisterPinClasses();
void RegisterPinRopeRodClasses();
void RegisterPistonClasses();
void RegisterForceClasses();
// Fills the joiner's hooks with what points, bodies and constraints answer (JoinerHooks.cpp).
void InstallJoinerHooks();
void RegisterGearClasses();
void RegisterConverterClasses();
// Start-up's last word on the size of new constraints, once every class is registered.
void SettleDefaultConstraintSize();
