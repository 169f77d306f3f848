// Step 3: the phone index FTEL1.DAT built from the company and client files,
// whose phone fields shrink to the 3.03 layout on the way.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "recfile/journal.hpp"
#include "recfile/new_file.hpp"

namespace convert {

namespace phones {
constexpr char kSeparator[] = " / ";
constexpr int kLineLength = 40;  // FTEL1.DAT, CR LF included
}  // namespace phones

// What happens to the two phone fields of one record.
struct PhoneMoves {
  int first_length = 0;      // the first phone without trailing spaces
  std::string first_tail;    // its characters from the 38th on; not empty: 327..330 are blanked
  std::string second;        // the second phone to move; empty: its field stays as it is
  bool joined = false;       // the second phone also goes behind the first, after " / "
};
// first and second as read (41 and 23 characters, or fewer at the end of the
// file). A second phone that only repeats the start of the first is not moved.
PhoneMoves PlanPhoneMoves(std::string_view first, std::string_view second);

// One line of the phone index: file number, kind ("01" the tail of the first
// phone, "02" the second phone), joined flag, owner key, phone, CR LF.
std::string PhoneIndexLine(int file_number, std::string_view kind, bool joined, std::string_view owner_key,
                           std::string_view phone);
// The phone index, when FTEL1.DAT is absent.
void BuildPhoneIndex();

// The phone index made in a pass over the client file: Begin creates the
// pending index and moves the phones of the company file; MoveClientPhones
// moves those of each client record, in order, as it is written; Finish adds
// the index and the changed company file to changes and files. Begin is false
// when FTEL1.DAT is there, or the index or the company file could not be
// written; the phones then stay where they are.
class PhoneIndex {
 public:
  bool Begin();
  void MoveClientPhones(std::string& record);
  bool ClientsChanged() const { return clients_changed_; }
  bool Finish(rec::FileChanges& changes, std::vector<rec::NewFile*>& files);

 private:
  bool MovePhones(std::string& record, int file_number);

  std::optional<rec::NewFile> index_, company_;
  bool company_changed_ = false, clients_changed_ = false;
};

}  // namespace convert
