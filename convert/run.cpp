// The conversion run (command 300) and the table of step 1: five conversions,
// each guarded by the absence of its target (one by its entry in CONV.DAT),
// each followed by the backup and the deletion of its source.
#include "convert/run.hpp"

#include <string>
#include <variant>

#include "convert/cleanup.hpp"
#include "convert/clients.hpp"
#include "convert/code_table.hpp"
#include "convert/conversion_log.hpp"
#include "convert/counter_migration.hpp"
#include "convert/payment_forms.hpp"
#include "convert/phone_index.hpp"
#include "convert/registrations.hpp"
#include "convert/split.hpp"
#include "convert/text_documents.hpp"
#include "recfile/backup.hpp"
#include "ui/dialog.hpp"
#include "recfile/journal.hpp"
#include "recfile/new_file.hpp"
#include "ui/progress.hpp"
#include "recfile/recfile.hpp"
#include "recfile/refusals.hpp"

namespace {

// Most conversions need only their two files; one also speaks to the user.
using Conversion = bool (*)(rec::Stream& source, rec::Stream& target);
using DialogConversion = bool (*)(plat::Dialog*, rec::Stream& source, rec::Stream& target);

struct FileConversion {
  const char* target;
  const char* source;
  const char* backup;  // null: the source has no backup
  std::variant<Conversion, DialogConversion> convert;
  const char* status;  // shown on the status line while it runs
};

bool Convert(const FileConversion& step, plat::Dialog* dialog, rec::Stream& source, rec::Stream& target) {
  if (auto* convert = std::get_if<DialogConversion>(&step.convert)) return (*convert)(dialog, source, target);
  return std::get<Conversion>(step.convert)(source, target);
}

const FileConversion kClientsToR1 = {"F10R1.DAT", "F10.DAT", "F10.TMP", ConvertClientsToR1, "Clientes (1/2)"};
const FileConversion kClientsToR2 = {"F10R2.DAT", "F10R1.DAT", "F10R1.TMP", ConvertClientsToR2, "Clientes (2/2)"};
const FileConversion kCodeTable = {"F24.DAT", "F13.DAT", nullptr, ConvertCodeTable, "Tabela de códigos"};
const FileConversion kPaymentForms = {"F14R0.DAT", "F14.DAT", "F14.TMP", ConvertPaymentForms, "Formas de pagamento"};

// Converts the source into the target when the target is absent, then backs
// the source up and removes it. The source goes only when its data is safe
// elsewhere: the target exists and, where a backup is made, a file of the
// backup's series holds exactly its bytes (the source itself, renamed, where
// the name is free). A target that could not be written, a backup that could
// not be made (full disk, no right), or a source that another program changed
// after it was read, keeps the source.
void RunFileConversion(plat::Dialog* dialog, const FileConversion& step) {
  ui::BeginStep(dialog, step.status);
  plat::FileStamp read_as;
  bool converted = false;
  if (!plat::Exists(step.target)) {
    if (StreamPtr source = OpenToRead(step.source)) {
      plat::StampOf(step.source, &read_as);
      rec::NewFile target(step.target);
      bool written = false;
      if (target.stream()) {
        ui::StepReading reading(*source);
        written = Convert(step, dialog, *source, *target.stream());
      }
      if (written && !source->Failed()) converted = target.Commit();
    }
  }
  if (!plat::Exists(step.source)) return;
  if (!plat::Exists(step.target)) {
    // Not converted: the source stays, with its backup made all the same.
    if (step.backup && !rec::CopyToBackup(step.source, step.backup)) rec::NoteFailure();
    return;
  }
  plat::FileStamp now;
  if (converted && (!plat::StampOf(step.source, &now) || !(now == read_as))) {
    plat::ClearLastError();  // no file service failed: no cause to name
    rec::NoteFailure();  // written to meanwhile: what was added is in no target
    return;
  }
  bool gone = step.backup ? rec::MoveToBackup(step.source, step.backup) : FDelete(step.source) == 0;
  if (!gone && step.backup) rec::NoteFailure();  // a full disk, no right: the source stays
}

}  // namespace

