#include "cli/output/json_output.h"

#include <cstdint>

#include "platform/text/text.h"

namespace qv::cli {
namespace {

constexpr int kIndent = 2;

std::string Dump(const Json& value) {
  // Replacing is only the last guard: names arrive here already valid, with their
  // exact form in "raw"; a message that quotes one may not.
  return value.dump(kIndent, ' ', false, Json::error_handler_t::replace);
}

// A value's own dump, placed `depth` spaces into its parent.
std::string Nested(const Json& value, std::size_t depth) {
  const std::string text = Dump(value);
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    out += c;
    if (c == '\n') out.append(depth, ' ');
  }
  return out;
}

void WriteMembers(std::ostream& out, const Json& members, bool* first) {
  for (const auto& [key, value] : members.items()) {
    out << (*first ? "{\n" : ",\n") << std::string(kIndent, ' ') << Dump(Json(key)) << ": " << Nested(value, kIndent);
    *first = false;
  }
}

std::string Hex(const unsigned char* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * count);
  for (std::size_t i = 0; i < count; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 0x0F];
  }
  return hex;
}

}  // namespace

std::string JsonText(const Json& document) { return Dump(document) + "\n"; }

Json TextOrNull(std::string_view text) { return text.empty() ? Json(nullptr) : Json(std::string(text)); }

std::string JsonRawNames::Native(const char* key, std::string_view text) {
  std::string valid = ToUtf8(FromUtf8(text));
  if (valid != text) m_raw[key] = Hex(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  return valid;
}

std::string JsonRawNames::Archive(const char* key, std::u16string_view name) {
  if (HasUnpairedSurrogate(name)) {
    std::string units;
    for (const char16_t unit : name) {
      units += static_cast<char>(unit & 0xFF);
      units += static_cast<char>(unit >> 8);
    }
    m_raw[key] = Hex(reinterpret_cast<const unsigned char*>(units.data()), units.size());
  }
  return ToUtf8(name);
}

void JsonRawNames::AddTo(Json& object) const {
  if (!m_raw.empty()) object["raw"] = m_raw;
}

JsonArrayStream::JsonArrayStream(std::ostream& out, const Json& head, std::string_view arrayKey) : m_out(out) {
  bool first = true;
  WriteMembers(m_out, head, &first);
  m_out << (first ? "{\n" : ",\n") << std::string(kIndent, ' ') << Dump(Json(std::string(arrayKey))) << ": [";
}

void JsonArrayStream::Add(const Json& element) {
  m_out << (m_bEmpty ? "\n" : ",\n") << std::string(2 * kIndent, ' ') << Nested(element, 2 * kIndent);
  m_bEmpty = false;
}

void JsonArrayStream::Finish(const Json& tail) {
  // Streamed piece by piece: g++ 12 at -O3 takes a literal + a string for an
  // overlapping copy (-Wrestrict).
  if (!m_bEmpty) m_out << '\n' << std::string(kIndent, ' ');
  m_out << ']';
  bool first = false;
  WriteMembers(m_out, tail, &first);
  m_out << "\n}\n";
}

}  // namespace qv::cli
