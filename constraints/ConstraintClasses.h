#pragma once
// Start-up of the constraints layer: each routine enters its classes in the class registry, in
// the order the application's unit table gives.
//
//   RegisterCustomConstraintClasses  TXCnstr, TCustomConstraint, TUICnstr; the shared goal
//                                    prototype and default quantity    ConstraintGoals.cpp
//   RegisterSpringClasses            the six springs and dampers       SpringFiling.cpp
//   RegisterPinRopeRodClasses        TPin, TLRope, TRRope, TRod         RopeFiling.cpp
//   RegisterPistonClasses            TPiston, TLPiston, TRPiston        Pistons.cpp
//   RegisterForceClasses             TForce, TTorque                    Forces.cpp
//   RegisterGearClasses              TGear, TGearCnstr, TGearCnstrPoint GearContacts.cpp
//   RegisterConverterClasses         TObjectConverter                   ObjectConverter.cpp

void RegisterCustomConstraintClasses();
void FreeCustomConstraintGlobals();
void RegisterSpringClasses();
void RegisterPinClasses();
void RegisterPinRopeRodClasses();
void RegisterPistonClasses();
void RegisterForceClasses();
void RegisterGearClasses();
void RegisterConverterClasses();
// Start-up's last word on the size of new constraints, once every class is registered.
void SettleDefaultConstraintSize();
