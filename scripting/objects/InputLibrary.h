#pragma once
// The input library "DE22YBInp": the classes YBInput and YBInputCollection.

#include "basic/ScriptApi.h"
#include "scripting/host/APIDispatcher.h"

ScriptDescription* DescribeYBInput(TAPIDispatcher* root, void* scratch);
void DispatchYBInput(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                     ScriptFrame* frame);
