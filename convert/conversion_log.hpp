// The conversion log CONV.DAT: entries of a step code and CR LF.
#pragma once

// 1 when the log holds an entry that begins with code, else 0.
int LogTest(const char* code);
// 1 when the code is logged; otherwise appends it and answers 0.
int LogTestAndMark(const char* code);
