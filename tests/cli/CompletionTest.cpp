// The bash completion of brelk, run in bash with small stand-ins for the bash-completion
// helpers it calls: object names and addresses from the card, quoted so that the shell
// takes them back unchanged and never expands them, and the values of options.
#include "cli/CliFixture.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

using namespace brelktest;
namespace fs = std::filesystem;

namespace {

struct CompletionTest : CliFixture {
    // The completions of the words Line (the last one is completed, may be empty), one per
    // line, each followed by " = " and what the shell makes of it.
    std::string Complete(const std::string& line) {
        const std::string script = Dir.Path("complete.sh").string();
        const std::string text =
            "_init_completion() { words=(); cword=0; local i join=\n"
            // bash splits a word at a colon; -n : joins the pieces again.
            "  [[ $1 == -n && $2 == *:* ]] && join=1\n"
            "  for ((i = 0; i < ${#COMP_WORDS[@]}; i++)); do\n"
            "    if [[ $join && ${#words[@]} -gt 0 && ( ${COMP_WORDS[i]} == : || ${words[-1]} "
            "== *: ) ]]; then words[-1]+=${COMP_WORDS[i]};\n"
            "    else words+=(\"${COMP_WORDS[i]}\"); fi\n"
            "    ((i == COMP_CWORD)) && cword=$((${#words[@]} - 1)); done\n"
            "  cur=${words[cword]}; prev=${words[cword-1]}; }\n"
            "COMP_WORDBREAKS=$' \\t\\n\"\\'><=;|&(:'\n"
            "__ltrim_colon_completions() { if [[ $1 == *:* && $COMP_WORDBREAKS == *:* ]]; then\n"
            "  local colon=${1%\"${1##*:}\"} i=${#COMPREPLY[*]};\n"
            "  while ((i-- > 0)); do COMPREPLY[i]=${COMPREPLY[i]#\"$colon\"}; done; fi; }\n"
            "_filedir() { COMPREPLY=(FILES); }\n"
            "PATH=" +
            fs::path(BRELK_BINARY).parent_path().string() +
            ":$PATH\n"
            "source " +
            std::string(BRELK_FIXTURES_DIR) +
            "/../../data/completion/brelk\n"
            "cd " +
            Dir.Root().string() +
            "\n"
            "COMP_WORDS=(" +
            line +
            "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
            "_brelk\n"
            "for reply in \"${COMPREPLY[@]}\"; do eval \"taken=$reply\"; "
            "printf '%s = %s\\n' \"$reply\" \"$taken\"; done\n";
        WriteFileBytes(script, std::vector<std::uint8_t>(text.begin(), text.end()));
        std::string out;
        if (FILE* pipe = ::popen(("bash " + script + " 2>&1").c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, pipe))
                out += buffer;
            ::pclose(pipe);
        }
        return out;
    }
    // A card holding an object of each of Names.
    void MakeCardWith(const std::vector<std::string>& names) {
        MakeCard();
        for (const std::string& name : names)
            ASSERT_EQ(Run({"put", Card, File("f", "x"), "--name", name}).Status, 0) << name;
    }
};

TEST_F(CompletionTest, ObjectNamesComeQuotedFromTheCard) {
    if (std::system("bash -c true") != 0)
        GTEST_SKIP() << "no bash to run the completion in";
    MakeCardWith({"GAMES.ELITE", "it's$HOME*", "$(touch${IFS}PWNED)"});
    const std::string all = Complete("brelk get " + Card + " ''");
    EXPECT_NE(all.find("GAMES.ELITE = GAMES.ELITE\n"), std::string::npos) << all;
    EXPECT_NE(all.find("it\\'s\\$HOME\\* = it's$HOME*\n"), std::string::npos) << all;
    EXPECT_NE(all.find(" = $(touch${IFS}PWNED)\n"), std::string::npos) << all;
    EXPECT_FALSE(fs::exists(Dir.Path("PWNED")));
    struct Case {
        std::string Line, Out;
    };
    const Case cases[] = {
        {"brelk rm " + Card + " G", "GAMES.ELITE = GAMES.ELITE\n"},
        {"brelk squash --type 2 " + Card + " '\"G'", "GAMES.ELITE = GAMES.ELITE\n"},
        {"brelk mv " + Card + " GAMES.ELITE ''", ""}, // the new name is the user's
        {"brelk get " + Card + " X --as ''", "uef = uef\nraw = raw\n"},
        {"brelk cat " + Card + " X --address 000FDE", "000FDE00 = 000FDE00\n"},
        {"brelk put " + Card + " ''", "FILES = FILES\n"},
        {"brelk ls ''", "FILES = FILES\n"},
        {"brelk --v", "--version = --version\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Complete(c.Line), c.Out) << c.Line;
}

// Object names where the disc and tape commands take one, the values of view --as, and names
// with a colon, which bash splits into pieces of a word.
TEST_F(CompletionTest, ObjectNamesForTheDiscCommandsAndNamesWithAColon) {
    if (std::system("bash -c true") != 0)
        GTEST_SKIP() << "no bash to run the completion in";
    MakeCardWith({"GAMES:ELITE", "GAMES:ZARCH", "TAPE"});
    struct Case {
        std::string Line, Out;
    };
    const Case cases[] = {
        {"brelk files " + Card + " T", "TAPE = TAPE\n"},
        {"brelk extract " + Card + " T", "TAPE = TAPE\n"},
        {"brelk view " + Card + " T", "TAPE = TAPE\n"},
        {"brelk insert " + Card + " T", "TAPE = TAPE\n"},
        {"brelk delete-file " + Card + " T", "TAPE = TAPE\n"},
        {"brelk view " + Card + " TAPE ''", ""},                  // a file inside the object
        {"brelk insert " + Card + " TAPE ''", "FILES = FILES\n"}, // a PC file
        {"brelk view " + Card + " TAPE X --as ''",
         "auto = auto\nbasic = basic\ntext = text\nhex = hex\n"},
        {"brelk get " + Card + " X --as ''", "uef = uef\nraw = raw\n"},
        {"brelk get " + Card + " GA", "GAMES:ELITE = GAMES:ELITE\nGAMES:ZARCH = GAMES:ZARCH\n"},
        // "GAMES:E" as bash hands it over: three pieces; the reply replaces the last.
        {"brelk get " + Card + " GAMES : E", "ELITE = ELITE\n"},
        {"brelk files " + Card + " GAMES :", "ELITE = ELITE\nZARCH = ZARCH\n"},
        {"brelk rm " + Card + " GAMES : ELITE ''", "GAMES:ELITE = GAMES:ELITE\n"
                                                   "GAMES:ZARCH = GAMES:ZARCH\nTAPE = TAPE\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Complete(c.Line), c.Out) << c.Line;
}

} // namespace
