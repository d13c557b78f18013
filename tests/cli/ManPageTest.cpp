// The man page of brelk against the program: every command of the usage text and every
// option of every command is in it, and so are the exit codes and the state folder.
#include "cli/Commands.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <regex>
#include <string>

using namespace brelktest;

namespace {

// The page's text with roff's escaped minus signs as plain ones.
std::string ManPage() {
    const auto bytes = ReadFileBytes(std::string(BRELK_FIXTURES_DIR) + "/../../data/man/brelk.1");
    std::string text(bytes.begin(), bytes.end());
    return std::regex_replace(text, std::regex(R"(\\-)"), "-");
}

TEST(ManPage, CoversEveryCommandAndOption) {
    const std::string page = ManPage();
    ASSERT_FALSE(page.empty());
    for (const auto& command : brelk::cli::AllCommands()) {
        // Each command is the head of an item of its own: ".TP" then ".BI \"NAME ..." or the like.
        const std::regex head("\n\\.TP\n\\.BI? \"?" + command.Name + "[ \"\n]");
        EXPECT_TRUE(std::regex_search(page, head)) << command.Name;
        auto options = command.Options;
        if (command.CardOptions)
            options.insert(options.end(), brelk::cli::CardOptionSpecs().begin(),
                           brelk::cli::CardOptionSpecs().end());
        for (const auto& option : options)
            EXPECT_NE(page.find(option.Name), std::string::npos)
                << command.Name << " " << option.Name;
    }
    for (const char* also : {"--version", "-V", "XDG_STATE_HOME", ".SH EXIT STATUS",
                             "brelkexplorer/", ".SH NAMES AND WILDCARDS"})
        EXPECT_NE(page.find(also), std::string::npos) << also;
}

} // namespace
