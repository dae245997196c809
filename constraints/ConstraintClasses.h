#pragma once
// Start-up of the constraints layer: each routine enters its classes in the class registry, in
// the order the application's unit table gives.

void RegisterCustomConstraintClasses();
void FreeCustomConstraintGlobals();
void RegisterSpringClasses();
void RegisterPinClasses();
void RegisterPinRopeRodClasses();
void RegisterPistonClasses();
void RegisterForceClasses();
// Start-up's last word on the size of new constraints, once every class is registered.
void SettleDefaultConstraintSize();
