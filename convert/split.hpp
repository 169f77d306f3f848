// Step 2: farms and bank accounts taken out of the client records of
// F10R2.DAT into F09R0.DAT and F04R0.DAT, with the copy of the bank table.
#pragma once

namespace convert {

// The split of every client record (guarded by F04R0.DAT and F09R0.DAT), with
// the bank table copy when F24.DAT is there and F24R0.DAT is not.
void SplitFarmsAndAccounts();

}  // namespace convert
