// Step 3: the text documents of F90.DAT rewritten as the records of F40.DAT.
#pragma once

#include <string>
#include <string_view>

namespace convert {

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
