// The working folder at start-up, in the test prefix whose drives A: and D:
// are folders of the prefix (tools/wine-prefix.sh).
#include <filesystem>
#include <system_error>

#include "platform/platform.hpp"
#include "platform/win32/win32.hpp"
#include "tests/support.hpp"

namespace {

namespace fs = test::fs;

class StartFolderTest : public test::FolderTest {
 protected:
  static std::string SettleFrom(const std::string& folder) {
    EXPECT_TRUE(plat::ChangeFolder(folder)) << folder;
    plat::win32::SettleWorkingFolder();
    return plat::CurrentFolder();
  }
};

TEST_F(StartFolderTest, FromDriveAOrCToTheDataFolderOfDriveC) {
  if (!plat::IsFolder("A:\\")) GTEST_SKIP() << "no drive A: here";
  const fs::path data = "C:\\Vamk\\Lanvo";
  std::error_code ignored;
  // Made here when missing, and then removed again; an existing one (a real
  // installation) is never touched.
  bool made = false;
  if (!fs::exists(data)) {
    // No data folder: the current folder of drive C:, which is its root for a
    // program that has not been there yet.
    std::string folder = SettleFrom("A:\\");
    EXPECT_EQ(folder.substr(0, 2), "C:");
    EXPECT_NE(folder, data.string());
    made = fs::create_directories(data);
  }
  EXPECT_EQ(SettleFrom("A:\\"), "C:\\Vamk\\Lanvo");
  EXPECT_EQ(SettleFrom("a:\\"), "C:\\Vamk\\Lanvo");
  std::string elsewhere_on_c = fs::temp_directory_path().string();
  if (elsewhere_on_c.rfind("C:", 0) == 0) {
    EXPECT_EQ(SettleFrom(elsewhere_on_c), "C:\\Vamk\\Lanvo");
  }
  EXPECT_EQ(SettleFrom("C:\\"), "C:\\Vamk\\Lanvo");
  if (made) {
    plat::ChangeFolder(folder().string());  // a folder in use cannot be removed
    fs::remove(data, ignored);
    fs::remove(data.parent_path(), ignored);
  }
}

TEST_F(StartFolderTest, OtherDrivesKeepTheirFolder) {
  if (!plat::IsFolder("D:\\")) GTEST_SKIP() << "no drive D: here";
  EXPECT_EQ(SettleFrom("D:\\"), "D:\\");
  // The host's files, as Wine shows them.
  if (plat::IsFolder("Z:\\tmp")) {
    EXPECT_EQ(SettleFrom("Z:\\tmp"), "Z:\\tmp");
  }
}

}  // namespace
