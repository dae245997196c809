#pragma once
// The object library "DE22YBLnk": the classes YBObject and YBObjectCollection.

#include "basic/ScriptApi.h"
#include "scripting/host/APIDispatcher.h"

ScriptDescription* DescribeYBLink(TAPIDispatcher* root, void* scratch);
void DispatchYBLink(ScriptRunContext* call, uint32_t methodId, int32_t highest, ScriptFrame* frame);
