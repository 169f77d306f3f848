// The conversion run: what the "&Converter Versões" button does. It calls the
// four steps in their fixed order on the data files of the working folder,
// then says that the conversion is done.
#pragma once

#include "platform/platform.hpp"
#include "recfile/recfile.hpp"

// Command 300.
void RunConversion(plat::Dialog* dialog);

// The conversion log CONV.DAT: entries of a step code and CR LF.
// 1 when the log holds an entry that begins with code, else 0.
int LogTest(const char* code);
// 1 when the code is logged; otherwise appends it and answers 0.
int LogTestAndMark(const char* code);

// Step 1: one source file into one target file. Each returns true when it
// read its whole source and wrote its target without a failure; the run then
// puts the target in place.
bool ConvertClientsToR1(rec::Stream& f10, rec::Stream& f10r1);      // F10.DAT, 778 -> 1370
bool ConvertClientsToR2(rec::Stream& f10r1, rec::Stream& f10r2);    // F10R1.DAT, 1370 -> 1000
bool ConvertCodeTable(rec::Stream& f13, rec::Stream& f24);          // F13.DAT -> F24.DAT
bool ConvertPaymentForms(plat::Dialog* dialog, rec::Stream& f14, rec::Stream& f14r0);
// The one-time fix of the registration files named by F11.DAT. True when
// every file it could open was fixed and written to the disk.
bool FixRegistrations();

// Step 2: farms and bank accounts out of the client records, the bank table
// without its banks, the old counters into the counters file.
void SplitClientRecords(plat::Dialog* dialog);
// Step 3: the phone index and the text documents.
void BuildPhoneIndexAndTexts(plat::Dialog* dialog);
// Step 4: files 3.03 no longer uses, and the folders that moved.
void CleanUpFolder(plat::Dialog* dialog);
