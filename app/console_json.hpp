// A small writer of JSON for the console's --json and --report outputs. Names
// of a data folder are bytes (code page 1252 more often than UTF-8): bytes
// that are not UTF-8 are written as the characters of the same number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace console {

class JsonWriter {
 public:
  JsonWriter& BeginObject() { return Open('{'); }
  JsonWriter& EndObject() { return Close('}'); }
  JsonWriter& BeginArray() { return Open('['); }
  JsonWriter& EndArray() { return Close(']'); }
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view text);
  JsonWriter& Number(std::int64_t value);
  JsonWriter& Number(double value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // The text written so far, ending in a line feed once everything is closed.
  std::string Text() const { return out_ + "\n"; }

 private:
  JsonWriter& Open(char bracket);
  JsonWriter& Close(char bracket);
  void BeforeValue();
  void NewLine();

  std::string out_;
  std::vector<bool> empty_;  // per open bracket: nothing in it yet
  bool after_key_ = false;
};

// text as a JSON string, quotes included.
std::string JsonQuote(std::string_view text);

}  // namespace console
