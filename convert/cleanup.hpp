// Step 4: the files that 3.03 no longer uses, and the folders that moved.
#pragma once

namespace convert {

// Deletes the files of the clean-up list, renames or keeps the old text
// documents, parks R02 and merges R03 and R04 (convert/folder_moves.hpp).
void CleanUpFolder();

}  // namespace convert
