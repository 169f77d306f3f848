// The harnesses of the step-1 conversions that turn one source file into one
// target file: the client passes, the code table and the payment forms.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.hpp"
#include "recfile/stream.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace fuzz {

struct Stretch {
  int at;
  int width;
};

struct FileConversion {
  const char* source;
  const char* target;
  std::size_t source_length;
  std::size_t target_length;
  bool (*convert)(plat::Dialog* dialog, rec::Stream& source, rec::Stream& target);
  // Stretches of every target record that are blank whatever the source holds.
  std::vector<Stretch> blank;
};

// Writes the input as the source and converts it as the conversion run does
// (the target under its pending name, put in place when whole). Then checks
// that the conversion succeeded, that the target holds one record of its
// length for every source record, the last one cut short included, that the
// blank stretches are blank, and that the same conversion through streams
// of a small window (records then straddle its edges) writes the same bytes.
// Returns the target's bytes.
std::string ConvertAndCheck(Workspace& ws, const FileConversion& step, std::string_view input,
                            plat::Dialog* dialog = nullptr);

}  // namespace fuzz
