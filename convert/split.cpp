// Step 2: farms and bank accounts out of the client records.
#include "convert/conversion.hpp"

void SplitClientRecords(plat::Dialog*) {}
