// The conversion run: what the "&Converter Versões" button does. It calls the
// four steps in their fixed order on the data files of the working folder,
// then says that the conversion is done.
#pragma once

#include "platform/platform.hpp"

// Command 300.
void RunConversion(plat::Dialog* dialog);
