// The record of a conversion run that the status command and a batch read
// from their child process. The child converts its folder exactly as the
// convert command does and writes, at its end, every message box it showed
// with its icon; with steps, also a listing of the data folder and of the
// temporary folder at the start, at the beginning of every step and at the
// end, with the files read in between, the bytes it wrote and the files it
// made. The steps are told apart by the status line that the run sets as
// each begins.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "app/console_tree.hpp"

namespace console {

struct StepInfo {
  const char* id;      // for scripts
  const char* status;  // the status line the run shows while the step works
  const char* title;   // for people
};

// The steps of the run in their order.
inline constexpr StepInfo kSteps[] = {
    {"clients-r1", "Clientes (1/2)", "client file, first re-layout (F10.DAT to F10R1.DAT)"},
    {"clients-r2", "Clientes (2/2)", "client file, second re-layout (F10R1.DAT to F10R2.DAT)"},
    {"code-table", "Tabela de códigos", "code table (F13.DAT to F24.DAT)"},
    {"registrations", "Registros", "registration fix (F11.DAT and REG)"},
    {"payment-forms", "Formas de pagamento", "payment forms (F14.DAT to F14R0.DAT)"},
    {"split", "Fazendas e contas bancárias", "split of the client records into farms and bank accounts"},
    {"phones-texts", "Telefones e textos", "phone index and text documents"},
    {"clean-up", "Limpeza de arquivos", "clean-up of obsolete files and folders"},
};
// What the run does before the first step: it completes the step that an
// interrupted run left in the journal.
inline constexpr StepInfo kJournalStep = {"journal", "", "completion of an interrupted step (LANVO.JNL)"};

struct TracedMessage {
  unsigned flags = 0;  // the icon and buttons, as plat::ShowMessageBox takes them
  std::string caption, text;
};

struct Snapshot {
  std::string label;  // "start", a step id, or "end"
  Listing data, temp;
  std::set<std::string> reads;  // files of the data folder read since the snapshot before
};

struct Trace {
  std::vector<TracedMessage> messages;
  std::vector<Snapshot> snapshots;
  bool reads_complete = true;     // false when the system dropped some of the events
  std::uint64_t written = 0;      // bytes the run wrote
  std::uint64_t files_made = 0;   // files it created in the data folder
};

// The gist of a message: its first line, and the first item of a list that the line introduces.
std::string Gist(const std::string& text);

// Runs the conversion of the working folder as the convert command does
// (the dialog of the given owner title, its command 300), writing the trace
// to file at the end. answer_yes answers a Yes/No question; otherwise it is
// answered No, as on a console without a terminal.
void RunTracedConversion(const std::string& owner_title, const std::string& file, bool steps, bool answer_yes);

// Reads a trace written by RunTracedConversion; false when it is missing or cut short.
bool ReadTrace(const std::string& file, Trace* trace);

}  // namespace console
