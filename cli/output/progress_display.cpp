#include "cli/output/progress_display.h"

#include <algorithm>
#include <iostream>
#include <utility>
#include <vector>

#include "cli/output/terminal_text.h"
#include "platform/platform.h"
#include "store/mfc_progress.h"

namespace qv::cli {
namespace {

// A line a terminal that will not say its width still shows whole.
constexpr std::size_t kDefaultColumns = 80;
// A job that tells a new item for every record would redraw the line thousands of
// times a second; a new item alone is shown at most this often.
constexpr std::chrono::milliseconds kItemRedraw{100};

// Characters of East Asian width take two columns.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The columns of each character of UTF-8 text (TerminalText's output: control
// characters and stray bytes are escapes of plain ASCII by then).
std::vector<std::pair<std::size_t, std::size_t>> Characters(std::string_view text) {
  std::vector<std::pair<std::size_t, std::size_t>> characters;  // start, columns
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (std::size_t i = 1; i < length && at + i < text.size(); ++i) {
      c = (c << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    }
    characters.emplace_back(at, IsWide(c) ? 2 : 1);
    at += length;
  }
  return characters;
}

std::size_t Columns(std::string_view text) {
  std::size_t columns = 0;
  for (const auto& [start, width] : Characters(text)) columns += width;
  return columns;
}

// The end of `text` in at most `columns` columns, "..." first where it was cut:
// the end of a path names the file.
std::string TailIn(std::string_view text, std::size_t columns) {
  if (Columns(text) <= columns) return std::string(text);
  if (columns < 4) return {};
  const auto characters = Characters(text);
  std::size_t used = 3;
  std::size_t from = text.size();
  for (auto it = characters.rbegin(); it != characters.rend() && used + it->second <= columns; ++it) {
    used += it->second;
    from = it->first;
  }
  return "..." + std::string(text.substr(from));
}

}  // namespace

ProgressDisplay::ProgressDisplay(std::string label) : m_strLabel(std::move(label)) {
  if (m_strLabel.empty() || !Os().StandardErrorIsTerminal()) return;
  m_bShowing = true;
  m_hWindow = Os().RegisterWindow(
      [this](std::uint32_t message, std::uint64_t wParam, std::int64_t) { OnMessage(message, wParam); });
}

ProgressDisplay::~ProgressDisplay() {
  if (m_hWindow != 0) Os().UnregisterWindow(m_hWindow);
  Clear();
}

void ProgressDisplay::OnMessage(std::uint32_t message, std::uint64_t wParam) {
  // 0 leaves the position as it was; a source that grew since it was measured can
  // report past 100, which a bar shows as full.
  if (message != WM_JOB_PROGRESS || wParam == 0) return;
  const std::uint64_t percent = std::min<std::uint64_t>(wParam, 100);
  if (m_bShown && percent == m_nShownPercent) return;
  Draw(percent, {});
}

void ProgressDisplay::OnProgress(std::string_view item, std::uint64_t done, std::uint64_t total) {
  if (!m_bShowing) return;
  const std::uint64_t percent = std::min<std::uint64_t>(MFCProgress::Percent(done, total), 100);
  if (m_bShown && percent == m_nShownPercent &&
      (item == m_strShownItem || std::chrono::steady_clock::now() - m_lastDraw < kItemRedraw)) {
    return;
  }
  Draw(percent, item);
}

void ProgressDisplay::Draw(std::uint64_t percent, std::string_view item) {
  std::string line = m_strLabel + ": " + std::to_string(percent) + "%";
  // The last column is left free: a terminal may wrap a line that fills it.
  const std::size_t columns = Os().StandardErrorColumns();
  const std::size_t fit = (columns == 0 ? kDefaultColumns : columns) - 1;
  if (!item.empty() && Columns(line) + 1 < fit) {
    // Appended in two steps: g++ 12 at -O3 takes " " + a string for an overlapping
    // copy (-Wrestrict).
    const std::string shown = TailIn(TerminalText(item), fit - Columns(line) - 1);
    line += ' ';
    line += shown;
  }
  const std::size_t drawn = Columns(line);
  // What the last line drew beyond this one is overwritten with blanks.
  std::cerr << '\r' << line << std::string(m_nShownColumns > drawn ? m_nShownColumns - drawn : 0, ' ')
            << std::flush;
  m_nShownColumns = std::max(m_nShownColumns, drawn);
  m_nShownPercent = percent;
  m_strShownItem.assign(item);
  m_lastDraw = std::chrono::steady_clock::now();
  m_bShown = true;
}

void ProgressDisplay::Clear() {
  if (!m_bShown) return;
  m_bShown = false;
  std::cerr << '\r' << std::string(m_nShownColumns, ' ') << '\r' << std::flush;
}

}  // namespace qv::cli
