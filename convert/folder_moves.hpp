// The folder moves of step 4: R02 parked in the system's temporary area, R03
// and R04 merged into R60 and R65.
#pragma once

#include <string>

namespace convert {

// The park of a folder in the system's temporary area: source (such as "R02")
// moves to T\sub_path\source, or to the first free of .001 to .100 behind it,
// T being temp_folder (the system's answer; empty when it gives none) or
// "C:\Temp\" when that answer is empty or 156 characters or longer. True when
// the folder moved.
bool ParkFolder(const std::string& source, const std::string& sub_path, const std::string& temp_folder);

// The merge of folder source into folder target: a rename of the whole folder
// when it can be done, else a move of each of its *.DAT files, under its own
// name or the first free of .001 to .100 behind it; source is then removed
// when nothing else is left in it.
void MergeFolder(const std::string& source, const std::string& target);

}  // namespace convert
