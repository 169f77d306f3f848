// The park of R02 when the system's temporary folder has a name too long for
// the application's buffer: it goes below "C:\Temp\", which the POSIX layer
// places under the root folder that the console's --root sets.
#include "convert/folder_moves.hpp"

#include "platform/posix/posix.hpp"
#include "tests/support.hpp"

namespace {

using test::ReadFile;
using test::WriteFile;

class LongTempFolderTest : public test::FolderTest {
 protected:
  void SetUp() override {
    test::FolderTest::SetUp();
    test::fs::create_directory("root");
    plat::posix::SetRootFolder((folder() / "root").string());
  }
  void TearDown() override {
    plat::posix::SetRootFolder("/");
    test::FolderTest::TearDown();
  }
};

TEST_F(LongTempFolderTest, ATemporaryFolderOf156CharactersOrMoreFallsBackToCTemp) {
  std::string long_temp = (folder() / "tmp").string() + "/";
  long_temp += std::string(156 - long_temp.size(), 'x') + "/";
  WriteFile("R02/LOTE.DAT", "lot");
  EXPECT_TRUE(convert::ParkFolder("R02", "Vamk\\Lanvo", long_temp));
  EXPECT_EQ(ReadFile("root/Temp/Vamk/Lanvo/R02/LOTE.DAT"), "lot");
}

TEST_F(LongTempFolderTest, OneCharacterShorterIsUsed) {
  std::string temp = (folder() / "t").string() + "/";
  temp += std::string(155 - temp.size() - 1, 'x') + "/";
  ASSERT_EQ(temp.size(), 155u);
  test::fs::create_directories(temp);
  WriteFile("R02/LOTE.DAT", "lot");
  EXPECT_TRUE(convert::ParkFolder("R02", "Vamk\\Lanvo", temp));
  EXPECT_EQ(ReadFile(temp + "Vamk/Lanvo/R02/LOTE.DAT"), "lot");
  EXPECT_FALSE(test::FileExists("root/Temp"));
}

TEST_F(LongTempFolderTest, TheLimitCountsCharactersNotBytes) {
  // 155 characters, each "ç" two bytes: more than 156 bytes, still used.
  std::string temp = (folder() / "t").string() + "/";
  std::size_t characters = temp.size();
  while (characters < 154) {
    temp += "\xC3\xA7";
    ++characters;
  }
  temp += "/";
  ASSERT_GT(temp.size(), 156u);
  test::fs::create_directories(temp);
  WriteFile("R02/LOTE.DAT", "lot");
  EXPECT_TRUE(convert::ParkFolder("R02", "Vamk\\Lanvo", temp));
  EXPECT_EQ(ReadFile(temp + "Vamk/Lanvo/R02/LOTE.DAT"), "lot");
  EXPECT_FALSE(test::FileExists("root/Temp"));
}

}  // namespace
