// Dialog routines that the conversion and the maintenance commands share.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.hpp"

// Items of the dialogs.
enum DialogItem : int {
  kItemClose = 2,
  kItemStatus = 100,        // status line of the conversion dialog; group field of export/import
  kItemMembersInGoodStanding = 100,      // delinquency: members in good standing
  kItemClientsUpToDate = 101,      // delinquency: clients marked up to date
  kItemClientsDelinquent = 102,      // delinquency: clients marked delinquent
  kItemGroupField = 100,
  kItemOldGroup = 110,
  kItemNewGroup = 111,
  kItemFolder = 150,
  kItemConvert = 300,
  kItemExport = 310,
  kItemImport = 311,
  kItemRegroup = 312,
  kItemDelinquency = 313,
  kItemWorkingList = 400,
  kItemEnter = 500,
};

// Reads at most 11 characters of the item, converts them as a decimal integer,
// drops the sign, writes the value back as unsigned decimal text, returns it.
unsigned long GetDlgNumber(plat::Dialog* dialog, int id);
// Sets the item to the signed decimal text of value.
void SetDlgNumber(plat::Dialog* dialog, int id, long value);
// Rewrites the item as a zero-padded code of width 3 to 6 digits; 0 and values
// above the widest code of that width become 1. Other widths empty the item.
void SetDlgCode(plat::Dialog* dialog, int id, int width);
// The stock variable-pitch font for item 2 and every item from 100 to 399.
void SetDialogFont(plat::Dialog* dialog);
// Sets the status line (item 100) of the conversion dialog.
void SetStatusLine(plat::Dialog* dialog, std::string_view text);

// The text of an item in code page 1252, cut to at most max bytes: what the
// user typed, as it goes into a data file.
std::string ItemTextLatin1(plat::Dialog* dialog, int id, std::size_t max);
