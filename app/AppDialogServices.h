#pragma once
// What the program gives its dialogs (help, the pending click command, the preparation before a
// modal run, the window a world's dialogs stand over), put in force while the application runs.

// Puts the program's dialog services in force; the application object must be running.
void InstallAppDialogServices();
// Back to the defaults (no help installed, nothing pending, no owner windows).
void RemoveAppDialogServices();
