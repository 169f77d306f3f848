// What one conversion run must make of a data folder, worked out here from
// the file formats and the rules of each step, on whole files held in memory,
// without any of the conversion's own code; and the comparison of a converted
// folder with it, record by record and field by field. The end-to-end tests
// of the console program (and of the Windows program under Wine) run the real
// conversion on a folder and check the result with CheckConversion.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace test {

// A folder held in memory: files with their bytes and folders, by path
// relative to the folder, '/' between the parts; and the files that carry the
// read-only attribute.
struct FolderImage {
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::set<std::string> read_only;
  bool operator==(const FolderImage& other) const {
    return files == other.files && folders == other.folders;
  }
};

FolderImage ReadFolderImage(const std::filesystem::path& root);

struct ExpectedRun {
  FolderImage data;           // the data folder after the run
  FolderImage temp;           // the system's temporary folder after the run
  std::vector<std::string> messages;  // "[caption] text", in order
};

// One conversion run over the data folder data, with temp the system's
// temporary folder (whose name is shorter than 156 characters).
ExpectedRun ExpectConversion(const FolderImage& data, const FolderImage& temp);

// The differences between a folder and what it should hold, one line each;
// a record file that differs is named down to its first differing record and
// field. Empty when they are the same.
std::vector<std::string> CompareFolders(const std::string& label, const FolderImage& got,
                                        const FolderImage& want);

// Checks a converted folder: before and before_temp as they were, after and
// after_temp as the run left them, output the message boxes as the console
// printed them ("[caption] text" a line). Returns the differences.
std::vector<std::string> CheckConversion(const FolderImage& before, const FolderImage& before_temp,
                                         const std::filesystem::path& after,
                                         const std::filesystem::path& after_temp,
                                         const std::string& output);

}  // namespace test
