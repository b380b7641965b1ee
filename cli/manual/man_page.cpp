#include "cli/manual/man_page.h"

#include <CLI/CLI.hpp>
#include <sstream>
#include <vector>

#include "cli/manual/manual_text.h"

namespace qv::cli {
namespace {

// Text as roff reads it: backslashes and minus signs escaped, and nothing at the
// start of a line that roff would take for a request.
std::string Roff(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

std::vector<std::string> Paragraphs(const std::string& text) {
  std::vector<std::string> paragraphs;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) paragraphs.push_back(line);
  }
  return paragraphs;
}

bool IsHelp(const CLI::Option* option) { return option->get_name() == "--help"; }

// "backup ARCHIVE [OPTIONS]", "extract ARCHIVE --to DIR [PATTERN...] [OPTIONS]".
std::string Synopsis(const CLI::App& command) {
  std::string synopsis = command.get_name();
  for (const CLI::Option* option : command.get_options()) {
    if (!option->get_positional()) continue;
    const std::string name = option->get_name(true) + (option->get_expected_max() > 1 ? "..." : "");
    synopsis += " " + (option->get_required() ? name : "[" + name + "]");
  }
  for (const CLI::Option* option : command.get_options()) {
    if (option->get_positional() || !option->get_required()) continue;
    synopsis += " " + option->get_name() + " " + option->get_type_name();
  }
  return synopsis + " [OPTIONS]";
}

void WriteOption(std::string& page, const CLI::Option* option) {
  page += ".TP\n";
  if (option->get_positional()) {
    page += ".I " + Roff(option->get_name(true)) + "\n";
  } else {
    std::string names;  // "-q, --quiet"
    for (const char c : option->get_name(false, true)) names += c == ',' ? std::string(", ") : std::string(1, c);
    names = "\\fB" + Roff(names) + "\\fR";
    if (option->get_items_expected_max() > 0) names += " \\fI" + Roff(option->get_type_name()) + "\\fR";
    page += names + "\n";
  }
  page += Roff(option->get_description()) + "\n";
}

void WriteCommand(std::string& page, const CLI::App& command) {
  page += ".SS \"qvl " + Roff(Synopsis(command)) + "\"\n";
  page += Roff(command.get_description()) + ".\n";
  for (const CLI::Option* option : command.get_options()) {
    if (!IsHelp(option)) WriteOption(page, option);
  }
  for (const std::string& paragraph : Paragraphs(command.get_footer())) page += ".PP\n" + Roff(paragraph) + "\n";
}

}  // namespace

std::string ManPage(const CLI::App& app, const std::string& version, const std::string& date) {
  std::string page;
  page += ".\\\" The manual of qvl, made by qvl --man-page from the text of its --help.\n";
  page += ".TH QVL 1 \"" + date + "\" \"qvl " + Roff(version) + "\" \"User Commands\"\n";
  page += ".SH NAME\nqvl \\- " + Roff(kProgramSummary) + "\n";
  page += ".SH SYNOPSIS\n.B qvl\n.I COMMAND\n.RI [ OPTIONS ]\n.br\n.B qvl\n.I COMMAND\n.B \\-\\-help\n.br\n"
          ".B qvl \\-\\-version\n";
  page += ".SH DESCRIPTION\n" + Roff(kProgramDescription) + "\n.PP\n" + Roff(kProfileText) + "\n";
  page += ".SH COMMANDS\n";
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
    WriteCommand(page, *command);
  }
  page += ".SH PASSWORDS\n" + Roff(kPasswordText) + "\n";
  page += ".SH EXIT STATUS\n" + Roff(kExitCodesText) + "\n";
  page += ".SH ENVIRONMENT\n"
          ".TP\n.B QUORVEL_PROFILE\nThe profile folder when \\-\\-profile is not given.\n"
          ".TP\n.B XDG_DATA_HOME\nWhere the default profile folder lies: $XDG_DATA_HOME/quorvel/profile, "
          "else ~/.local/share/quorvel/profile.\n"
          ".TP\n.B QVL_PASSWORD\nThe archive's password when \\-\\-password\\-file is not given; empty counts as none.\n";
  page += ".SH EXAMPLES\n";
  for (const ManualExample& example : kExamples) {
    page += ".PP\n" + Roff(example.szWhat) + "\n.PP\n.RS\n.nf\n" + Roff(example.szCommand) + "\n.fi\n.RE\n";
  }
  page += ".SH SEE ALSO\n.BR quorvel (1),\nthe window.\n.PP\n"
          "The full manual qvl.md, with profiles.md (profile folders, mounting a Windows disk) and format.md (the "
          "archive byte for byte), is installed in /usr/share/doc/quorvel/ (share/doc/quorvel/ below the prefix of "
          "an install from source).\n";
  return page;
}

}  // namespace qv::cli