// Shown in place of the closing message when a file could not be read or
// written: the conversion is not done, and saying otherwise would hide it.
constexpr char kNotDone[] =
    "A conversão não foi concluída: houve erro ao ler ou gravar arquivos.\n"
    "Execute a conversão novamente. Se o erro persistir, consulte o suporte técnico.";

// Tells where the sources went whose backup name held something else.
void ShowNumberedBackups(plat::Dialog* dialog) {
  const auto& kept = rec::NumberedBackups();
  if (kept.empty()) return;
  std::string text = "Arquivos guardados com outro nome, pois o nome de cópia já tinha outro conteúdo:\n";
  for (const auto& [source, name] : kept) text += "  " + source + " -> " + name + "\n";
  text += "Nenhum dado foi apagado.";
  plat::ShowMessageBox(dialog, text, "Lanvo", plat::kIconInformation | plat::kOk);
}

void RunConversion(plat::Dialog* dialog) {
  plat::Cursor previous = plat::ShowWaitCursor();
  rec::ClearNumberedBackups();
  const std::uint64_t failures_before = rec::FailureCount();
  rec::ForgetFailureCause();

  // A file that could not be read or written ends the run there: a later
  // step would otherwise work without what the failed one was to produce (the
  // phone index without the client file, say) and its own guard would keep it
  // from ever being done again. The next run takes up the work where it stopped.
  auto going = [&] { return rec::FailureCount() == failures_before; };

  // A run cut short after some changes of a step took effect completes them
  // before anything else; while that cannot be done, nothing is converted, so
  // that no step works on files that are about to be replaced. A journal that
  // this program did not write whole is carried out in no part, and the run
  // does nothing else while it is there.
  if (rec::RecoverJournal() == rec::Recovery::kDamaged) {
    plat::RestoreCursor(previous);
    rec::ShowJournalDamaged(dialog);
    return;
  }
  // Step 1: the client file through its two older layouts, then the code
  // table, the registration fix and the payment forms.
  for (const FileConversion* step : {&kClientsToR1, &kClientsToR2, &kCodeTable})
    if (going()) RunFileConversion(dialog, *step);
  if (going()) {
    ui::BeginStep(dialog, "Registros");
    // Logged once the fix is complete: a fix cut short is done again in full.
    if (LogTest("219") == 0 && FixRegistrations()) LogTestAndMark("219");
  }
  if (going()) RunFileConversion(dialog, kPaymentForms);
  if (going()) {
    ui::BeginStep(dialog, "Fazendas e contas bancárias");
    convert::SplitFarmsAndAccounts();
    convert::MigrateOldCounters();
  }
  if (going()) {
    ui::BeginStep(dialog, "Telefones e textos");
    convert::BuildPhoneIndex();
    convert::ConvertTextDocuments();
  }
  // The clean-up deletes files whose contents a step may still be moving: it
  // waits while a step's changes wait in the journal.
  if (going() && !rec::JournalPending()) {
    ui::BeginStep(dialog, "Limpeza de arquivos");
    convert::CleanUpFolder();
  }

  plat::RestoreCursor(previous);
  SetStatusLine(dialog, "");
  // Entries refused or passed over: the run did not do all of its work.
  ShowNumberedBackups(dialog);
  rec::ShowSkipped(dialog);
  bool refused = rec::ShowRefusals(dialog);
  if (rec::FailureCount() != failures_before || refused) {
    // The first file that failed, and why, as a paragraph of its own.
    plat::ShowMessageBox(dialog, rec::WithFailureCause(kNotDone), "Lanvo", plat::kIconError | plat::kOk);
  }
  else
    plat::ShowMessageBox(dialog, "A conversão foi realizada.", "Lanvo", plat::kIconInformation | plat::kOk);
}
