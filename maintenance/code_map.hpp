// The code map of the client import: a temporary file in the working folder
// with one character per client code from 0 to 30000, "1" where the code is
// taken. It starts as "1", 29999 spaces and "0", so code 0 always counts as
// taken and the codes it hands out are 1 to 29999.
#pragma once

#include <string>

#include "recfile/recfile.hpp"

namespace maint {

class CodeMap {
 public:
  // The code at which the map ends: handing it out means no code is free.
  static constexpr long kEnd = 30000;

  // Makes the map file under the name TempFileName gives, or the next free
  // one when a file of that name exists already (the map must never empty a
  // file of the user's). False when no map could be written whole.
  bool Create();
  // Opens the map made by Create for reading and writing; false when it fails.
  bool Open();
  // Marks a code as taken; codes above kEnd and negative codes are ignored.
  void MarkTaken(long code);
  // Goes back to code 0 for the search.
  void Rewind();
  // The next code not taken, searching on from where the last search stopped;
  // kEnd or more when the map is exhausted.
  long NextFree();
  // True once a read or write of the map failed.
  bool Failed() const { return stream_ && stream_->Failed(); }
  // Closes the map and deletes its file.
  void Remove();
  ~CodeMap() { Remove(); }

  const std::string& name() const { return name_; }

  // Removes the maps that an import cut short left in the working folder:
  // files named as TempFileName names them (nine digits, ".tmp") whose bytes
  // are those of a map, or none (made, and cut short before it was written).
  // Any other file of such a name is the user's and stays.
  static void RemoveLeftovers();

 private:
  std::string name_;
  StreamPtr stream_;
};

}  // namespace maint
