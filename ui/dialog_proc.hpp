// The procedure of the conversion dialog BOX104A: its initialisation and the
// dispatch of its commands. Portable: it sees the dialog only through
// plat::Dialog, so the Windows program, the console and the tests share it.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.hpp"

namespace ui {

enum class DialogMessage { kInitDialog, kCommand };

// Notification code with which an edit field reports the loss of the focus.
constexpr unsigned kNotifyKillFocus = 0x0200;

// Handles a message; true when handled. For kCommand, command is the whole
// wParam: the item in the low word, the notification code in the high word.
bool DialogProc(plat::Dialog* dialog, DialogMessage message, unsigned command = 0);
// True when the last command found its data folder held by another copy of
// the program, and did nothing.
bool FolderWasBusy();
// True while a command runs: the dialogs take no command meanwhile.
bool CommandRunning();

// At most n characters of a UTF-8 text, never half of one: a folder name cut
// inside an accented letter would end in a broken character.
std::string FirstCharacters(const std::string& text, std::size_t n);

}  // namespace ui
