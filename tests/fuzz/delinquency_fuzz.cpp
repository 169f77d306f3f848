// The delinquency update (command 313) on any bytes: the member file
// "\Vamk\Rud\F10R4.DAT" of the rural-union product and the client file
// F10R2.DAT. The marks and the counts are checked against what the update
// does, worked out here from the bytes field by field.
#include <string>

#include "ui/text_dialog.hpp"
#include "maintenance/delinquency.hpp"
#include "maintenance/working_set.hpp"
#include "recfile/text.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

using fuzz::LineField;

constexpr char kMembers[] = "\\Vamk\\Rud\\F10R4.DAT";
constexpr char kClients[] = "F10R2.DAT";
constexpr std::size_t kLength = 1000;
constexpr std::size_t kStatusAt = 239, kTaxpayerAt = 250, kTaxpayerWidth = 18;
constexpr std::size_t kDateAt = 502, kDateWidth = 10, kCountAt = 815, kCountWidth = 3;
constexpr std::size_t kMarkAt = 232;

// The taxpayer numbers of the members in good standing, in the working set.
void MembersInGoodStanding(const std::string& members, maint::WorkingSet* set) {
  DateParts reference;  // the clock says March 2026: December 2025
  reference.year = 2025;
  reference.month = 12;
  for (std::size_t start = 0;; start += kLength) {
    auto date_text = LineField(members, start + kDateAt, kDateWidth);
    if (!date_text) return;
    DateParts date;
    ParseDate(date_text->c_str(), &date);
    std::size_t mark = start + kLength - 1;
    if (mark < members.size() && members[mark] == '+') continue;
    auto status = LineField(members, start + kStatusAt, 1);
    if (!status || (*status)[0] == '1') continue;
    auto count = LineField(members, start + kCountAt, kCountWidth);
    if (!count) continue;
    if (CompareYearMonth(reference, date) > 0 && TextToInt(count->c_str()) > 1) continue;
    auto taxpayer = LineField(members, start + kTaxpayerAt, kTaxpayerWidth);
    if (!taxpayer || (*taxpayer)[0] < '0' || (*taxpayer)[0] > '9') continue;
    set->Add(taxpayer->c_str());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Workspace ws(size);
  auto parts = fuzz::SplitInput(data, size, 3);
  const std::string& members = parts[0];
  const std::string& clients = parts[1];
  // The first byte of the last part says which files are missing.
  std::uint8_t missing = fuzz::Script(parts[2]).Byte();
  if (!(missing & 1)) ws.Write(kMembers, members);
  if (!(missing & 2)) ws.Write(kClients, clients);

  ui::TextDialog dialog(ui::DelinquencyDialogItems(), "Lanvo 3.03");
  UpdateDelinquency(&dialog);
  auto messages = ws.TakeMessages();
  fuzz::Check(messages.size() == 1, "the update showed more than its closing message");

  if (missing & 1) {
    fuzz::Check(messages[0].text == "Erro ao abrir o arquivo de sócios do Veltoral.", "a missing member file not reported");
    fuzz::Check(ws.Read(kClients) == ((missing & 2) ? "" : clients), "the clients changed without a member file");
  } else if (missing & 2) {
    fuzz::Check(messages[0].text == "Erro ao abrir o arquivo de clientes do Lanvo.", "a missing client file not reported");
    fuzz::Check(!ws.Has(kClients), "the update created the client file");
  } else {
    fuzz::Check(messages[0].text == "Processo finalizado", "the update did not finish");
    maint::WorkingSet in_good_standing;
    MembersInGoodStanding(members, &in_good_standing);
    fuzz::Check(dialog.ItemText(100) == std::to_string(in_good_standing.Count()),
                "the update counts " + dialog.ItemText(100) + " members in good standing, not " +
                    std::to_string(in_good_standing.Count()));
    std::string expected = clients;
    long up_to_date = 0, delinquent = 0;
    for (std::size_t start = 0;; start += kLength) {
      auto taxpayer = LineField(clients, start + kTaxpayerAt, kTaxpayerWidth);
      if (!taxpayer) break;
      bool found = (*taxpayer)[0] != '\0' && in_good_standing.Contains(taxpayer->c_str());
      expected[start + kMarkAt] = found ? '1' : '0';
      ++(found ? up_to_date : delinquent);
    }
    fuzz::Check(ws.Read(kClients) == expected, "the client file is not marked as the members say");
    fuzz::Check(dialog.ItemText(101) == std::to_string(up_to_date) && dialog.ItemText(102) == std::to_string(delinquent),
                "the counts of marked clients are wrong");
  }
  fuzz::Check(ws.Read(kMembers) == members || (missing & 1), "the member file changed");
  ws.ExpectOnly({kMembers, kClients});
  return 0;
}
