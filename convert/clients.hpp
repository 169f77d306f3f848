// Step 1, the client file through its older layouts. Each pass returns true
// when it read its whole source and wrote its target without a failure; the
// run then puts the target in place.
#pragma once

#include "recfile/stream.hpp"

bool ConvertClientsToR1(rec::Stream& f10, rec::Stream& f10r1);    // F10.DAT, 778 -> 1370
bool ConvertClientsToR2(rec::Stream& f10r1, rec::Stream& f10r2);  // F10R1.DAT, 1370 -> 1000
