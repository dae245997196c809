#pragma once
// The meter library "DE22YBOut": the classes YBOutput and YBOutputCollection.

#include "basic/ScriptApi.h"
#include "scripting/host/APIDispatcher.h"

ScriptDescription* DescribeYBOutput(TAPIDispatcher* root, void* scratch);
void DispatchYBOutput(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                      ScriptFrame* frame);
