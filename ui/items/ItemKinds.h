#pragma once
// Enters every dialog item class of the program for its kind of the item factory's table, and
// takes them out again at exit.

void RegisterDialogItemKinds();
void UnregisterDialogItemKinds();
