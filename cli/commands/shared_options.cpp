#include <CLI/CLI.hpp>

#include "cli/commands.h"

namespace qv::cli {

void AddPasswordFileOption(CLI::App& command, std::string& passwordFile, bool asks) {
  command.add_option("--password-file", passwordFile,
                     std::string("Password of a protected archive, on the file's first line (- or a pipe: what "
                                 "another program writes there); else QVL_PASSWORD") +
                         (asks ? ", else a question on the terminal" : "; never asked for"))
      ->type_name("FILE");
}

void AddJsonFlag(CLI::App& command, bool& json, const std::string& what) {
  command.add_flag("--json", json, "Print " + what + " as JSON on standard output");
}

void AddQuietFlag(CLI::App& command, bool& quiet, const std::string& what) {
  command.add_flag("-q,--quiet", quiet, what);
}

}  // namespace qv::cli
