// The console program: the conversion dialog and its commands for support
// technicians who convert customers' folders on Linux. Each command fills the
// dialog's items as a user would and sends the command to the same dialog
// procedure as the Windows program. Message boxes are printed as
// "[caption] text"; the exit status is 1 when one of them showed the error
// icon, 2 for a usage error. Beyond the dialog's commands: status, which
// tells what a conversion would do without changing the folder, and the
// conversion of many folders in one call.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "app/console_batch.hpp"
#include "app/console_status.hpp"
#include "app/console_trace.hpp"
#include "ui/dialog_proc.hpp"
#include "ui/text_dialog.hpp"
#include "lanvo_version.hpp"
#include "platform/platform.hpp"
#include "platform/posix/posix.hpp"
#include "recfile/stream.hpp"
#include "ui/dialog.hpp"

namespace {

constexpr char kMainTitle[] = "Lanvo 3.03";

// The edit fields take at most 3 characters.
std::string Field(const std::string& text) { return ui::FirstCharacters(text, 3); }

void Send(ui::TextDialog& dialog, int command) {
  ui::DialogProc(&dialog, ui::DialogMessage::kCommand, static_cast<unsigned>(command));
}

// The conversion dialog on the terminal: it waits for C (convert) or F (close).
void InteractiveDialog(ui::TextDialog& dialog) {
  for (;;) {
    std::cout << dialog.caption() << "\n"
              << "  Pasta:  " << dialog.ItemText(kItemFolder) << "\n"
              << "  Status: " << dialog.ItemText(kItemStatus) << "\n"
              << "  [C] Converter Versões   [F] Fechar\n> " << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) {
      std::cout << "\n";
      Send(dialog, kItemClose);
    } else if (!line.empty() && (line[0] == 'c' || line[0] == 'C')) {
      Send(dialog, kItemConvert);
    } else if (!line.empty() && (line[0] == 'f' || line[0] == 'F')) {
      Send(dialog, kItemClose);
    }
    if (dialog.ended()) return;
  }
}

// What the command line asks for.
struct Options {
  enum class Command { kDialog, kConvert, kStatus, kExport, kImport, kRegroup, kDelinquency };
  Command command = Command::kDialog;
  std::string folder, diskette, root;
  bool yes = false, no = false;
  std::string group, old_group, new_group;
  std::vector<std::string> convert_folders, status_folders;
  std::string report_file, trace_file;
  bool trace_steps = false, json = false;
  int jobs = 1;
};

// Reads the command line into options; an exit status when the program ends
// here (help, version, a usage error).
std::optional<int> ParseCommandLine(int argc, char** argv, Options& o) {
  CLI::App cli{"Converts a Lanvo data folder to release 3.03 and maintains its clients.", "lanvo303"};
  cli.set_help_flag("-h,--help", "Show this help (after a command: the help of the command)");
  cli.set_version_flag("--version", "lanvo303 " LANVO_VERSION, "Show the version and exit");
  // The options of the program may also follow the command.
  cli.fallthrough();
  cli.add_option("-C", o.folder, "Work in DIR, as if started there")->option_text("DIR");
  cli.add_option("--diskette", o.diskette,
                 "The folder that stands for drive A: (A:\\F10R2.BAK is DIR/F10R2.BAK)")
      ->option_text("DIR");
  cli.add_option("--root", o.root, "The root of the current drive (default /)")->option_text("DIR");
  auto* yes_flag = cli.add_flag("--yes", o.yes, "Answer Yes to a Yes/No question");
  cli.add_flag("--no", o.no, "Answer No to a Yes/No question")->excludes(yes_flag);
  cli.require_subcommand(0, 1);
  long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
  o.jobs = cores > 0 ? static_cast<int>(cores) : 1;
  auto* convert = cli.add_subcommand("convert", "The conversion run (\"Converter Versões\") of DIR..., or of the working folder");
  convert->add_option("DIR", o.convert_folders,
                      "Folders to convert, each in a process of its own with its own temporary folder "
                      "$TMPDIR/lanvo303-NAME-N/; a table of the results ends the run");
  convert->add_option("-j,--jobs", o.jobs, "Folders converted at a time (default: the number of cores)")
      ->check(CLI::Range(1, 1024));
  convert->add_option("--report", o.report_file, "Write the table of the results to FILE as JSON")->option_text("FILE");
  // The record of a run that status and a batch read from their child process.
  convert->add_option("--trace", o.trace_file)->group("");
  convert->add_flag("--trace-steps", o.trace_steps)->group("");
  auto* status = cli.add_subcommand(
      "status", "What a conversion of DIR... (or of the working folder) would do, changing nothing");
  status->add_option("DIR", o.status_folders, "Folders to examine");
  status->add_flag("--json", o.json, "Print the report as JSON");
  auto* export_cmd = cli.add_subcommand("export", "Export the clients of GROUP to the diskette");
  export_cmd->add_option("GROUP", o.group, "Group code")->required();
  auto* import_cmd = cli.add_subcommand("import", "Import the clients of the diskette into GROUP");
  import_cmd->add_option("GROUP", o.group, "Group code (may be empty)");
  auto* regroup = cli.add_subcommand("regroup", "Give the clients of group OLD the group NEW");
  regroup->add_option("OLD", o.old_group, "Old group")->required();
  regroup->add_option("NEW", o.new_group, "New group (may be empty)");
  auto* delinquency = cli.add_subcommand("delinquency", "Delinquency update from the member file");
  // After the commands, which would otherwise repeat it in their own help.
  cli.footer("Without a command: the conversion dialog on the terminal.\n"
             "Exit status: 0 done; 1 a message with the error icon was shown, a folder was busy, or\n"
             "(status, convert DIR...) a folder is blocked or did not convert; 2 a usage error.");

  try {
    cli.parse(argc, argv);
    if (!o.folder.empty() && (!o.convert_folders.empty() || !o.status_folders.empty()))
      throw CLI::ValidationError("-C", "give the folders either with -C or after the command, not both");
  } catch (const CLI::CallForHelp& e) {
    return cli.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return cli.exit(e);
  } catch (const CLI::ParseError& e) {
    // What was wrong, in one line, and where to read more.
    std::string what = e.what();
    for (char& c : what)
      if (c == '\n') c = ' ';
    std::string help = "lanvo303 --help";
    for (const CLI::App* sub : cli.get_subcommands()) help = "lanvo303 " + sub->get_name() + " --help";
    std::cerr << "lanvo303: " << what << "; see '" << help << "'\n";
    return 2;
  }
  using Command = Options::Command;
  const std::pair<CLI::App*, Command> commands[] = {
      {convert, Command::kConvert}, {status, Command::kStatus},   {export_cmd, Command::kExport},
      {import_cmd, Command::kImport}, {regroup, Command::kRegroup}, {delinquency, Command::kDelinquency}};
  for (const auto& [sub, command] : commands)
    if (*sub) o.command = command;
  return std::nullopt;
}

