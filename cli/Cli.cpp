#include "cli/Cli.h"

#include "cli/Commands.h"
#include "cli/Output.h"
#include "explorer/ObjectTransfer.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <new>
#include <ostream>
#include <streambuf>

namespace brelk::cli {

const std::vector<TCommand>& AllCommands() {
    static const std::vector<TCommand> commands = {
        CreateCommand(),  FormatCommand(),      InfoCommand(),        LsCommand(),
        CatCommand(),     AddCommand(),         PutCommand(),         GetCommand(),
        RmCommand(),      PurgeCommand(),       SquashCommand(),      ExpandCommand(),
        InspectCommand(), SquashImageCommand(), ExpandImageCommand(), CheckCommand(),
        BackupCommand(),  RestoreCommand(),     FilesCommand(),       ExtractCommand(),
        ViewCommand(),    InsertCommand(),      DeleteFileCommand(),  RenameFileCommand(),
        LockCommand(),    UnlockCommand(),      DiscCommand(),        MvCommand(),
        FindCommand(),
    };
    return commands;
}

const std::vector<TOptionSpec>& CardOptionSpecs() {
    static const std::vector<TOptionSpec> specs = {
        {"--cache-size", true, ""},           {"--safety-zone", true, ""},
        {"--reuse-deleted-space", false, ""}, {"--no-reuse-deleted-space", false, ""},
        {"--rewrite-header", false, ""},      {"--force", false, ""},
    };
    return specs;
}

static_assert(kDefaultCacheSize == 262144 && kDefaultSafetyZone == 8192,
              "the card options' help states the defaults");

const char* const kCardOptionsHelp =
    "Card options:\n"
    "  --cache-size BYTES          size of the block cache (default 262144)\n"
    "  --safety-zone BYTES         bytes at the end of the card never used (default 8192)\n"
    "  --reuse-deleted-space       put new objects into the best-fitting free space (default)\n"
    "  --no-reuse-deleted-space    put new objects below the lowest object\n"
    "  --rewrite-header            also write catalogue changes into the object headers\n"
    "  --force                     also write a change that can be recorded neither on the card\n"
    "                              (no free space) nor in the state folder; the kept way back\n"
    "                              from earlier changes is dropped\n";

const TOptionSpec kQuietOption = {"--quiet", false, "-q"};
const char* const kQuietHelp =
    "  -q, --quiet         only errors: no progress line, report or warning\n";

std::vector<TOptionSpec> WithObjectChoice(std::vector<TOptionSpec> specs) {
    specs.push_back({"--type", true, ""});
    specs.push_back({"--address", true, ""});
    return specs;
}

const char* const kObjectChoiceHelp =
    "  --type N            chooses between objects of the same name by their type\n"
    "  --address HEX       chooses by the object's address, as 'brelk ls' shows it\n";

const char* const kNamePatternHelp =
    "A NAME may hold wildcards: * any run of characters, # one character, matched on the\n"
    "whole name with letter case ignored; they match live objects, and deleted ones with\n"
    "--type 0. A name that matches nothing changes nothing and fails.\n";

namespace {

// The version the window's About shows: the project's four dotted numbers.
const char* ProgramVersion() {
#ifdef BRELK_FILE_VERSION
    return BRELK_FILE_VERSION;
#else
    return "unknown";
#endif
}

void PrintOverview(std::ostream& out) {
    out << "Usage: brelk COMMAND [ARGS...]\n\n"
           "Manages a Brelk card (a block device or an image file) from the command line.\n\n"
           "Commands:\n";
    for (const auto& command : AllCommands()) {
        std::string head = "  " + command.Name;
        out << head << std::string(head.size() < 18 ? 18 - head.size() : 1, ' ') << command.Summary
            << "\n";
    }
    out << "\n'brelk COMMAND --help' explains one command; 'brelk --version' (-V) shows the "
           "version.\nExit status: 0 success, 1 failure, 2 usage error.\n\n"
           "CARD is a block device or an image file. brelk opens a device itself and needs\n"
           "write permission on it (for example as a member of the 'disk' group); it does not\n"
           "ask UDisks2. The desktop program, brelkexplorer, asks UDisks2 for a device you "
           "may\n"
           "not open directly.\n";
}

void PrintHelp(const TCommand& command, std::ostream& out) {
    out << "Usage: brelk " << command.Name << " " << command.Usage << "\n\n"
        << command.Summary << ".\n";
    if (!command.Help.empty())
        out << "\n" << command.Help;
    if (command.CardOptions)
        out << "\n" << kCardOptionsHelp;
    if (command.Help.find(kQuietOption.Name) == std::string::npos)
        out << "\nEvery command takes:\n" << kQuietHelp;
}

// A stream that takes everything and keeps nothing.
class TNullBuffer final : public std::streambuf {
  protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// Runs Command; with -q its lines on standard output go nowhere (data asked for there still
// goes out), and the commands leave out their warnings and progress.
int RunMaybeQuiet(const TCommand& command, const TArgs& args, TContext& context) {
    if (!args.Has(kQuietOption.Name))
        return command.Run(args, context);
    TNullBuffer nothing;
    std::ostream silent(&nothing);
    TContext quiet{silent, context.Err, context.In, context.Terminals, &context.DataOut()};
    return command.Run(args, quiet);
}

std::vector<std::string> CommandNames() {
    std::vector<std::string> names;
    for (const auto& command : AllCommands())
        names.push_back(command.Name);
    return names;
}

int RunCommand(const TCommand& command, const std::vector<std::string>& rest, TContext& context) {
    for (const auto& arg : rest)
        if (arg == "--help" || arg == "-h") {
            PrintHelp(command, context.Out);
            return 0;
        }
    std::vector<TOptionSpec> specs = command.Options;
    if (command.CardOptions)
        for (const TOptionSpec& spec : CardOptionSpecs())
            if (std::none_of(specs.begin(), specs.end(),
                             [&spec](const TOptionSpec& own) { return own.Name == spec.Name; }))
                specs.push_back(spec);
    if (std::none_of(specs.begin(), specs.end(),
                     [](const TOptionSpec& spec) { return spec.Name == kQuietOption.Name; }))
        specs.push_back(kQuietOption);
    try {
        TArgs args(rest, specs);
        const int status = RunMaybeQuiet(command, args, context);
        // Output that never arrived (a full disc, a closed pipe) is a failure, not a success.
        if (!context.Out.flush())
            throw TFailure("the output could not be written");
        return status;
    } catch (const TUsageError& error) {
        context.Err << "brelk " << command.Name << ": " << TerminalSafe(error.what()) << "\n"
                    << "Usage: brelk " << command.Name << " " << command.Usage << "\n";
        return 2;
    } catch (const TFailure& error) {
        if (*error.what())
            context.Err << "brelk: " << TerminalSafe(error.what()) << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        context.Err << "brelk " << command.Name << ": not enough memory\n";
        return 1;
    } catch (const std::exception& error) {
        // The last resort: a failure that no check above foresaw still ends as one line and
        // status 1, never as an abort.
        context.Err << "brelk " << command.Name << ": " << TerminalSafe(error.what()) << "\n";
        return 1;
    }
}

} // namespace

int RunBrelk(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             std::istream& in, const TTerminals& terminals) {
    TContext context{out, err, in, terminals};
    if (args.empty()) {
        PrintOverview(err);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintOverview(out);
        return 0;
    }
    if (args[0] == "--version" || args[0] == "-V") {
        out << "brelk " << ProgramVersion() << "\n";
        return out.flush() ? 0 : 1;
    }
    for (const auto& command : AllCommands())
        if (command.Name == args[0])
            return RunCommand(command, {args.begin() + 1, args.end()}, context);
    err << "brelk: unknown command '" << args[0] << "'" << DidYouMean(args[0], CommandNames())
        << " (see 'brelk --help')\n";
    return 2;
}

int RunBrelk(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunBrelk(args, out, err, std::cin, {});
}

} // namespace brelk::cli
