// The counter migration of step 2: the six old counters of CONFIGA.DAT into
// the counters file F34.DAT.
#pragma once

namespace convert {

// CONFIGA.DAT into F34.DAT, when the first exists and the second does not.
void MigrateOldCounters();

}  // namespace convert
