// The whole conversion, end to end: folders of every older release made by
// lanvo-sample are converted by the console program as a process, and every
// file of the result is checked against what the model of the conversion in
// expected_conversion.cpp makes of the same folder; a second run must change
// nothing. The model itself is checked against the conversion cases of
// ../shared/conformance when they are there.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>

#include <string>

#include "tests/expected_conversion.hpp"
#include "tests/posix/console_support.hpp"
#include "tests/support.hpp"

namespace {

namespace fs = test::fs;

using Output = test::ConsoleResult;
using test::RunShell;

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

Output Convert(const fs::path& data, const fs::path& temp) {
  return RunShell("TMPDIR=" + Quote(temp) + " " + LANVO303_EXE + " -C " + Quote(data) + " convert");
}

std::string Lines(const std::vector<std::string>& problems) {
  std::string out;
  for (std::size_t i = 0; i < problems.size() && i < 20; ++i) out += "  " + problems[i] + "\n";
  return out;
}

class ConversionEndToEnd : public test::FolderTest {
 protected:
  // Makes a sample folder with its temporary folder, converts it twice, and
  // checks both runs.
  void ConvertSample(const std::string& options) {
    fs::path data = folder() / "Lanvo", temp = folder() / "tmp";
    fs::create_directories(temp);
    Output made = RunShell(std::string(LANVO_SAMPLE_EXE) + " " + options + " " + Quote(data));
    ASSERT_EQ(made.status, 0) << made.out;
    test::FolderImage before = test::ReadFolderImage(data), before_temp = test::ReadFolderImage(temp);

    Output first = Convert(data, temp);
    EXPECT_EQ(first.status, 0);
    std::vector<std::string> problems = test::CheckConversion(before, before_temp, data, temp, first.out);
    EXPECT_TRUE(problems.empty()) << options << ", first run:\n" << Lines(problems);

    test::FolderImage converted = test::ReadFolderImage(data), converted_temp = test::ReadFolderImage(temp);
    Output second = Convert(data, temp);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "[Lanvo] A conversão foi realizada.\n");
    problems = test::CompareFolders("data folder", test::ReadFolderImage(data), converted);
    std::vector<std::string> temp_problems =
        test::CompareFolders("temporary folder", test::ReadFolderImage(temp), converted_temp);
    problems.insert(problems.end(), temp_problems.begin(), temp_problems.end());
    EXPECT_TRUE(problems.empty()) << options << ", second run:\n" << Lines(problems);
  }
};

TEST_F(ConversionEndToEnd, OldestRelease) { ConvertSample("--clients 60 --seed 11 --stage f10"); }

TEST_F(ConversionEndToEnd, OldestReleaseWithATypedCodeTable) {
  ConvertSample("--clients 30 --seed 12 --stage f10 --code-table f24");
}

TEST_F(ConversionEndToEnd, IntermediateRelease) { ConvertSample("--clients 80 --seed 21 --stage r1"); }

TEST_F(ConversionEndToEnd, IntermediateReleaseWithBothCodeTables) {
  ConvertSample("--clients 40 --seed 22 --stage r1 --code-table both");
}

TEST_F(ConversionEndToEnd, ReleaseBeforeTheSplitWithAnEarlierParkedFolder) {
  ConvertSample("--clients 120 --seed 31 --stage r2 --temp " + Quote(folder() / "tmp"));
}

TEST_F(ConversionEndToEnd, ReleaseBeforeTheSplitWithoutCodeTable) {
  ConvertSample("--clients 25 --seed 32 --stage r2 --code-table none");
}

// The folder that the Windows tier (tools/test-windows.sh) converts with
// lanvo303.exe under Wine and compares with this program's result: so the
// Windows program's conversion is checked against the model as well.
TEST_F(ConversionEndToEnd, TheWindowsTiersFolder) { ConvertSample("--clients 25 --seed 1 --stage f10"); }

// The folder of the benchmarks (bench/bench.py) at their smallest size: every
// file in proportion to 10,000 clients, hundreds of registration files and
// payment forms, thousands of text documents.
TEST_F(ConversionEndToEnd, TheBenchmarksFolderAtItsSmallestSize) {
  ConvertSample("--clients 10000 --seed 2024 --stage f10 --proportional");
}

TEST_F(ConversionEndToEnd, ManySeeds) {
  for (int seed = 100; seed < 112; ++seed) {
    const char* stages[] = {"f10", "r1", "r2"};
    std::string options = "--clients " + std::to_string(seed % 7 * 5) + " --seed " + std::to_string(seed) +
                          " --stage " + stages[seed % 3] + (seed % 2 ? " --odd-bytes" : "");
    ConvertSample(options);
    fs::remove_all(folder() / "Lanvo");
    fs::remove_all(folder() / "tmp");
    if (HasFailure()) break;
  }
}

// Line feeds, carriage returns, NULs, Ctrl-Z and bytes of 0x80 and above
// inside fields of client records of every release: the conversion copies
// them as bytes, and a field read stops after a line feed.
TEST_F(ConversionEndToEnd, OddBytesInsideFields) {
  for (const char* stage : {"f10", "r1", "r2"}) {
    ConvertSample(std::string("--clients 200 --seed 41 --odd-bytes --stage ") + stage);
    fs::remove_all(folder() / "Lanvo");
    fs::remove_all(folder() / "tmp");
    if (HasFailure()) break;
  }
}

// The model against the conversion cases: what it makes of each case's folder
// is what the case says one run makes of it.
TEST(ConversionModel, AgreesWithTheConversionCases) {
  fs::path cases = fs::path(LANVO_SOURCE_DIR) / ".." / "shared" / "conformance" / "cases";
  if (!fs::is_directory(cases)) GTEST_SKIP() << "no conversion cases beside the project";
  fs::path work = fs::temp_directory_path() / ("lanvo-model-" + std::to_string(::getpid()));
  int checked = 0;
  for (auto& entry : fs::directory_iterator(cases)) {
    std::string name = entry.path().filename().string();
    if (name.size() < 7 || name.substr(name.size() - 7) != ".tar.gz") continue;
    fs::path dir = work / name;
    fs::create_directories(dir);
    ASSERT_EQ(RunShell("tar xzf " + Quote(entry.path()) + " -C " + Quote(dir)).status, 0);
    test::ExpectedRun run = test::ExpectConversion(test::ReadFolderImage(dir / "before"),
                                                   test::ReadFolderImage(dir / "temp-before"));
    std::vector<std::string> problems =
        test::CompareFolders("data folder", test::ReadFolderImage(dir / "after"), run.data);
    std::vector<std::string> temp =
        test::CompareFolders("temporary folder", test::ReadFolderImage(dir / "temp-after"), run.temp);
    problems.insert(problems.end(), temp.begin(), temp.end());
    std::string messages;
    for (const std::string& m : run.messages) messages += m + "\n";
    EXPECT_EQ(messages, test::ReadFile(dir / "messages.txt")) << name;
    EXPECT_TRUE(problems.empty()) << name << ":\n" << Lines(problems);
    ++checked;
  }
  RunShell("chmod -R u+w " + Quote(work) + " && rm -rf " + Quote(work));
  EXPECT_GT(checked, 0);
}

}  // namespace
