#pragma once
// The document members that set how its world simulates and shows numbers: the view's scale,
// the run settings, force fields, pause controls, units and number format. Each registers
// itself with the engine and enters its entries in the document's member table.

#include "basic/ScriptApi.h"
#include "scripting/host/CallFrame.h"

using TDocumentMemberTable = TAPIMemberTable<kDocumentMembers>;

// ScaleFactor and ViewWidth.
void DescribeDocumentViewScale(ScriptBuilder* b, TDocumentMemberTable& members);
// The run settings, force fields and pause controls, then the number format and the units.
void DescribeDocumentSettings(ScriptBuilder* b, TDocumentMemberTable& members);
