// Step 1, the one-time fix of the registration files named by F11.DAT.
#pragma once

// True when every file it could open was fixed and written to the disk.
bool FixRegistrations();
