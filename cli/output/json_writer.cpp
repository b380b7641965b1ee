#include "cli/output/json_writer.h"

#include <cstdio>

namespace qv::cli {
namespace {

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

}  // namespace

void JsonWriter::BeforeValue() {
  if (m_bAfterKey) {
    m_bAfterKey = false;
    return;
  }
  if (m_openHasItems.empty()) return;
  if (m_openHasItems.back()) m_strText += ',';
  m_openHasItems.back() = true;
  m_strText += '\n' + std::string(2 * m_openHasItems.size(), ' ');
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  m_strText += bracket;
  m_openHasItems.push_back(false);
}

void JsonWriter::Close(char bracket) {
  const bool hadItems = !m_openHasItems.empty() && m_openHasItems.back();
  if (!m_openHasItems.empty()) m_openHasItems.pop_back();
  if (hadItems) m_strText += '\n' + std::string(2 * m_openHasItems.size(), ' ');
  m_strText += bracket;
}

JsonWriter& JsonWriter::BeginObject() {
  Open('{');
  return *this;
}
JsonWriter& JsonWriter::EndObject() {
  Close('}');
  return *this;
}
JsonWriter& JsonWriter::BeginArray() {
  Open('[');
  return *this;
}
JsonWriter& JsonWriter::EndArray() {
  Close(']');
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  BeforeValue();
  AppendQuoted(m_strText, key);
  m_strText += ": ";
  m_bAfterKey = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view value) {
  BeforeValue();
  AppendQuoted(m_strText, value);
  return *this;
}

JsonWriter& JsonWriter::Number(std::uint64_t value) {
  BeforeValue();
  m_strText += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  m_strText += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  m_strText += "null";
  return *this;
}

JsonWriter& JsonWriter::StringOrNull(std::string_view value) { return value.empty() ? Null() : String(value); }

}  // namespace qv::cli
