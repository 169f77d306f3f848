// The client file through its older layouts: F10.DAT (778) into F10R1.DAT
// (1370), and F10R1.DAT into the 3.03 client file F10R2.DAT (1000).
#include "convert/conversion.hpp"

// Not converted yet: the target is not put in place and the source stays.
bool ConvertClientsToR1(rec::Stream&, rec::Stream&) { return false; }
bool ConvertClientsToR2(rec::Stream&, rec::Stream&) { return false; }
