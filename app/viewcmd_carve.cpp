#include "app/designview.h"
#include "app/viewcmd.h"

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::CarveMap)
FW_END_COMMAND_FAMILY()
