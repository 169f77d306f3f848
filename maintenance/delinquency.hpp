// Command 313: the delinquency update of the clients.
#pragma once

#include "platform/platform.hpp"

// Marks every client up to date or delinquent from the member file of the
// rural-union product.
void UpdateDelinquency(plat::Dialog* dialog);
