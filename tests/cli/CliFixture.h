// brelk run in the test process on image files in a temporary folder.
#pragma once

#include "cli/Cli.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
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
    void MakeCard(const std::string& size = "1M") {
        ASSERT_EQ(Run({"create", Card, size}).Status, 0);
        ASSERT_EQ(Run({"format", Card}).Status, 0);
    }
};

} // namespace brelktest
