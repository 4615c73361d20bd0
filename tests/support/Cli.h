#pragma once
// The test documents of tests/data, and running commands and the ksdvi tool.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

inline std::string DataFile(std::string const& name) { return std::string(KSDVI_TEST_DATA) + "/" + name; }

// The command's standard output; its exit status goes to `status`.
inline std::string RunCommand(std::string const& command, int* status = nullptr) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
    int rc = pclose(pipe.release());
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// The command's standard output; the command must succeed, a failure names it.
inline std::string RunOk(std::string const& command) {
    int status = -1;
    std::string out = RunCommand(command, &status);
    EXPECT_EQ(status, 0) << command;
    return out;
}

// `text` with every `key` replaced by `value`.
inline std::string Replaced(std::string text, std::string const& key, std::string const& value) {
    for (size_t at = 0; (at = text.find(key, at)) != std::string::npos; at += value.size())
        text.replace(at, key.size(), value);
    return text;
}

// Whether `command` exits with 0; what it prints is dropped.
inline bool Succeeds(std::string const& command) {
    int status = -1;
    RunCommand(command + " >/dev/null 2>&1", &status);
    return status == 0;
}

inline bool HaveCommand(std::string const& program) { return Succeeds("command -v " + program); }

// Whether kpathsea finds `file` (a package's .sty, a class, a font): tests
// of what an optional TeX package makes skip without it.
inline bool TexFileInstalled(std::string const& file) {
    return Succeeds("kpsewhich -must-exist " + file + " | grep -q .");
}

// `ksdvi ARGS` run in `dir`, its output redirected as `redirect` says.
inline std::string KsdviIn(std::string const& dir, std::string const& args, int* status = nullptr,
                           std::string const& redirect = " 2>/dev/null") {
    return RunCommand("cd " + dir + " && " + KSDVI_CLI + " " + args + redirect, status);
}

// `ksdvi ARGS` run in `dir`, which must succeed; standard error as it is.
inline std::string KsdviInOk(std::string const& dir, std::string const& args) {
    return RunOk("cd " + dir + " && " + KSDVI_CLI + " " + args);
}

// `ksdvi ARGS`, its standard error in the output or dropped.
inline std::string Ksdvi(std::string const& args, int* status = nullptr, bool withStderr = false) {
    return RunCommand(std::string(KSDVI_CLI) + " " + args + (withStderr ? " 2>&1" : " 2>/dev/null"), status);
}

// `ksdvi ARGS`, which must succeed: a failure names ARGS.
inline std::string KsdviOk(std::string const& args, bool withStderr = false) {
    int status = -1;
    std::string out = Ksdvi(args, &status, withStderr);
    EXPECT_EQ(status, 0) << "ksdvi " << args;
    return out;
}

// doc.tex in `dir` typeset `runs` times by `engine` with its options
// ("latex", "xelatex -no-pdf", ...); a failure carries TeX's log.
inline testing::AssertionResult Typeset(std::string const& dir, std::string const& engine, int runs = 1) {
    for (int run = 0; run < runs; ++run) {
        if (!Succeeds("cd " + dir + " && " + engine + " -interaction=batchmode -halt-on-error doc.tex")) {
            std::ifstream log(dir + "/doc.log");
            return testing::AssertionFailure() << engine << " failed:\n"
                                               << std::string(std::istreambuf_iterator<char>(log), {});
        }
    }
    return testing::AssertionSuccess();
}
