#include "app/designview.h"
#include "app/printoutdlg.h"
#include "app/vectorexport.h"
#include "app/viewcmd.h"

namespace {

constexpr fw::UINT ID_FILE_EXPORT = 40020;

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::PrintMap)
VIEW_ON_COMMAND(ID_FILE_EXPORT, ExportVectorFile)
VIEW_ON_COMMAND(fw::ID_FILE_PRINT, PrintDesign)
FW_END_COMMAND_FAMILY()
