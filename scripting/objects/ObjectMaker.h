#pragma once
// Which script object a world object makes: the scripting layer installs the makers of world
// objects and of quantities' cells at start-up.

class TLink;
class TAPIDispatcher;

// World objects and quantities make their script objects from now on.
void InstallWorldScriptObjects();
// The world object leaves its world (kept for undo, or about to go): it gives up its script
// object, which scripts that still hold it find cut loose.
void ReleaseWorldScriptObject(TLink& object);
// The script object the world object's class makes below the parent (not yet kept by it); null
// for a bare massive body, which has none.
TAPIDispatcher* MakeWorldScriptObject(TLink& object, TAPIDispatcher* parent);
