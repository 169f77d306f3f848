// Step 4: the files that 3.03 no longer uses, and the folders that moved. It
// runs on every conversion without a guard: each action does nothing when its
// file or folder is already gone. Names match in any letter case.
#include "convert/cleanup.hpp"

#include "convert/folder_moves.hpp"
#include "platform/platform.hpp"
#include "recfile/backup.hpp"
#include "recfile/recfile.hpp"

namespace convert {
namespace {

enum class Action { kDelete, kRenameOldTexts, kDeleteOldTexts, kDeleteBankTable };

struct CleanUpRow {
  Action action;
  const char* name;
};

// In this order.
constexpr CleanUpRow kCleanUp[] = {
    {Action::kDelete, "Acc001.dat"},   {Action::kDelete, "Accnew.001"},
    {Action::kDelete, "CONF0.SAT"},    {Action::kDelete, "CONFIG1.DAT"},
    {Action::kDelete, "config2.dat"},  {Action::kDelete, "config3.dat"},
    {Action::kDelete, "config4.dat"},  {Action::kDelete, "lan01.txt"},
    {Action::kDelete, "normas.txt"},   {Action::kDelete, "C01.DAT"},
    {Action::kDelete, "CONF3R0.DAT"},  {Action::kDelete, "C03.DAT"},
    {Action::kDelete, "contrato.txt"}, {Action::kDelete, "contrat2.txt"},
    {Action::kDelete, "c04.dat"},      {Action::kDelete, "c04b.dat"},
    {Action::kDelete, "C04R0.DAT"},    {Action::kDelete, "C04R0B.DAT"},
    {Action::kDelete, "C05.DAT"},      {Action::kDelete, "C06AUX.DAT"},
    {Action::kDelete, "C06.DAT"},      {Action::kDelete, "C06B.DAT"},
    {Action::kDelete, "C10.DAT"},      {Action::kDelete, "d03.den"},
    {Action::kDelete, "d401.den"},     {Action::kDelete, "d402.den"},
    {Action::kDelete, "d403.den"},     {Action::kDelete, "d406.xls"},
    {Action::kRenameOldTexts, "F09.DAT"},
    {Action::kDeleteOldTexts, "F09.DAT"},
    {Action::kDelete, "ExpCli.bat"},   {Action::kDelete, "F15.DAT"},
    {Action::kDelete, "F18.DAT"},      {Action::kDelete, "F19R0.DAT"},
    {Action::kDelete, "F19R1.DAT"},    {Action::kDeleteBankTable, "F24.DAT"},
    {Action::kDelete, "Lanvo219.con"}, {Action::kDelete, "Lanvo240.con"},
    {Action::kDelete, "COMPRESS.EXE"}, {Action::kDelete, "Lanvo.hlp"},
    {Action::kDelete, "Lanvo.gid"},
};
static_assert(std::size(kCleanUp) == 41);

// F09.DAT holds the text documents of releases older still; 3.03 reads them
// as F90.DAT.
constexpr char kTexts[] = "F90.DAT";
constexpr char kOldTextsBackup[] = "F09.TMP";
// The bank table is the intermediate file that step 2 copies to F24R0.DAT.
constexpr char kCodeTable[] = "F24R0.DAT";

void Run(const CleanUpRow& row) {
  switch (row.action) {
    case Action::kDelete:
      FDelete(row.name);
      break;
    case Action::kRenameOldTexts:
      plat::RenameNoReplace(row.name, kTexts);
      break;
    case Action::kDeleteOldTexts:
      // Still there when F90.DAT was taken: its documents are kept in a
      // backup (an older, different one is kept too) as it goes.
      if (!rec::MoveToBackup(row.name, kOldTextsBackup)) rec::NoteFailure();
      break;
    case Action::kDeleteBankTable:
      // Only once step 2 has carried its records into F24R0.DAT; when that
      // could not be done, a later run still can.
      if (plat::Exists(kCodeTable)) FDelete(row.name);
      break;
  }
}

}  // namespace

void CleanUpFolder() {
  for (const CleanUpRow& row : kCleanUp) Run(row);
  ParkFolder("R02", "Vamk\\Lanvo", plat::TempFolder());
  MergeFolder("R03", "R60");
  MergeFolder("R04", "R65");
  plat::RemoveFolder("r01");  // only when empty
  plat::RemoveFolder("r401");
}

}  // namespace convert
