// qvl list: one line per record, read from the record heads and the blocks' own
// fields; nothing is decoded and nothing is written.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "cli/commands.h"
#include "cli/commands/archive_command.h"
#include "cli/output/counted.h"
#include "cli/output/json_output.h"
#include "cli/output/scan_output.h"
#include "cli/output/terminal_text.h"
#include "jobs/inspect/archive_listing.h"
#include "jobs/inspect/record_names.h"
#include "platform/text/text.h"

namespace qv::cli {
namespace {

std::string Flags(const ScannedRecord& record) {
  return std::string(record.bCompressed ? "c" : "-") + (record.bSealed ? "s" : record.bProtected ? "p" : "-");
}

std::string PlainSize(const ScannedRecord& record) {
  return record.bPlainKnown ? std::to_string(record.nPlainBytes) : "?";
}

// Lines as the records come, then the totals; with -q, only what went wrong.
class TextSink : public ListingSink {
 public:
  explicit TextSink(const bool& quiet) : m_bQuiet(quiet) {}
  void OnAccepted(const ArchiveListing&) override {
    if (m_bQuiet) return;
    char line[160];
    std::snprintf(line, sizeof line, "%-9s %-22s %-5s %10s %10s  %s\n", "KIND", "TYPE", "FLAGS", "STORED", "PLAIN",
                  "PATH");
    std::cout << line;
  }
  void OnRecord(const ScannedRecord& record) override {
    const bool isFile = record.nKind == kFileItemKind;
    (isFile ? m_nFavorites : m_nSettings) += 1;
    m_nStored += record.nStoredBytes;
    m_nPlain += record.nPlainBytes;
    m_bPlainKnown = m_bPlainKnown && record.bPlainKnown;
    if (m_bQuiet) return;
    const std::string type = isFile ? "-" : RegTypeName(record.value.item.type);
    char line[160];
    std::snprintf(line, sizeof line, "%-9s %-22s %-5s %10llu %10s  ", RecordKindName(record.nKind), type.c_str(),
                  Flags(record).c_str(), static_cast<unsigned long long>(record.nStoredBytes),
                  PlainSize(record).c_str());
    std::cout << line << TerminalText(RecordPath(record));
    if (record.state != RecordState::kSound) {
      std::cout << "  (" << RecordStateName(record.state) << ": " << TerminalText(record.strProblem) << ")";
    }
    std::cout << "\n";
  }
  void Finish(const ArchiveListing& listing) const {
    std::cout << Counted(m_nFavorites + m_nSettings, "record") << " (" << Counted(m_nFavorites, "favorite") << ", "
              << Counted(m_nSettings, "setting") << "), " << Counted(m_nStored, "byte") << " stored, "
              << (m_bPlainKnown ? Counted(m_nPlain, "byte") : std::string("? bytes")) << " plain.\n";
    std::cerr << ScanReportText(listing.report);
  }

 private:
  const bool& m_bQuiet;  // the option's, known once the line is parsed
  std::uint64_t m_nFavorites = 0, m_nSettings = 0, m_nStored = 0, m_nPlain = 0;
  bool m_bPlainKnown = true;
};

// One document, written out record by record.
class JsonSink : public ListingSink {
 public:
  explicit JsonSink(std::string shown) : m_strShown(std::move(shown)) {}
  void OnAccepted(const ArchiveListing& listing) override {
    m_records.emplace(std::cout, Json{{"archive", m_strShown}, {"protected", listing.bProtected}}, "records");
  }
  void OnRecord(const ScannedRecord& record) override {
    JsonRawNames raw;
    Json json = {{"offset", record.nOffset}, {"kind", RecordKindName(record.nKind)}};
    if (record.nKind == kFileItemKind) {
      json["folder"] = raw.Archive("folder", TextFieldValue(record.file.item.folder));
      json["name"] = raw.Archive("name", TextFieldValue(record.file.item.name));
    } else {
      json["root"] = RootKeyName(record.value.item.root);
      json["key"] = raw.Archive("key", TextFieldValue(record.value.item.subkey));
      json["value"] = raw.Archive("value", TextFieldValue(record.value.item.valueName));
      json["type"] = RegTypeName(record.value.item.type);
      json["typeCode"] = record.value.item.type;
    }
    json["path"] = RecordPath(record);
    json["compressed"] = record.bCompressed;
    json["protected"] = record.bProtected || record.bSealed;
    json["sealed"] = record.bSealed;
    json["blocks"] = record.nBlocks;
    json["storedBytes"] = record.nStoredBytes;
    json["plainBytes"] = record.bPlainKnown ? Json(record.nPlainBytes) : Json(nullptr);
    json["recordBytes"] = record.nEndOffset - record.nOffset;
    json["state"] = RecordStateName(record.state);
    json["problem"] = TextOrNull(record.strProblem);
    raw.AddTo(json);
    m_records->Add(json);
  }
  void Finish(const ArchiveListing& listing) {
    if (!m_records) OnAccepted(listing);  // the document is whole whatever came
    Json tail = Json::object();
    ScanReportJson(tail, listing.report);
    m_records->Finish(tail);
  }

