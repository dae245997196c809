#include "platform/mfc/CException.h"

IMPLEMENT_DYNAMIC(CException, CObject)
