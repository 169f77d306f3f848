#include "recfile/refusals.hpp"

#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace rec {
namespace {

const char* Why(plat::Refusal why) {
  switch (why) {
    case plat::Refusal::kLink: return "é um link, não um arquivo comum";
    case plat::Refusal::kNotRegular: return "não é um arquivo comum (pipe, socket, dispositivo ou pasta)";
    case plat::Refusal::kHardLinks: return "tem mais de um nome (link físico) e seria alterado também no outro";
    case plat::Refusal::kBadName: return "tem um nome que não é de arquivo (separador de pastas, \".\" ou \"..\")";
    case plat::Refusal::kCaseClash: return "são nomes que diferem só em maiúsculas e minúsculas; deixe um só";
    case plat::Refusal::kNotFolder: return "não é uma pasta";
    case plat::Refusal::kUnreadable: return "não pôde ser lido (falta permissão); nada foi dado por feito";
  }
  return "";
}

}  // namespace

bool ShowRefusals(plat::Dialog* dialog) {
  const auto& entries = plat::RefusedEntries();
  if (entries.empty()) return false;
  std::string text = "Os itens abaixo não foram usados nem alterados:\n";
  for (const plat::RefusedEntry& entry : entries) text += "  " + entry.name + ": " + Why(entry.why) + "\n";
  text += "Remova-os ou troque-os por arquivos comuns e execute novamente.";
  plat::ShowMessageBox(dialog, text, "Lanvo", plat::kIconError | plat::kOk);
  return true;
}

std::vector<std::string>& Skipped() {
  static std::vector<std::string> skipped;
  return skipped;
}

void NoteSkipped(const std::string& text) { Skipped().push_back(text); }

bool ShowSkipped(plat::Dialog* dialog) {
  if (Skipped().empty()) return false;
  std::string text;
  for (const std::string& line : Skipped()) text += (text.empty() ? "" : "\n") + line;
  Skipped().clear();
  plat::ShowMessageBox(dialog, text, "Lanvo", plat::kIconWarning | plat::kOk);
  return true;
}

}  // namespace rec
