// The bank table copy of step 2: F24.DAT without its banks into F24R0.DAT.
#pragma once

#include "recfile/stream.hpp"

namespace convert {

constexpr int kBankTableLength = 60;  // F24.DAT, F24R0.DAT

// Copies the records of the bank table that are not banks (kind '2') into
// copy, the new F24R0.DAT. True when every read and write succeeded.
bool CopyBankTable(rec::Stream& table, rec::Stream& copy);

}  // namespace convert
