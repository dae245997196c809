#pragma once
// The bodies and points of a world as formulas see them outside a run, and the geometry queries
// formulas make of them (the centre of mass of a group, the width of a body across a direction).
// Start-up installs both into the simulation bridge; shut-down removes them.

void InstallFormulaGeometry();
void RemoveFormulaGeometry();
