// qvl list: one line per record, read from the record heads and the blocks' own
// fields; nothing is decoded and nothing is written.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/commands/archive_access.h"
#include "cli/output/counted.h"
#include "cli/output/json_writer.h"
#include "cli/output/scan_output.h"
#include "jobs/inspect/archive_listing.h"
#include "jobs/inspect/record_names.h"
#include "platform/text.h"

namespace qv::cli {
namespace {

std::string Flags(const ScannedRecord& record) {
  return std::string(record.bCompressed ? "c" : "-") + (record.bProtected ? "p" : "-");
}

std::string PlainSize(const ScannedRecord& record) {
  return record.bPlainKnown ? std::to_string(record.nPlainBytes) : "?";
}

void PrintText(const ArchiveListing& listing) {
  char line[160];
  std::snprintf(line, sizeof line, "%-9s %-22s %-5s %10s %10s  %s\n", "KIND", "TYPE", "FLAGS", "STORED", "PLAIN",
                "PATH");
  std::cout << line;
  std::uint64_t favorites = 0, settings = 0, stored = 0, plain = 0;
  bool plainKnown = true;
  for (const ScannedRecord& record : listing.records) {
    const bool isFile = record.nKind == kFileItemKind;
    (isFile ? favorites : settings) += 1;
    stored += record.nStoredBytes;
    plain += record.nPlainBytes;
    plainKnown = plainKnown && record.bPlainKnown;
    const std::string type = isFile ? "-" : RegTypeName(record.value.item.type);
    std::snprintf(line, sizeof line, "%-9s %-22s %-5s %10llu %10s  ", RecordKindName(record.nKind), type.c_str(),
                  Flags(record).c_str(), static_cast<unsigned long long>(record.nStoredBytes),
                  PlainSize(record).c_str());
    std::cout << line << RecordPath(record);
    if (record.state != RecordState::kSound) std::cout << "  (" << RecordStateName(record.state) << ": " << record.strProblem << ")";
    std::cout << "\n";
  }
  std::cout << Counted(listing.records.size(), "record") << " (" << Counted(favorites, "favorite") << ", "
            << Counted(settings, "setting") << "), " << stored << " bytes stored, "
            << (plainKnown ? std::to_string(plain) : "?") << " bytes plain.\n";
  std::cerr << ScanReportText(listing.report);
}

void PrintJson(const ArchiveListing& listing, const std::string& shown) {
  JsonWriter json;
  json.BeginObject().Key("archive").String(shown).Key("protected").Bool(listing.bProtected).Key("records").BeginArray();
  for (const ScannedRecord& record : listing.records) {
    json.BeginObject().Key("offset").Number(record.nOffset).Key("kind").String(RecordKindName(record.nKind));
    if (record.nKind == kFileItemKind) {
      json.Key("folder").String(ToUtf8(TextFieldValue(record.file.item.folder)))
          .Key("name").String(ToUtf8(TextFieldValue(record.file.item.name)));
    } else {
      json.Key("root").String(RootKeyName(record.value.item.root))
          .Key("key").String(ToUtf8(TextFieldValue(record.value.item.subkey)))
          .Key("value").String(ToUtf8(TextFieldValue(record.value.item.valueName)))
          .Key("type").String(RegTypeName(record.value.item.type))
          .Key("typeCode").Number(record.value.item.type);
    }
    json.Key("path").String(RecordPath(record))
        .Key("compressed").Bool(record.bCompressed)
        .Key("protected").Bool(record.bProtected)
        .Key("blocks").Number(record.nBlocks)
        .Key("storedBytes").Number(record.nStoredBytes);
    if (record.bPlainKnown) {
      json.Key("plainBytes").Number(record.nPlainBytes);
    } else {
      json.Key("plainBytes").Null();
    }
    json.Key("recordBytes").Number(record.nEndOffset - record.nOffset)
        .Key("state").String(RecordStateName(record.state))
        .Key("problem").StringOrNull(record.strProblem)
        .EndObject();
  }
  json.EndArray();
  ScanReportJson(json, listing.report);
  std::cout << json.EndObject().Text();
}

int RunListCommand(const ArchiveArgs& args) {
  InstallPlatform("");
  const OpenedArchive archive = OpenArchive("list", args, false);
  if (archive.nExitCode >= 0) return archive.nExitCode;
  ListingOptions options;
  options.strArchivePath = archive.strPath;
  options.bHasPassword = archive.bHasPassword;
  options.strPassword = archive.strPassword;
  const ArchiveListing listing = ListArchive(options);
  if (listing.check.result != ArchiveCheckResult::kOk) {
    PrintRefusal("list", args, archive.strShown, ArchiveCheckMessage(listing.check.result), listing.check.strDetail);
    return kExitFailed;
  }
  if (listing.report.bOpenFailed) {
    std::cerr << "qvl list: " << args.strArchive << ": " << listing.report.strOpenError << "\n";
    return kExitFailed;
  }
  if (args.bJson) {
    PrintJson(listing, archive.strShown);
  } else {
    PrintText(listing);
  }
  return listing.report.Clean() ? kExitSuccess : kExitPartial;
}

}  // namespace

void AddListCommand(CLI::App& app, int& exitCode) {
  auto args = std::make_shared<ArchiveArgs>();
  auto* command = app.add_subcommand("list", "List the records of an archive without restoring anything");
  command->add_option("ARCHIVE", args->strArchive, "Archive to list (.qvl)")->required();
  AddPasswordFileOption(*command, args->strPasswordFile);
  AddJsonFlag(*command, args->bJson, "the records");
  command->footer(
      "One line per record: its kind (favorite or setting), the REG_ type of a setting, the flags "
      "(c compressed, p password protected), the bytes it takes in the archive, the bytes it holds "
      "once decoded, and the favorite's stored folder and name or the setting's key and value name "
      "([(default)] for a key's unnamed value). Record heads are not encrypted, so listing needs no "
      "password; only the plain size of a record that is both compressed and protected needs it, and "
      "shows as ? without one. list never asks for a password: give --password-file or QVL_PASSWORD.\n"
      "Exit codes: 0 listed, 1 the archive was refused, 2 usage error, 3 listed, but the archive is cut "
      "short or holds data that is no record (see qvl verify).");
  command->callback([args, &exitCode] { exitCode = RunListCommand(*args); });
}

}  // namespace qv::cli