 private:
  std::string m_strShown;
  std::optional<JsonArrayStream> m_records;  // from the archive's acceptance on
};

class ListCommand final : public ArchiveCommand {
 public:
  ListCommand()
      : ArchiveCommand("list", "List the records of an archive without restoring anything",
                       PasswordUse::kOnlyWhenGiven, SignalUse::kEndTheProcess) {}

 private:
  void AddOptions(CLI::App& command) override {
    command.add_option("ARCHIVE", m_args.strArchive, "Archive to list (.qvl)")->required();
    AddPasswordFileOption(command, m_args.strPasswordFile, false);
    AddJsonFlag(command, m_args.bJson, "the records");
    AddQuietFlag(command, m_args.bQuiet,
                 "No lines and no totals, unless the archive is cut short or holds data that is no record");
    command.footer(
        "One line per record: its kind (favorite or setting), the REG_ type of a setting, the flags "
        "(c compressed, p password protected, s strongly protected), the bytes it takes in the archive, "
        "the bytes it holds once decoded, and the favorite's stored folder and name or the setting's key and value name "
        "([(default)] for a key's unnamed value). Record heads are not encrypted, so listing needs no "
        "password; only the plain size of a record that is both compressed and protected needs it, and "
        "shows as ? without one. A strongly protected archive (backup --strong) seals its heads too and "
        "needs its password. list never asks for a password: give --password-file or QVL_PASSWORD.\n"
        "Exit codes: 0 listed, 1 the archive was refused, 2 usage error, 3 listed, but the archive is cut "
        "short or holds data that is no record (see qvl verify).");
  }

  void RunJob(const OpenedArchive& archive, const JobControls& /*controls*/) override {
    ListingOptions options;
    options.strArchivePath = archive.strPath;
    options.bHasPassword = archive.bHasPassword;
    options.strPassword = archive.strPassword;
    m_jsonSink.emplace(archive.strShown);
    m_listing = ListArchive(options, m_args.bJson ? static_cast<ListingSink&>(*m_jsonSink) : m_textSink);
  }

  std::optional<JobRefusal> Refusal() const override { return RefusalOf(m_listing.check); }

  int ExitCode() const override {
    if (m_listing.report.bOpenFailed) return kExitFailed;
    return m_listing.report.Clean() ? kExitSuccess : kExitPartial;
  }

  // The JSON document is closed whatever happened, so that it still parses.
  void PrintJson(const OpenedArchive& /*archive*/) override {
    m_jsonSink->Finish(m_listing);
    PrintOpenFailure();
  }

  void PrintText(const OpenedArchive& /*archive*/) override {
    PrintOpenFailure();
    if (!m_listing.report.bOpenFailed) m_textSink.Finish(m_listing);
  }

  void PrintOpenFailure() const {
    if (!m_listing.report.bOpenFailed) return;
    std::cerr << "qvl list: " << m_args.strArchive << ": " << m_listing.report.strOpenError << "\n";
  }

  TextSink m_textSink{m_args.bQuiet};
  std::optional<JsonSink> m_jsonSink;  // opens with the archive's shown name
  ArchiveListing m_listing;
};

}  // namespace

void AddListCommand(CLI::App& app, int& exitCode) {
  ArchiveCommand::Add(std::make_shared<ListCommand>(), app, exitCode);
}

}  // namespace qv::cli
