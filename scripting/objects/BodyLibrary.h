#pragma once
// The body library "DE22YBBdy": the classes YBBody and YBBodyCollection.

#include "basic/ScriptApi.h"
#include "scripting/host/APIDispatcher.h"

ScriptDescription* DescribeYBBody(TAPIDispatcher* root, void* scratch);
void DispatchYBBody(ScriptRunContext* call, uint32_t methodId, int32_t highest, ScriptFrame* frame);
