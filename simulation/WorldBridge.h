#pragma once
// Gives the world object its engine and recorded-frame store: the simulation's engine and
// history store behind the small interfaces the world runs with.

// Installs the world's hooks at start-up; nothing to undo at exit.
void InstallWorldBridge();
