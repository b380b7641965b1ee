// Text that both --help and the manual page (qvl --man-page, docs/qvl.1) show, so
// that the two cannot drift apart.
#pragma once

namespace qv::cli {

inline constexpr char kProgramName[] = "qvl";
inline constexpr char kProgramSummary[] =
    "back up and restore Internet Explorer favorites and settings to and from one archive (.qvl)";

inline constexpr char kProgramDescription[] =
    "qvl backs up the Internet Explorer favorites (every file below the Favorites folder) and settings "
    "(every value below HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer) of a profile into one "
    "archive and puts them back; it lists, checks, extracts and exports what an archive holds. It runs the "
    "same jobs as the Quorvel window and returns their real outcome as its exit code.";

inline constexpr char kProfileText[] =
    "The profile folder holds Favorites/ and NTUSER.DAT. Choose it with --profile=DIR or QUORVEL_PROFILE; "
    "the default is $XDG_DATA_HOME/quorvel/profile. A profile folder that does not exist is an error, never "
    "made: only restore makes the default one.";

inline constexpr char kVerifyLimits[] =
    "The format has no checksums. verify finds what breaks the framing (block lengths, kind codes, end "
    "markers, a cut-off end), compressed data that no longer decodes, and encrypted blocks whose lengths no "
    "longer fit. It cannot see a changed byte in data stored without compression and encryption, nor a "
    "changed byte of cipher text in a protected record that is not compressed: both still decode, to other "
    "bytes. A change in compressed data, too, can now and then still decode.";

inline constexpr char kSalvageText[] =
    "With --salvage, damage that breaks the framing makes qvl look for the next plausible record head (kind "
    "code 1 or 2, well-formed names and flags, a block that fits) and go on from there, and say how many "
    "bytes it skipped and where; so one damaged stretch costs the records it touches, not the rest of the "
    "archive.";

inline constexpr char kPasswordText[] =
    "A password comes from --password-file FILE (its first line, up to 4096 bytes; FILE may be a pipe, and - "
    "is standard input), else from the environment variable "
    "QVL_PASSWORD when it is set and not empty, else, when standard input is a terminal, from a question "
    "without echo. It is never taken from a plain command-line argument. A UTF-8 byte-order mark at the start "
    "of the file is not part of the password. A new backup refuses a password with a character outside "
    "Windows-1252 (Western European letters, digits and signs): the archive's key would take it for \"?\", "
    "so any password with \"?\" there would open the archive. Archives protected so earlier still open with "
    "the password they were made with. backup --strong takes the password as UTF-8, any character, and "
    "needs 8 or more; list needs the password of such an archive too.";

inline constexpr char kExitCodesText[] =
    "0 success; 1 the job failed, standard output could not take what was written to it, or the archive "
    "was refused (a missing file, not an archive, a wrong password), the profile folder does not exist, or, "
    "for verify, the archive is not sound; 2 usage error (a missing or unknown argument, an unreadable "
    "password file, no password); 3 partial: the job finished but something was skipped, damaged or cut off.";

// The manual page's EXAMPLES: what each does, then the command as typed.
struct ManualExample {
  const char* szWhat;
  const char* szCommand;
};
inline constexpr ManualExample kExamples[] = {
    {"Back up the profile of a mounted Windows disk, compressed and protected; the password is asked for twice:",
     "qvl backup alice.qvl --compress --protect --profile=/mnt/win/Users/alice"},
    {"Check that every record of the archive decodes, with the password from a file nobody else can read:",
     "qvl verify alice.qvl --password-file ~/.alice-password"},
    {"List what the archive holds, without decoding it:", "qvl list alice.qvl"},
    {"See what a restore into another profile folder would change, without changing anything:",
     "qvl restore alice.qvl --dry-run --profile=/srv/profiles/alice"},
    {"Write the favorites of the Links folder and the settings (as a .reg file) into a folder, touching no "
     "profile:",
     "qvl extract alice.qvl --to alice-files 'Links/*'"},
    {"Turn the favorites into a bookmark file that browsers import:",
     "qvl export-bookmarks alice.qvl -o bookmarks.html"},
};

}  // namespace qv::cli
