// Step 1, the code table F13.DAT into the typed table F24.DAT.
#pragma once

#include "recfile/stream.hpp"

// True when it read its whole source and wrote its target without a failure.
bool ConvertCodeTable(rec::Stream& f13, rec::Stream& f24);
