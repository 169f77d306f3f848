// Routines shared by every step that opens, reads and deletes record files:
// files of fixed-length records of single-byte text, record n at byte n × L,
// with no separator and no line end. A record whose last character is '+' is
// deleted and its slot free for reuse.
#pragma once

#include <cstdint>
#include <string>

#include "recfile/stream.hpp"

using rec::Stream;
using rec::StreamPtr;

// The three opens by name. FOpenUpdate and FOpenAppend first clear the
// read-only attribute; FOpenAppend creates a missing file.
StreamPtr FOpenRead(const std::string& name);
StreamPtr FOpenUpdate(const std::string& name);
StreamPtr FOpenAppend(const std::string& name);
// The opens that the steps make directly (no attribute change): read an
// existing file, update an existing file, append (creating), create or empty.
StreamPtr OpenToRead(const std::string& name);
StreamPtr OpenToUpdate(const std::string& name);
StreamPtr OpenToAppend(const std::string& name);
StreamPtr OpenToCreate(const std::string& name);
// Creates a file that does not exist yet; null when the name is taken.
StreamPtr OpenToCreateNew(const std::string& name);

// Closes the stream when there is one; true unless a write of it failed.
bool FCloseIf(StreamPtr& stream);
// Clears the read-only attribute of an existing file; a missing one stays missing.
void FMakeWritable(const std::string& name);
// Reads at most width characters, stopping after a line feed (kept) or at the
// end of the file, and terminates the text; buffer holds width + 1. Null when
// nothing could be read.
char* FReadField(Stream* stream, char* buffer, int width);
// True when record index of the given length exists whole enough to hold its
// last character, and that character is '+'.
bool FIsDeleted(Stream* stream, std::int64_t index, int length);
// A 13-character name from the local time, hhmmss and the hundredths of the
// second in three digits, then ".tmp" (090503007.tmp at 09:05:03.070).
// buffer holds at least 14 characters.
char* TempFileName(char* buffer);
// Removes the file, also a read-only one: 0 when it was removed, -1 otherwise.
int FDelete(const std::string& name);
// True when backup exists: one kept from before (it is never overwritten), or
// a whole copy of source made now and on the disk. The journal's copy, which
// must give the same answer when it is done again; the steps choose its name
// with rec::BackupName (recfile/backup.hpp) so that it holds source's bytes.
bool KeepBackup(const std::string& source, const std::string& backup);
