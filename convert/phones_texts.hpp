// Step 3, piece by piece: the phone index FTEL1.DAT built from the company and
// client files (whose phone fields shrink to the 3.03 layout on the way), and
// the text documents of F90.DAT rewritten as the records of F40.DAT.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/pending_file.hpp"

namespace convert {

namespace phones {
constexpr int kRecordLength = 1000;  // F00R0.DAT and F10R2.DAT
constexpr int kOwnerKeyAt = 0, kOwnerKeyWidth = 10;
constexpr int kFirstPhoneAt = 290, kFirstPhoneWidth = 41;
constexpr int kSecondPhoneAt = 331, kSecondPhoneWidth = 23;  // the 18 behind belong to the split
constexpr int kFirstPhoneKept = 37;                          // the first phone field of 3.03
constexpr int kFirstPhoneTailAt = 327, kFirstPhoneTailWidth = 4;
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
  bool Finish(rec::FileChanges& changes, std::vector<PendingFile*>& files);

 private:
  bool MovePhones(std::string& record, int file_number);

  std::optional<PendingFile> index_, company_;
  bool company_changed_ = false, clients_changed_ = false;
};

namespace texts {
constexpr int kKeyWidth = 11;     // F90.DAT: key, length, text
constexpr int kLengthWidth = 5;
constexpr int kHeaderLength = 16;
constexpr int kTextLimit = 300;
constexpr int kRecordLength = 500;  // F40.DAT
}  // namespace texts

// The F40.DAT record of a document: key is the 11-character key of F90.DAT.
std::string TextDocumentRecord(std::string_view key, int length, std::string_view text);
// The text documents, when F40.DAT is absent.
void ConvertTextDocuments();

}  // namespace convert
