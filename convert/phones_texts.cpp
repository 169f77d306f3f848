// Step 3: the phone index and the text documents.
#include "convert/conversion.hpp"

void BuildPhoneIndexAndTexts(plat::Dialog*) {}
