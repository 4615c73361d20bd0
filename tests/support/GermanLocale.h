#pragma once
// A German locale, which writes one and a half as "1,5", made with localedef
// into the test's own directory: ksdvi must read and write numbers the same
// in it as in C's.

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <string>

#include "support/Cli.h"
#include "support/TempDir.h"

// The directory to name in LOCPATH for "de_DE.UTF-8"; empty when the machine
// has no locale definitions to make it from.
inline std::string MakeGermanLocale(TempDir const& dir) {
    std::string const locales = dir / "locale";
    if (!HaveCommand("localedef") || !std::filesystem::exists("/usr/share/i18n/locales/de_DE")) return "";
    RunCommand("mkdir -p " + locales + " && localedef -i de_DE -f UTF-8 " + locales + "/de_DE.UTF-8 2>/dev/null");
    return std::filesystem::exists(locales + "/de_DE.UTF-8") ? locales : "";
}

// This process in the German locale, C's and C++'s global one, as a GTK or
// gtkmm program sets the user's, while it lives.
class InGermanLocale {
public:
    explicit InGermanLocale(std::string const& locales) {
        setenv("LOCPATH", locales.c_str(), 1);
        active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        if (active_) std::locale::global(std::locale("de_DE.UTF-8"));
    }
    ~InGermanLocale() {
        std::locale::global(std::locale::classic());
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
    InGermanLocale(InGermanLocale const&) = delete;
    InGermanLocale& operator=(InGermanLocale const&) = delete;

    // Whether the C library now writes a decimal comma.
    bool Active() const { return active_ && std::string(std::localeconv()->decimal_point) == ","; }

private:
    bool active_ = false;
};
