#pragma once
// Start-up of the export classes: the export handler and the meter-data and drawing types.

void RegisterExportClasses();
