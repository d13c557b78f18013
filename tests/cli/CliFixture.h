// brelk run in the test process on image files in a temporary folder.
#pragma once

#include "cli/Cli.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace brelktest {

struct TResult {
    int Status;
    std::string Out, Err;
};

struct CliFixture : ::testing::Test {
    TTempDir Dir;
    std::string Card = Dir.Path("card.img").string();

    TResult Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        int status = brelk::cli::RunBrelk(args, out, err);
        return {status, out.str(), err.str()};
    }
    // As Run, with Input on standard input and the streams that are terminals.
    TResult RunWith(std::vector<std::string> args, const std::string& input,
                    brelk::cli::TTerminals terminals) {
        std::istringstream in(input);
        std::ostringstream out, err;
        int status = brelk::cli::RunBrelk(args, out, err, in, terminals);
        return {status, out.str(), err.str()};
    }
    std::string File(const std::string& name, const std::string& contents) {
        std::string path = Dir.Path(name).string();
        WriteFileBytes(path, std::vector<std::uint8_t>(contents.begin(), contents.end()));
        return path;
    }
    // Runs the brelk program itself with Args (standard input empty).
    TResult RunProgram(const std::vector<std::string>& args) {
        const std::string errFile = Dir.Path("program-err.txt").string();
        std::string command = ShellQuoted(BRELK_BINARY);
        for (const std::string& arg : args)
            command += " " + ShellQuoted(arg);
        TResult result{-1, "", ""};
        if (FILE* pipe =
                ::popen((command + " </dev/null 2>" + ShellQuoted(errFile)).c_str(), "r")) {
            char buffer[256];
            while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
                result.Out.append(buffer, n);
            const int status = ::pclose(pipe);
            result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        const std::vector<std::uint8_t> err = ReadFileBytes(errFile);
        result.Err.assign(err.begin(), err.end());
        return result;
    }
    static std::string ShellQuoted(const std::string& word) {
        std::string quoted = "'";
        for (char c : word)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }
    void MakeCard(const std::string& size = "1M") {
        ASSERT_EQ(Run({"create", Card, size}).Status, 0);
        ASSERT_EQ(Run({"format", Card}).Status, 0);
    }
};

} // namespace brelktest
