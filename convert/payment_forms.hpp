// Step 1, the payment forms F14.DAT into F14R0.DAT.
#pragma once

#include "platform/platform.hpp"
#include "recfile/stream.hpp"

// True when it read its whole source and wrote its target without a failure.
// A form of many instalment groups is converted, and the dialog shows a
// warning about it at the end.
bool ConvertPaymentForms(plat::Dialog* dialog, rec::Stream& f14, rec::Stream& f14r0);
