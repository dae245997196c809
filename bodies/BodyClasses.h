#pragma once
// Start-up and shut-down of the bodies layer: the body classes enter the class registry, and the
// geometry manager does its geometry through the assembly solver.

void RegisterBodyClasses();
void FreeBodyClasses();
