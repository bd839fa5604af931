// The design application's resource tables: menus 128 and 129, accelerators,
// strings, tool bars with their image strips, dialogs, cursors and bitmaps.
#pragma once

namespace appres {

// Registers every resource of the program (once; later calls do nothing
// unless the tables were cleared).
void RegisterAppResources();

}  // namespace appres
