#pragma once
// The point library "DE22YBPnt": the classes YBPoint and YBPointCollection.

#include "basic/ScriptApi.h"
#include "scripting/host/APIDispatcher.h"

ScriptDescription* DescribeYBPoint(TAPIDispatcher* root, void* scratch);
void DispatchYBPoint(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                     ScriptFrame* frame);
