#include "maintenance/maintenance.hpp"

void ChangeClientGroup(plat::Dialog*) {}
