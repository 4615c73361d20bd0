// The manual page and the shell completions name every command the tool has
// and every option of each, as `ksdvi --help` lists them.

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "support/Cli.h"
#include "support/TempFile.h"

namespace {

std::string const kDocs = KSDVI_TEST_DATA "/../../docs";

// The commands `ksdvi --help` lists.
std::set<std::string> Commands() {
    std::istringstream in(KsdviOk("--help"));
    std::set<std::string> commands;
    bool listed = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("Subcommands:", 0) == 0) {
            listed = true;
        } else if (listed && line.empty()) {
            break;
        } else if (listed) {
            std::istringstream words(line);
            std::string word;
            words >> word;
            commands.insert(word);
        }
    }
    return commands;
}

// The long options of `command`, as a user types them (-pp for --pp).
std::set<std::string> LongOptions(std::string const& command) {
    std::string const help = KsdviOk(command + " --help");
    std::set<std::string> options;
    std::regex const option(R"((^|[ ,])(--[a-z][a-z-]*))");
    std::istringstream in(help);
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(' ') == std::string::npos || line[line.find_first_not_of(' ')] != '-') continue;
        std::string const names = line.substr(0, line.find("  ", line.find_first_not_of(' ')));
        for (std::sregex_iterator it(names.begin(), names.end(), option), end; it != end; ++it) {
            std::string const name = (*it)[2];
            if (name != "--help") options.insert(name == "--pp" ? "-pp" : name);
        }
    }
    return options;
}

// How each file writes an option: the man page escapes its hyphens, fish
// names it after -l (or -o, for -pp).
std::string AsManPage(std::string const& text) {
    std::string out;
    for (char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}
std::string AsFish(std::string const& option) {
    return option.rfind("--", 0) == 0 ? "-l " + option.substr(2) : "-o " + option.substr(1);
}

// Whether `text` holds `needle`.
bool Holds(std::string const& text, std::string const& needle) { return text.find(needle) != std::string::npos; }

TEST(CliDocs, ManPageAndCompletionsNameEveryCommandAndOption) {
    struct Doc {
        char const* file;
        bool (*names)(std::string const& text, std::string const& command);
        std::string (*option)(std::string const&);
    } const kDocFiles[] = {
        {"/man/ksdvi.1", [](std::string const& t, std::string const& c) { return Holds(t, ".SS " + c + "\n"); },
         AsManPage},
        {"/completions/ksdvi.bash",
         [](std::string const& t, std::string const& c) {
             std::string const start = "local commands=\"";
             size_t const list = t.find(start);
             if (list == std::string::npos) return false;
             size_t const from = list + start.size();
             std::string words = " ";  // appended: GCC 12 at -O3 warns of " " + a temporary (-Wrestrict)
             words.append(t, from, t.find('"', from) - from).append(" ");
             return Holds(words, " " + c + " ");
         },
         [](std::string const& o) { return o; }},
        {"/completions/_ksdvi", [](std::string const& t, std::string const& c) { return Holds(t, "'" + c + ":"); },
         [](std::string const& o) { return o; }},
        {"/completions/ksdvi.fish",
         [](std::string const& t, std::string const& c) { return Holds(t, "-a " + c + " -d"); }, AsFish},
    };
    std::set<std::string> const commands = Commands();
    ASSERT_GT(commands.size(), 10u);
    for (Doc const& doc : kDocFiles) {
        std::string const text = ReadFileText(kDocs + doc.file);
        ASSERT_FALSE(text.empty()) << doc.file;
        for (std::string const& command : commands) {
            EXPECT_TRUE(doc.names(text, command)) << doc.file << " lacks " << command;
            for (std::string const& option : LongOptions(command))
                EXPECT_TRUE(Holds(text, doc.option(option))) << doc.file << " lacks " << command << " " << option;
        }
    }
}

}  // namespace
