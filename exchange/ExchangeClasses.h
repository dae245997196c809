#pragma once
// Start-up of the export classes: the export handler and the meter-data and drawing types.

void RegisterExportClasses();
// What scripts reach of a world's exports (its handler, frame range and exporters).
void InstallWorldExports();
