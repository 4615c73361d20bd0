#include "Messages.h"

#include <atomic>
#include <iostream>
#include <mutex>

namespace {

Verbosity verbosity = Verbosity::Normal;
bool strictWarnings = false;
std::atomic<int> warnings{0};
std::mutex lineLock;  // render's workers report side by side

void Say(std::string const& file, std::string const& what) {
    std::lock_guard<std::mutex> lock(lineLock);
    std::cerr << "ksdvi: " << file << ": " << what << std::endl;
}

}  // namespace

void SetVerbosity(Verbosity v) { verbosity = v; }

void ReportError(std::string const& file, std::string const& what) { Say(file, what); }

void ReportWarning(std::string const& file, std::string const& what) {
    ++warnings;
    if (verbosity != Verbosity::Quiet) Say(file, "warning: " + what);
}

void ReportNote(std::string const& file, std::string const& what) {
    if (verbosity == Verbosity::Verbose) Say(file, what);
}

void SetStrict(bool strict) { strictWarnings = strict; }

int StatusAfterWarnings(int status) { return strictWarnings && status == 0 && warnings > 0 ? kWarningsStatus : status; }
