// The code table, the registration fix and the payment forms.
#include "convert/conversion.hpp"

// Not converted yet: the target is not put in place and the source stays.
bool ConvertCodeTable(rec::Stream&, rec::Stream&) { return false; }
bool ConvertPaymentForms(plat::Dialog*, rec::Stream&, rec::Stream&) { return false; }
void FixRegistrations() {}
