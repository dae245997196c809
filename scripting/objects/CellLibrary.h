#pragma once
// The cell library "DE22YBCel": the class YBCell.

#include "basic/ScriptApi.h"
#include "scripting/host/APIDispatcher.h"

ScriptDescription* DescribeYBCell(TAPIDispatcher* root, void* scratch);
void DispatchYBCell(ScriptRunContext* call, uint32_t methodId, int32_t highest, ScriptFrame* frame);
