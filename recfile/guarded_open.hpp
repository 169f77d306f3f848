// The guarded open of a record file: every record that the application adds
// or rewrites in a shared data folder goes through FOpen2. It waits while
// another process holds the file, refuses files that have grown too large,
// keeps the file aligned on whole records, finds where the record goes and
// returns a stream positioned there. It reports each refusal itself (caption
// "FOpen2"), so that callers only test for a null stream.
#pragma once

#include <cstdint>
#include <string>

#include "recfile/recfile.hpp"

// Kinds of busy test.
enum BusyKind : int {
  kBusySilent = 0,       // answers 1 when the file stays busy
  kBusyWithMessage = 1,  // the same, after telling the user
  kBusyWaitOnly = 2,     // waits about a second, then answers 0 regardless
};

// Waits up to about a second (21 attempts, 50 ms apart) for a file that
// another process holds open for writing. 0 when the file may be opened (also
// when it does not exist), 1 when it stays busy (kinds 0 and 1 only).
int FileBusy(const std::string& name, int kind);

// Positions the stream at a byte inside the file: true when done, false when
// the position lies at or beyond the end of the file or positioning failed.
bool FCheckPos(Stream* stream, std::int64_t position);

// What FOpen2 opens for.
enum FOpen2Mode : int {
  kRewriteRecord = 0,  // any mode but 1: the existing record *index
  kNewRecord = 1,      // a new record, or a deleted one reused
};
// Which deleted record a new record may take (mode kNewRecord).
enum FOpen2Reuse : int {
  kAlwaysAppend = 0,
  kReuseFirstDeleted = 1,
  kReuseDeletedAfterIndex = 2,  // after *index; from the start when *index <= 0
};

// Files above this size are refused, and above the second one the user is
// asked whether to go on.
constexpr std::int64_t kRecordFileRefusedAbove = 2000000000;
constexpr std::int64_t kRecordFileQuestionAbove = 512000000;

// Opens a record file for the write of one record of record_length bytes.
// Mode kNewRecord: *index receives the number of the record that the caller's
// write creates or reuses (-1 with a record length of 0). Other modes: *index
// names an existing record and the stream is positioned at its first byte.
// Null after a refusal, which has been shown to the user.
StreamPtr FOpen2(const std::string& name, int record_length, std::int64_t* index, int mode,
                 int reuse);