// The folders named on the command line are relative to where the program
// was started, not to the folder of -C. False when -C names no folder to work in.
bool SetUpFolders(Options& o) {
  if (!o.trace_file.empty()) {
    std::error_code error;
    o.trace_file = std::filesystem::absolute(o.trace_file, error).string();
  }
  for (std::string* named : {&o.diskette, &o.root}) {
    std::error_code error;
    if (!named->empty()) *named = std::filesystem::absolute(*named, error).string();
  }
  if (!o.folder.empty() && !plat::ChangeFolder(o.folder)) {
    std::cerr << "lanvo303: cannot work in " << o.folder << "\n";
    return false;
  }
  rec::ForgetFailureCause();
  plat::posix::SetDisketteFolder(o.diskette);
  if (!o.root.empty()) plat::posix::SetRootFolder(o.root);
  plat::posix::SetAnswer(o.yes ? plat::posix::Answer::kYes
                               : o.no ? plat::posix::Answer::kNo : plat::posix::Answer::kAsk);
  return true;
}

// One command of the dialogs, its fields filled in as a user would.
void RunDialogCommand(const Options& o) {
  using Command = Options::Command;
  switch (o.command) {
    case Command::kDelinquency: {
      ui::TextDialog dialog(ui::DelinquencyDialogItems(), kMainTitle);
      ui::DialogProc(&dialog, ui::DialogMessage::kInitDialog);
      Send(dialog, kItemDelinquency);
      std::cout << "Veltoral - CPF/CNPJ em dia: " << dialog.ItemText(kItemMembersInGoodStanding) << "\n"
                << "Grupo 1xx - Sócios em dia: " << dialog.ItemText(kItemClientsUpToDate) << "\n"
                << "Grupo 0xx - Inadimplentes: " << dialog.ItemText(kItemClientsDelinquent) << "\n";
      return;
    }
    case Command::kExport:
    case Command::kImport: {
      ui::TextDialog dialog({kItemGroupField, kItemFolder, kItemClose}, kMainTitle);
      ui::DialogProc(&dialog, ui::DialogMessage::kInitDialog);
      dialog.SetItemText(kItemGroupField, Field(o.group));
      Send(dialog, o.command == Command::kExport ? kItemExport : kItemImport);
      return;
    }
    case Command::kRegroup: {
      ui::TextDialog dialog({kItemOldGroup, kItemNewGroup, kItemFolder, kItemClose}, kMainTitle);
      ui::DialogProc(&dialog, ui::DialogMessage::kInitDialog);
      dialog.SetItemText(kItemOldGroup, Field(o.old_group));
      dialog.SetItemText(kItemNewGroup, Field(o.new_group));
      Send(dialog, kItemRegroup);
      return;
    }
    default: {
      ui::TextDialog dialog(ui::ConversionDialogItems(), kMainTitle);
      ui::DialogProc(&dialog, ui::DialogMessage::kInitDialog);
      if (o.command == Command::kConvert && !o.trace_file.empty())
        console::RunTracedConversion(kMainTitle, o.trace_file, o.trace_steps, o.yes);
      else if (o.command == Command::kConvert)
        Send(dialog, kItemConvert);
      else
        InteractiveDialog(dialog);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (std::optional<int> status = ParseCommandLine(argc, argv, o)) return *status;
  using Command = Options::Command;
  if (o.command == Command::kStatus) {
    if (o.status_folders.empty()) o.status_folders.push_back(o.folder.empty() ? "." : o.folder);
    return console::ShowStatus(o.status_folders, {o.json, o.yes});
  }
  if (o.command == Command::kConvert && o.trace_file.empty() &&
      (!o.convert_folders.empty() || !o.report_file.empty())) {
    if (o.convert_folders.empty()) o.convert_folders.push_back(o.folder.empty() ? "." : o.folder);
    return console::ConvertFolders(o.convert_folders, {o.jobs, o.report_file, o.yes});
  }
  if (!SetUpFolders(o)) return 2;
  RunDialogCommand(o);
  bool failed = plat::posix::ErrorShown() || ui::FolderWasBusy();
  // Which file failed first, and why: the messages of the commands say only
  // that something failed.
  std::string cause = rec::FailureCauseText();
  if (failed && !cause.empty()) std::cerr << "lanvo303: " << cause << "\n";
  return failed ? 1 : 0;
}
