#pragma once
// The constraint library "DE22YBCns": the classes YBConstraint and YBConstraintCollection.

#include "basic/ScriptApi.h"
#include "scripting/host/APIDispatcher.h"

ScriptDescription* DescribeYBConstraint(TAPIDispatcher* root, void* scratch);
void DispatchYBConstraint(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                          ScriptFrame* frame);
