// Settings of the POSIX platform layer that only the console program makes:
// what stands for drive A: and for the root of the current drive, how a Yes/No
// question is answered, and whether a message with the error icon was shown.
#pragma once

#include <string>

namespace plat::posix {

// The folder that stands for drive A:; empty means there is no diskette.
void SetDisketteFolder(const std::string& folder);
// The folder that stands for the root of the current drive ("\..." and "C:\...").
void SetRootFolder(const std::string& folder);

enum class Answer { kAsk, kYes, kNo };
// How Yes/No questions are answered: kAsk asks on a terminal and answers No
// when there is none.
void SetAnswer(Answer answer);

// True once a message box with the error icon has been shown.
bool ErrorShown();

// The name of the POSIX file that a core name stands for (exposed for tests).
std::string NativeName(const std::string& name);

}  // namespace plat::posix
