// brelk find: the files inside every disc and tape object on the card whose names match.
#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/MediaFileOutput.h"
#include "cli/TerminalProgress.h"
#include "explorer/FindFiles.h"
#include "explorer/NameText.h"
#include "formats/GlobalStuff.h"

#include <memory>
#include <ostream>

#include <unistd.h>

namespace brelk::cli {

namespace {

// Writes each file found as it comes: a line, or an element of the JSON array "files".
class TFoundWriter {
  public:
    // Lines to a terminal first clear the progress line that Progress shows on it.
    TFoundWriter(std::ostream& out, bool json, TTerminalProgress* progress)
        : Out(out), Progress(progress) {
        if (json) {
            Json = std::make_unique<TJsonWriter>(out);
            Json->BeginObject().BeginArray("files");
        }
    }
    void Add(const TFoundFile& found) {
        const std::string object = NameText(found.Entry->Name());
        if (!Json) {
            if (Progress)
                Progress->End();
            Out << object << " " << CodePage1252ToUtf8(MediaFileLine(found.Kind, found.File))
                << "\n"
                << std::flush;
            return;
        }
        Json->BeginObject().Field("object", object).Field("address", found.Entry->Address());
        WriteMediaFileFields(*Json, found.File);
        Json->EndObject();
    }
    void Finish(const TFindOutcome& outcome) {
        if (!Json)
            return;
        Json->EndArray().BeginArray("skipped");
        for (const TSkippedObject& skipped : outcome.Skipped)
            Json->BeginObject()
                .Field("object", NameText(skipped.Entry->Name()))
                .Field("address", skipped.Entry->Address())
                .Field("reason", skipped.Why)
                .EndObject();
        Json->EndArray().EndObject();
        Out << "\n";
    }

  private:
    std::ostream& Out;
    TTerminalProgress* Progress;
    std::unique_ptr<TJsonWriter> Json;
};

TFindRequest RequestOf(const TArgs& args) {
    TFindRequest request;
    const auto& words = args.Positional();
    for (std::size_t i = 1; i < words.size(); ++i)
        request.Patterns.push_back(RawName(words[i]));
    request.ObjectPattern = RawName(args.Value("--object").value_or(""));
    return request;
}

// "'ELITE' or 'REVS'"
std::string PatternsText(const std::vector<std::string>& patterns) {
    std::string text;
    for (std::size_t i = 0; i < patterns.size(); ++i)
        text += (i == 0 ? "'" : " or '") + NameText(patterns[i]) + "'";
    return text;
}

std::string NothingFound(const std::string& card, const TFindRequest& request) {
    return card + ": no file matches " + PatternsText(request.Patterns) + " in any disc or tape" +
           (request.ObjectPattern.empty()
                ? std::string()
                : " whose name matches '" + NameText(request.ObjectPattern) + "'");
}

int RunFind(const TArgs& args, TContext& context) {
    if (args.Positional().size() < 2)
        throw TUsageError("missing argument: expected CARD PATTERN...");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadOnly);
    session.RequireCatalogue();
    const TFindRequest request = RequestOf(args);
    const bool quiet = args.Has("--quiet");
    TTerminalProgress progress(STDERR_FILENO, quiet);
    TFoundWriter writer(context.Out, args.Has("--json"),
                        context.Terminals.Out ? &progress : nullptr);
    const TFindOutcome outcome = FindFiles(
        session.Card(), request, [&writer](const TFoundFile& found) { writer.Add(found); },
        &progress);
    writer.Finish(outcome);
    for (const TSkippedObject& skipped : outcome.Skipped)
        if (!quiet)
            context.Err << "brelk: warning: '" << NameText(skipped.Entry->Name())
                        << "': not searched: " << skipped.Why << "\n";
    if (outcome.Found == 0)
        throw TFailure(NothingFound(session.Path, request));
    return 0;
}

} // namespace

TCommand FindCommand() {
    return {
        "find",
        "CARD PATTERN... [--object PATTERN] [--json] [-q]",
        "Find files by name inside every disc and tape object",
        "One line per file whose name matches a PATTERN (wildcards * and #, letter case\n"
        "ignored): the object's name, then the file as 'brelk files' lists it (side, name,\n"
        "load, exec, length, L when locked). A pattern with a full stop matches the whole\n"
        "name (B.ELITE; $.GAMES.ELITE or GAMES.ELITE on an ADFS disc); one without matches\n"
        "the name in any directory of a disc too (ELITE finds $.ELITE, B.ELITE and\n"
        "$.GAMES.ELITE). Only the catalogue sectors of a DFS disc and the directories of an\n"
        "ADFS disc are read; a tape is read whole. An object whose files cannot be read is a\n"
        "warning and is passed over.\n"
        "No file found is exit 1, said on standard error.\n"
        "Options:\n"
        "  --object PATTERN  search only the objects whose name matches\n"
        "  --json          {\"files\": [{\"object\", \"address\", \"side\", \"name\", \"load\",\n"
        "                  \"exec\", \"length\", \"locked\", \"note\" (only when there is one)}],\n"
        "                  \"skipped\": [{\"object\", \"address\", \"reason\"}]}\n" +
            std::string(kQuietHelp),
        {{"--object", true, ""}, {"--json", false, ""}, kQuietOption},
        true,
        RunFind};
}

} // namespace brelk::cli
