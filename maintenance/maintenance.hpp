// The client-maintenance commands of the conversion dialog.
#pragma once

#include "platform/platform.hpp"

// Commands 310 (mode 0, export) and 311 (mode 1, import) of the clients of
// the group in item 100 to and from the diskette file "A:\F10R2.BAK".
void ExportImportClients(plat::Dialog* dialog, int mode);
// Command 312: the clients of the group in item 110 get the group in item 111.
void ChangeClientGroup(plat::Dialog* dialog);
// Command 313: marks every client up to date or delinquent from the member
// file of the rural-union product.
void UpdateDelinquency(plat::Dialog* dialog);
