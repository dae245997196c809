#pragma once
// The program's three resource libraries, compiled into the program from the scripts in this
// folder: the main library (menus, dialogs, most texts and typed resources), the second library
// and the error-text library.

inline constexpr char kMainResourceLibrary[] = "ybdll.dll";
inline constexpr char kSecondResourceLibrary[] = "ybdll2.dll";
inline constexpr char kErrorResourceLibrary[] = "yberr.dll";

// Makes the three libraries known to the resource calls, so that LoadResourceLibrary finds
// them by their file names. Registering again is harmless.
void RegisterResourceLibraries();
