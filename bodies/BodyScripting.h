#pragma once
// The script object of a body is made by the scripting layer, which installs its maker at
// start-up; bodies ask for it on first request and keep it for their lifetime.

#include <memory>

#include "bodies/Body.h"

// Makes the script object of the body for the owner (the scripting context that asks).
using BodyScriptMaker = std::unique_ptr<TObject> (*)(TMass& body, TMass::ScriptKind kind,
                                                     void* owner);

// Null removes the maker; bodies then have no script object.
void InstallBodyScriptMaker(BodyScriptMaker maker);
BodyScriptMaker GetBodyScriptMaker();
