// Command 312: the change of group of the clients.
#pragma once

#include "platform/platform.hpp"

// The clients of the group in item 110 get the group in item 111.
void ChangeClientGroup(plat::Dialog* dialog);
