// Commands 310 and 311: the clients of one group to and from the diskette.
#pragma once

#include "platform/platform.hpp"

// Commands 310 (mode 0, export) and 311 (mode 1, import) of the clients of
// the group in item 100 to and from the diskette file "A:\F10R2.BAK".
void ExportImportClients(plat::Dialog* dialog, int mode);
