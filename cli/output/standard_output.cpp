#include "cli/output/standard_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <streambuf>

#include "cli/commands.h"

namespace qv::cli {
namespace {

// Buffered as the C library buffers it: by lines on a terminal, so that what is
// printed shows at once and in order with standard error, else in large blocks.
class CheckedOutputBuffer final : public std::streambuf {
 public:
  CheckedOutputBuffer() : m_bByLines(isatty(STDOUT_FILENO) == 1) {}

  bool Lost() const { return m_bLost; }
  int FirstError() const { return m_nFirstError; }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return Drain() ? traits_type::not_eof(c) : c;
    const char byte = traits_type::to_char_type(c);
    return Append(&byte, 1) ? c : traits_type::eof();
  }
  std::streamsize xsputn(const char* text, std::streamsize size) override {
    return Append(text, static_cast<std::size_t>(size)) ? size : 0;
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  bool Append(const char* text, std::size_t size) {
    while (!m_bLost && size > 0) {
      const std::size_t room = sizeof m_buffer - m_nUsed;
      const std::size_t taken = size < room ? size : room;
      std::memcpy(m_buffer + m_nUsed, text, taken);
      m_nUsed += taken;
      const bool newLine = m_bByLines && std::memchr(text, '\n', taken) != nullptr;
      text += taken;
      size -= taken;
      if (m_nUsed == sizeof m_buffer || newLine) Drain();
    }
    return !m_bLost;
  }

  bool Drain() {
    const char* data = m_buffer;
    std::size_t size = m_nUsed;
    m_nUsed = 0;
    while (!m_bLost && size > 0) {
      const ssize_t written = write(STDOUT_FILENO, data, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        m_nFirstError = written < 0 ? errno : ENOSPC;
        m_bLost = true;
        break;
      }
      data += written;
      size -= static_cast<std::size_t>(written);
    }
    return !m_bLost;
  }

  const bool m_bByLines;
  char m_buffer[64 * 1024];
  std::size_t m_nUsed = 0;
  bool m_bLost = false;
  int m_nFirstError = 0;
};

// Never freed: C++ flushes std::cout once more after main returns, and a buffer
// destroyed by then would be used after its end.
CheckedOutputBuffer* g_pBuffer = nullptr;
bool g_bProblemReported = false;

}  // namespace

void InstallCheckedStandardOutput() {
  if (g_pBuffer != nullptr) return;
  g_pBuffer = new CheckedOutputBuffer;
  std::cout.rdbuf(g_pBuffer);
}

Status WriteStandardOutput(std::string_view bytes) {
  std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (std::cout.good()) return Status::Ok();
  return Status::Error(StandardOutputProblem());
}

std::string StandardOutputProblem() {
  std::cout.flush();
  if (g_pBuffer != nullptr && g_pBuffer->Lost()) return std::strerror(g_pBuffer->FirstError());
  return std::cout.bad() ? "a write failed" : "";
}

void ReportStandardOutputProblem(std::string_view command, std::string_view why) {
  if (g_bProblemReported) return;
  g_bProblemReported = true;
  std::cerr << command << ": cannot write to standard output: " << why << "\n";
}

int CloseStandardOutput(int exitCode, std::string_view command) {
  std::string why = StandardOutputProblem();
  // Some file systems report a lost write only when the file is closed. A
  // standard output closed from the start has lost nothing unless written to.
  errno = 0;
  if (close(STDOUT_FILENO) != 0 && errno != EBADF && errno != EINTR && why.empty()) why = std::strerror(errno);
  if (why.empty()) return exitCode;
  ReportStandardOutputProblem(command, why);
  return exitCode == kExitSuccess || exitCode == kExitPartial ? kExitFailed : exitCode;
}

}  // namespace qv::cli
