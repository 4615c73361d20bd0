#pragma once
// What the tool says on stderr: errors always, warnings unless --quiet,
// notes only with --verbose. Warnings are counted for --strict.

#include <string>

enum class Verbosity { Quiet, Normal, Verbose };
void SetVerbosity(Verbosity verbosity);

// "ksdvi: FILE: what".
void ReportError(std::string const& file, std::string const& what);
// "ksdvi: FILE: warning: what": something is missing from the output.
void ReportWarning(std::string const& file, std::string const& what);
// "ksdvi: FILE: what", with --verbose only: what the tool chose or found.
void ReportNote(std::string const& file, std::string const& what);

// --strict: a command that did its work but had to leave something out (a
// font, a picture, PostScript that failed) exits with kWarningsStatus.
constexpr int kWarningsStatus = 3;
void SetStrict(bool strict);
// `status`, or kWarningsStatus for a success after warnings under --strict.
int StatusAfterWarnings(int status);
