// Records of the split's tests, built from named fields: the bank table
// F24.DAT (kind, code, name; deleted when asked).
#pragma once

#include <string>

#include "convert/bank_table.hpp"
#include "tests/support.hpp"

namespace test {

inline std::string BankTableRecord(char kind, const std::string& code, const std::string& name,
                                   bool deleted = false) {
  constexpr std::size_t kLength = convert::kBankTableLength;
  Record record(kLength);
  record.Set(0, 1, std::string(1, kind)).Set(1, 8, code).Set(9, 51, name);
  if (deleted) record.Set(kLength - 1, 1, "+");
  return record;
}

}  // namespace test
