// The counters file F34.DAT, from which the application allocates the codes of
// its records. Each counter is named by a group and a name (the converter uses
// module numbers as names: "10", "60", "11", "14", "9", "4"); the first record
// with that key in file order is the counter. Values run from 0 to
// 999,999,999; a stored value outside that range reads as 0.
#pragma once

#include <string>

#include "recfile/find_key.hpp"

constexpr char kCountersFile[] = "F34.DAT";

// True with the counter's value (0 for a counter that does not exist); false
// when the counters file could not be read.
bool CounterRead(const char* group, const char* name, long* value);
// Takes the next code: value + 1, wrapping to 1 after the number made of
// digits nines (digits 1 to 9; any other count means 6). True when the new
// code was written, with *value the new code; false otherwise, with *value 0.
bool CounterNext(const char* group, const char* name, long* value, int digits);
// Writes the value, appending the counter when it does not exist. True when
// the record was written.
bool CounterSet(const char* group, const char* name, long value);
// CounterSet on another file laid out as the counters file: the counter
// migration builds the new F34.DAT under its pending name.
bool CounterSetIn(const std::string& file, const char* group, const char* name, long value);
// Gives the first record with that key (deleted or not) the new group. True
// when a record was changed.
bool CounterRegroup(const char* group, const char* name, const char* new_group);
