// Step 4: the files that 3.03 no longer uses, and the folders that moved.
#include "convert/conversion.hpp"

void CleanUpFolder(plat::Dialog*) {}
