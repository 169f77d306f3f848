// The console program: the conversion dialog and its commands for support
// technicians who convert customers' folders on Linux. Each command fills the
// dialog's items as a user would and sends the command to the same dialog
// procedure as the Windows program. Message boxes are printed as
// "[caption] text"; the exit status is 1 when one of them showed the error
// icon, 2 for a usage error.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <string>

#include "app/dialog_proc.hpp"
#include "app/text_dialog.hpp"
#include "lanvo_version.hpp"
#include "platform/platform.hpp"
#include "platform/posix/posix.hpp"
#include "recfile/dialog.hpp"

namespace {

constexpr char kMainTitle[] = "Lanvo 3.03";

// The edit fields take at most 3 characters.
std::string Field(const std::string& text) { return app::FirstCharacters(text, 3); }

void Send(app::TextDialog& dialog, int command) {
  app::DialogProc(&dialog, app::DialogMessage::kCommand, static_cast<unsigned>(command));
}

// The conversion dialog on the terminal: it waits for C (convert) or F (close).
void InteractiveDialog(app::TextDialog& dialog) {
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

}  // namespace

int main(int argc, char** argv) {
  CLI::App cli{"Converts a Lanvo data folder to release 3.03 and maintains its clients.", "lanvo303"};
  cli.set_help_flag("-h,--help", "Show this help");
  cli.set_version_flag("--version", "lanvo303 " LANVO_VERSION, "Show the version and exit");
  std::string folder, diskette, root;
  bool yes = false, no = false;
  cli.add_option("-C", folder, "Work in DIR, as if started there")->option_text("DIR");
  cli.add_option("--diskette", diskette,
                 "The folder that stands for drive A: (A:\\F10R2.BAK is DIR/F10R2.BAK)")
      ->option_text("DIR");
  cli.add_option("--root", root, "The root of the current drive (default /)")->option_text("DIR");
  auto* yes_flag = cli.add_flag("--yes", yes, "Answer Yes to a Yes/No question");
  cli.add_flag("--no", no, "Answer No to a Yes/No question")->excludes(yes_flag);
  cli.require_subcommand(0, 1);

  std::string group, old_group, new_group;
  auto* convert = cli.add_subcommand("convert", "The conversion run (\"Converter Versões\")");
  auto* export_cmd = cli.add_subcommand("export", "Export the clients of GROUP to the diskette");
  export_cmd->add_option("GROUP", group, "Group code")->required();
  auto* import_cmd = cli.add_subcommand("import", "Import the clients of the diskette into GROUP");
  import_cmd->add_option("GROUP", group, "Group code (may be empty)");
  auto* regroup = cli.add_subcommand("regroup", "Give the clients of group OLD the group NEW");
  regroup->add_option("OLD", old_group, "Old group")->required();
  regroup->add_option("NEW", new_group, "New group (may be empty)");
  auto* delinquency = cli.add_subcommand("delinquency", "Delinquency update from the member file");

  try {
    cli.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return cli.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return cli.exit(e);
  } catch (const CLI::ParseError& e) {
    // What was wrong, then the whole usage: the options and the commands.
    std::cerr << "lanvo303: " << e.what() << "\n\n"
              << cli.get_formatter()->make_help(&cli, "lanvo303", CLI::AppFormatMode::Normal);
    return 2;
  }

  // The folders named on the command line are relative to where the program
  // was started, not to the folder of -C.
  for (std::string* named : {&diskette, &root}) {
    std::error_code error;
    if (!named->empty()) *named = std::filesystem::absolute(*named, error).string();
  }
  if (!folder.empty() && !plat::ChangeFolder(folder)) {
    std::cerr << "lanvo303: cannot work in " << folder << "\n";
    return 2;
  }
  plat::posix::SetDisketteFolder(diskette);
  if (!root.empty()) plat::posix::SetRootFolder(root);
  plat::posix::SetAnswer(yes ? plat::posix::Answer::kYes
                             : no ? plat::posix::Answer::kNo : plat::posix::Answer::kAsk);

  if (*delinquency) {
    app::TextDialog dialog(app::DelinquencyDialogItems(), kMainTitle);
    app::DialogProc(&dialog, app::DialogMessage::kInitDialog);
    Send(dialog, kItemDelinquency);
    std::cout << "Veltoral - CPF/CNPJ em dia: " << dialog.ItemText(kItemCount100) << "\n"
              << "Grupo 1xx - Sócios em dia: " << dialog.ItemText(kItemCount101) << "\n"
              << "Grupo 0xx - Inadimplentes: " << dialog.ItemText(kItemCount102) << "\n";
  } else if (*export_cmd || *import_cmd) {
    app::TextDialog dialog({kItemGroupField, kItemFolder, kItemClose}, kMainTitle);
    app::DialogProc(&dialog, app::DialogMessage::kInitDialog);
    dialog.SetItemText(kItemGroupField, Field(group));
    Send(dialog, *export_cmd ? kItemExport : kItemImport);
  } else if (*regroup) {
    app::TextDialog dialog({kItemOldGroup, kItemNewGroup, kItemFolder, kItemClose}, kMainTitle);
    app::DialogProc(&dialog, app::DialogMessage::kInitDialog);
    dialog.SetItemText(kItemOldGroup, Field(old_group));
    dialog.SetItemText(kItemNewGroup, Field(new_group));
    Send(dialog, kItemRegroup);
  } else {
    app::TextDialog dialog(app::ConversionDialogItems(), kMainTitle);
    app::DialogProc(&dialog, app::DialogMessage::kInitDialog);
    if (*convert)
      Send(dialog, kItemConvert);
    else
      InteractiveDialog(dialog);
  }
  return plat::posix::ErrorShown() || app::FolderWasBusy() ? 1 : 0;
}
