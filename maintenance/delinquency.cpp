#include "maintenance/maintenance.hpp"

void UpdateDelinquency(plat::Dialog*) {}
