// JSON for --json, through nlohmann::ordered_json: one document per run, two-space
// indented, keys in the order they are added, a final line feed. Every document is
// valid UTF-8, whatever the names it carries: a name that is not UTF-8 shows U+FFFD
// where it does not decode, and the object that holds it gets its exact form in
// "raw" (see docs/qvl.md).
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>

namespace qv::cli {

using Json = nlohmann::ordered_json;

// The document as qvl writes it.
std::string JsonText(const Json& document);

// A text, or null when it is empty.
Json TextOrNull(std::string_view text);

// The exact forms of the names an object holds that are not UTF-8, for its "raw"
// member: {"name": "HEX", ...}.
class JsonRawNames {
 public:
  // A name or path of this machine: as it is when it is UTF-8; otherwise with
  // U+FFFD for what does not decode, and its bytes in hex under `key`.
  std::string Native(const char* key, std::string_view text);
  // A name read from an archive (UTF-16, which may hold a surrogate without its
  // partner): UTF-8 with U+FFFD for such a unit, and its UTF-16LE units in hex.
  std::string Archive(const char* key, std::u16string_view name);
  // Adds "raw" to `object` when any name needed it.
  void AddTo(Json& object) const;

 private:
  Json m_raw = Json::object();
};

// A document around one long array, written as it grows so that the array is
// never held whole: the members before the array, its elements one by one, then
// the members after it. The bytes are those JsonText gives for the whole document.
class JsonArrayStream {
 public:
  JsonArrayStream(std::ostream& out, const Json& head, std::string_view arrayKey);
  void Add(const Json& element);
  // The members after the array; ends the document.
  void Finish(const Json& tail);

 private:
  std::ostream& m_out;
  bool m_bEmpty = true;
};

}  // namespace qv::cli
