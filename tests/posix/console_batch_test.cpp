// lanvo303 convert DIR...: folders converted side by side end as each would
// alone, each parks in its own temporary folder, and the table and the JSON
// report say what became of each; a broken folder fails alone.
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>

#include "tests/posix/console_support.hpp"
#include "tests/support.hpp"

namespace {

using nlohmann::json;
namespace fs = test::fs;

// The clients of a converted folder: the records of F10R2.DAT not marked deleted.
long Clients(const fs::path& folder) {
  std::string bytes = test::ReadFile(folder / "F10R2.DAT");
  long count = 0;
  for (std::size_t end = 1000; end <= bytes.size(); end += 1000) count += bytes[end - 1] != '+';
  return count;
}

class ConsoleBatchTest : public test::FolderTest {};

TEST_F(ConsoleBatchTest, EachFolderEndsAsItsOwnConversion) {
  // Four folders all named "data", so that only the number keeps their parks apart.
  const std::map<std::string, std::string> samples = {
      {"a", "--clients 20 --seed 4 --stage f10"},
      {"b", "--clients 35 --seed 3 --stage r1"},
      {"c", "--clients 12 --seed 5 --stage r2"},
      {"broken", "--clients 5 --seed 8"},
  };
  for (const auto& [name, options] : samples) {
    for (const std::string& copy : {name, "alone-" + name}) {
      auto r = test::RunShell(std::string(LANVO_SAMPLE_EXE) + " " + options + " " + copy + "/data");
      ASSERT_EQ(r.status, 0) << r.out;
    }
  }
  for (const char* copy : {"broken/data/LANVO.JNL", "alone-broken/data/LANVO.JNL"})
    test::WriteFile(copy, "not a journal of this program\n");
  const auto broken_before = test::Snapshot("broken/data");
  // Each alone, as -C converts one folder, with a temporary folder of its own.
  for (const auto& [name, options] : samples) {
    fs::create_directories("alone-" + name + "/tmp");
    test::RunShell("TMPDIR=$PWD/alone-" + name + "/tmp " LANVO303_EXE " -C alone-" + name + "/data convert");
  }

  fs::create_directory("tmp");
  auto r = test::RunShell("TMPDIR=$PWD/tmp " LANVO303_EXE
                          " convert -j 2 --report report.json a/data b/data broken/data c/data");
  EXPECT_EQ(r.status, 1) << r.out;
  json report = json::parse(test::ReadFile("report.json"));
  ASSERT_EQ(report["folders"].size(), 4u);
  EXPECT_EQ(report["converted"], 3);
  EXPECT_EQ(report["failed"], 1);

  std::set<std::string> parks;
  for (const json& folder : report["folders"]) {
    const std::string given = folder["folder"];
    const std::string name = fs::path(given).parent_path().string();
    SCOPED_TRACE(given);
    EXPECT_EQ(test::Snapshot(given), test::Snapshot("alone-" + name + "/data"));
    const bool broken = name == "broken";
    EXPECT_EQ(folder["result"], broken ? "failed" : "converted");
    // Its messages, each line with the folder before it.
    EXPECT_NE(r.out.find(given + ": [Lanvo] " + (broken ? "O arquivo LANVO.JNL" : "A conversão foi realizada.")),
              std::string::npos)
        << r.out;
    if (broken) {
      EXPECT_EQ(test::Snapshot(given), broken_before);
      EXPECT_NE(folder["cause"].get<std::string>().find("LANVO.JNL"), std::string::npos);
      EXPECT_TRUE(folder["temp"].is_null());  // nothing parked: its temporary folder went
      continue;
    }
    EXPECT_EQ(folder["clients"], Clients(given));
    // What it parked, in its own temporary folder: what the run alone parked.
    if (test::Snapshot("alone-" + name + "/tmp").empty()) {
      EXPECT_TRUE(folder["temp"].is_null());
    } else {
      const std::string temp = folder["temp"];
      EXPECT_EQ(fs::path(temp).parent_path(), fs::current_path() / "tmp");
      EXPECT_EQ(fs::path(temp).filename().string().rfind("lanvo303-data-", 0), 0u) << temp;
      EXPECT_TRUE(parks.insert(temp).second);
      EXPECT_EQ(test::Snapshot(temp), test::Snapshot("alone-" + name + "/tmp"));
    }
    // The table's row says the same.
    std::regex row("(^|\n)" + given + " +converted +" + std::to_string(Clients(given)) + " +[0-9.]+ s\n");
    EXPECT_TRUE(std::regex_search(r.out, row)) << r.out;
  }
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\nbroken/data +failed +- +[0-9.]+ s +O arquivo LANVO.JNL")))
      << r.out;
  EXPECT_GE(parks.size(), 2u);  // folders of one name parked apart
  // Nothing else was left in the temporary folder.
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(fs::current_path() / "tmp")) left.insert(entry.path().string());
  EXPECT_EQ(left, parks);
}

}  // namespace
