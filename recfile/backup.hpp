// Backups of the sources that the conversion replaces or removes. A source
// goes only once a file holds exactly its bytes: its backup, made in this run
// or compared. A backup name that holds anything else (an older backup,
// another file, a folder) is left as it is, and the source's bytes go to the
// first free name of a numbered series beside it: F10.TMP, then F10-1.TMP,
// F10-2.TMP and on.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace rec {

// The n-th name of the series of a backup name ("F10.TMP", 2: "F10-2.TMP").
std::string NumberedBackup(const std::string& backup, int n);

// True when both are regular files of the same bytes.
bool SameBytes(const std::string& a, const std::string& b);

// The name of the series of backup that holds exactly the bytes of source, or
// else the first free one: where a copy made later (through the journal, whose
// copy is made only "unless the name exists", so that it can be done again)
// keeps source's bytes. Empty when the series is full.
std::string BackupName(const std::string& source, const std::string& backup);

// Makes sure that a file of the series of backup holds exactly the bytes of
// source, which stays: one that holds them already, else a copy under the
// first free name. True when source is missing or such a file exists now.
bool CopyToBackup(const std::string& source, const std::string& backup);

// The same for a source that goes: renamed into the first free name of the
// series (no copy: the same bytes, in one atomic step), or removed where a
// file of the series before the first free name holds its bytes. False when
// neither could be done (the source stays), or when the rename could not be
// flushed to the disk.
bool MoveToBackup(const std::string& source, const std::string& backup);

// The sources kept under a numbered name since the last ClearNumberedBackups,
// as pairs of the source's name and the name it went to; the run tells the
// user where they went.
const std::vector<std::pair<std::string, std::string>>& NumberedBackups();
void ClearNumberedBackups();

}  // namespace rec
