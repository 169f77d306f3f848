// The one-time fix of the registration files named by F11.DAT.
#include <string>
#include <vector>

#include "convert/registrations.hpp"
#include "tests/convert_support.hpp"
#include "tests/step1_layouts.hpp"

namespace {

using test::Blanked;
using test::ReadFile;
using test::Registration;
using test::Record;
using test::WriteFile;
namespace f11 = test::layout::f11;
namespace reg = test::layout::reg;

class RegistrationsTest : public test::FolderTest {};

std::string F11(const std::vector<std::string>& codes) {
  std::string bytes;
  for (const std::string& code : codes)
    bytes += Record(f11::kLength).Set(0, f11::kLength, std::string(f11::kLength, '~')).Set(f11::kCode, f11::kCodeW, code).bytes();
  return bytes;
}

TEST_F(RegistrationsTest, BlanksEveryRecordOfEveryNamedFileAndNothingElse) {
  WriteFile("F11.DAT", F11({"00008", "00016    "}));
  WriteFile("REG/F1200008.DAT", Registration('a', '+').bytes() + Registration('b', 'Z').bytes());
  WriteFile("REG/F1200016.DAT", Registration('c', 'Y'));
  WriteFile("REG/F1200024.DAT", Registration('d', 'X'));  // not named by F11.DAT
  FixRegistrations();
  EXPECT_EQ(ReadFile("REG/F1200008.DAT"),
            Blanked(Registration('a', '+')).bytes() + Blanked(Registration('b', 'Z')).bytes());
  EXPECT_EQ(ReadFile("REG/F1200016.DAT"), Blanked(Registration('c', 'Y')).bytes());
  EXPECT_EQ(ReadFile("REG/F1200024.DAT"), Registration('d', 'X').bytes());
  EXPECT_EQ(rec::OpenStreamCount(), 0u);
}

// A last record cut short has only its existing characters of 960 to 1606
// blanked: the file never grows.
TEST_F(RegistrationsTest, LastRecordCutShortIsNotGrown) {
  std::string full = Registration('a', '+').bytes();
  for (std::size_t cut : {1u, 500u, 960u, 961u, 1000u, 1607u}) {
    SCOPED_TRACE(cut);
    WriteFile("F11.DAT", F11({"1"}));
    WriteFile("REG/F121.DAT", full + full.substr(0, cut));
    FixRegistrations();
    Record blanked = Blanked(Registration('a', '+'));
    EXPECT_EQ(ReadFile("REG/F121.DAT"), blanked.bytes() + blanked.Get(0, cut));
  }
}

// Codes of F11.DAT are data: one that would reach a file outside REG, or that
// holds a character a file name cannot hold, is passed over, and the codes
// after it are still fixed.
TEST_F(RegistrationsTest, CodesThatLeaveTheFolderOrCannotNameAFileArePassedOver) {
  std::string victim = Registration('v', 'V').bytes();
  // REG\F12\..\..\V.DAT is V.DAT of the data folder once REG\F12 exists.
  test::fs::create_directories("REG/F12");
  WriteFile("V.DAT", victim);
  std::vector<std::string> codes = {"\\..\\..\\V", "/../../V"};
  std::vector<std::string> odd_names = {"A..B", "C:X", "A<B", "A>B", "A\"B", "A|B",
                                        "A?B",  "A*B", "A\tB", "A\x1F"};
  std::vector<std::string> written;  // the odd names that this system can hold
  for (const std::string& odd : odd_names) {
    codes.push_back(odd);
    WriteFile("REG/F12" + odd + ".DAT", victim);
    if (test::FileExists("REG/F12" + odd + ".DAT")) written.push_back(odd);
  }
  ASSERT_FALSE(written.empty());
  WriteFile("REG/F1200008.DAT", Registration('a', '+'));
  codes.push_back("00008");
  WriteFile("F11.DAT", F11(codes));
  FixRegistrations();
  EXPECT_EQ(ReadFile("V.DAT"), victim);
  for (const std::string& odd : written) EXPECT_EQ(ReadFile("REG/F12" + odd + ".DAT"), victim) << odd;
  EXPECT_EQ(ReadFile("REG/F1200008.DAT"), Blanked(Registration('a', '+')).bytes());
}

TEST_F(RegistrationsTest, FilesThatCannotBeOpenedAreSkipped) {
  FixRegistrations();  // no F11.DAT: nothing to do, nothing created
  EXPECT_FALSE(test::FileExists("REG"));

  WriteFile("F11.DAT", F11({"00001", "00002", "00003"}));
  WriteFile("REG/F1200002.DAT", Registration('a', '+'));
  WriteFile("REG/F1200003.DAT", Registration('b', '+'));
  plat::MakeReadOnly("REG\\F1200002.DAT");  // the update open does not clear it
  FixRegistrations();
  EXPECT_FALSE(test::FileExists("REG/F1200001.DAT"));
  EXPECT_EQ(ReadFile("REG/F1200002.DAT"), Registration('a', '+').bytes());
  EXPECT_EQ(ReadFile("REG/F1200003.DAT"), Blanked(Registration('b', '+')).bytes());
}

}  // namespace

namespace {

TEST_F(RegistrationsTest, AFixThatCouldNotBeWrittenSaysSo) {
  WriteFile("F11.DAT", F11({"00008"}));
  WriteFile("REG/F1200008.DAT", Registration('a', 'Z'));
  plat::TestHooks().before_file_op = [](plat::FileOp op) { return op != plat::FileOp::kWrite; };
  EXPECT_FALSE(FixRegistrations());
  plat::TestHooks().before_file_op = nullptr;
  EXPECT_TRUE(FixRegistrations());
  EXPECT_EQ(ReadFile("REG/F1200008.DAT"), Blanked(Registration('a', 'Z')).bytes());
  EXPECT_TRUE(FixRegistrations());  // again: nothing changes
  EXPECT_EQ(ReadFile("REG/F1200008.DAT"), Blanked(Registration('a', 'Z')).bytes());
}

}  // namespace
