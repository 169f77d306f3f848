#include "maintenance/maintenance.hpp"

void ExportImportClients(plat::Dialog*, int) {}
