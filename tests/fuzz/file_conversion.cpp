#include "tests/fuzz/file_conversion.hpp"

#include "recfile/new_file.hpp"

namespace fuzz {
namespace {

constexpr char kSmallWindowCopy[] = "WINDOW.DAT";

// A window that cuts the records at a place that changes with the input.
std::size_t SmallWindow(std::string_view input) { return 16 + input.size() % 997; }

}  // namespace

std::string ConvertAndCheck(Workspace& ws, const FileConversion& step, std::string_view input,
                            plat::Dialog* dialog) {
  ws.Write(step.source, input);
  {
    StreamPtr source = OpenToRead(step.source);
    Check(source != nullptr, std::string("cannot open ") + step.source);
    rec::NewFile target(step.target);
    Check(target.stream() != nullptr, std::string("cannot create ") + step.target);
    Check(step.convert(dialog, *source, *target.stream()), "the conversion failed on readable bytes");
    Check(!source->Failed(), "reading the source failed");
    Check(target.Commit(), std::string("cannot put ") + step.target + " in place");
  }
  std::string converted = ws.Read(step.target);
  ExpectWholeRecords(ws, step.target, static_cast<std::int64_t>(step.target_length));
  Check(converted.size() == RecordCount(input.size(), step.source_length) * step.target_length,
        std::string(step.target) + ": not one record for each record of " + step.source);
  for (std::size_t start = 0; start < converted.size(); start += step.target_length)
    for (const Stretch& s : step.blank)
      Check(converted.compare(start + s.at, s.width, std::string(s.width, ' ')) == 0,
            std::string(step.target) + ": not blank at " + std::to_string(s.at));

  {
    std::size_t window = SmallWindow(input);
    auto source = rec::Stream::Open(step.source, plat::OpenMode::kRead, window);
    auto target = rec::Stream::Open(kSmallWindowCopy, plat::OpenMode::kCreate, window);
    Check(source && target, "cannot open the streams of small window");
    Check(step.convert(dialog, *source, *target), "the conversion failed with a small window");
    Check(source->Close() && target->Close(), "closing the streams of small window failed");
  }
  Check(ws.Read(kSmallWindowCopy) == converted, "a small window changes what the conversion writes");
  FDelete(kSmallWindowCopy);
  return converted;
}

}  // namespace fuzz
