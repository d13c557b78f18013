// The commands of brelk. Each command file defines one TCommand; AllCommands lists them.
#pragma once

#include "cli/Args.h"
#include "cli/Cli.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace brelk::cli {

struct TContext {
    std::ostream& Out;
    std::ostream& Err;
    std::istream& In;
    TTerminals Terminals;
    // With -q Out takes nothing; the bytes asked for on standard output (get -o -) go here.
    std::ostream* Data = nullptr;
    std::ostream& DataOut() const { return Data ? *Data : Out; }
};

struct TCommand {
    std::string Name;
    std::string Usage;   // "CARD NAME [-o FILE]"
    std::string Summary; // one line for the overview
    std::string Help;    // the rest of --help
    std::vector<TOptionSpec> Options;
    bool CardOptions; // takes --cache-size, --safety-zone, ...
    int (*Run)(const TArgs& args, TContext& context);
};

const std::vector<TCommand>& AllCommands();

// The options every card command takes, and their help text.
const std::vector<TOptionSpec>& CardOptionSpecs();
extern const char* const kCardOptionsHelp;
// -q: only errors are shown (no progress line, no report, no warning); every command takes it.
extern const TOptionSpec kQuietOption;
extern const char* const kQuietHelp;

// Specs with the options that choose between objects of the same name (--type, --address)
// added, and the help lines of those two.
std::vector<TOptionSpec> WithObjectChoice(std::vector<TOptionSpec> specs);
extern const char* const kObjectChoiceHelp;
// The help lines on names with wildcards, for the commands that take several names.
extern const char* const kNamePatternHelp;

TCommand CreateCommand();
TCommand FormatCommand();
TCommand InfoCommand();
TCommand LsCommand();
TCommand AddCommand();
TCommand PutCommand();
TCommand GetCommand();
TCommand RmCommand();
TCommand PurgeCommand();
TCommand CatCommand();
TCommand InspectCommand();
TCommand SquashImageCommand();
TCommand ExpandImageCommand();
TCommand SquashCommand();
TCommand ExpandCommand();
TCommand CheckCommand();
TCommand BackupCommand();
TCommand RestoreCommand();
TCommand FilesCommand();
TCommand FindCommand();
TCommand ExtractCommand();
TCommand ViewCommand();
TCommand InsertCommand();
TCommand DeleteFileCommand();
TCommand DiscCommand();
TCommand RenameFileCommand();
TCommand LockCommand();
TCommand UnlockCommand();
TCommand MvCommand();

} // namespace brelk::cli
