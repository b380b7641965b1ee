// JSON for --json: one document per run, written as it is built, two-space
// indented, keys in the order they are added. Strings are UTF-8; what JSON cannot
// hold raw is escaped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::cli {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The key of the next value inside an object.
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view value);
  JsonWriter& Number(std::uint64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  // A string, or null when it is empty.
  JsonWriter& StringOrNull(std::string_view value);

  // The document with a final line feed, once every object and array is closed.
  std::string Text() const { return m_strText + "\n"; }
  // What was built since the last call, for a long document written as it grows;
  // Text() then holds only the rest.
  std::string TakeText() {
    std::string taken;
    taken.swap(m_strText);
    return taken;
  }

 private:
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);

  std::string m_strText;
  std::vector<bool> m_openHasItems;  // per open object or array
  bool m_bAfterKey = false;
};

}  // namespace qv::cli
