// brelk squash and expand: DFS disc objects on the card converted in place.
#include "cli/CardSession.h"
#include "cli/CliJobUser.h"
#include "cli/Commands.h"
#include "cli/TerminalProgress.h"
#include "explorer/CommitLedger.h"
#include "explorer/DiscTransform.h"
#include "explorer/NameText.h"

#include <ostream>
#include <string>
#include <variant>

#include <unistd.h>

namespace brelk::cli {

namespace {

// brelk's side of the squash and expand job: errors on standard error, each converted disc's
// line kept until its commit.
class TCliDiscUser final : public TCliJobUser {
  public:
    TCliDiscUser(TContext& context, TJobProgress& progress, TCommitLedger& done, bool squash)
        : TCliJobUser(context.Err, &progress), Done(done), Squash(squash) {}
    void Tell(const TReport& report) override {
        std::visit(TOverloaded{
                       [](const report::TObjectAdded&) {},
                       [this](const report::TDiscConverted& converted) {
                           NoteConverted(*converted.Entry, converted.SizeBefore);
                       },
                   },
                   report);
    }

  private:
    void NoteConverted(const TBrelkCatEntry& entry, std::uint32_t before) {
        Done.Note((Squash ? "Squashed " : "Expanded ") + NameText(entry.Name()) + ": " +
                  std::to_string(before) + " -> " + std::to_string(entry.Size()) + " bytes\n");
    }
    TCommitLedger& Done;
    bool Squash;
};

int RunTransformOnCard(const TArgs& args, TContext& context, bool squash) {
    if (args.Positional().size() < 2)
        throw TUsageError("missing argument: expected CARD NAME...");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    session.RequireCatalogue();
    // Every name is looked up first, so a typing error changes nothing.
    const std::vector<std::string> names(args.Positional().begin() + 1, args.Positional().end());
    const std::vector<const TBrelkCatEntry*> entries = session.FindObjects(names, args);
    TBrelk& card = session.Card();
    TCommitLedger done(card); // told only once the changes are on the card
    TTerminalProgress progress(STDERR_FILENO, args.Has("--quiet"));
    TCliDiscUser user(context, progress, done, squash);
    const TDiscTransformRun run = TransformDiscObjects(card, entries, squash, user);
    const bool allDone = !run.Failed;
    // A failed commit still tells the discs that an earlier commit of this run wrote.
    const bool committed = session.Commit();
    for (const std::string& line : done.TakeOnCard())
        context.Out << line;
    if (!committed)
        throw TFailure("");
    return allDone ? 0 : 1;
}

int RunSquash(const TArgs& args, TContext& context) {
    return RunTransformOnCard(args, context, true);
}
int RunExpand(const TArgs& args, TContext& context) {
    return RunTransformOnCard(args, context, false);
}

} // namespace

TCommand SquashCommand() {
    return {"squash",
            "CARD NAME... [--type N] [--address HEX] [-q]",
            "Squash DFS disc objects on the card to their used sectors",
            "Each named DFS disc is read, every side cut after its last used sector, and written\n"
            "back in place of the same entry. Objects that are no DFS disc are passed over. The\n"
            "exit status is 1 when any object could not be read or rewritten.\n" +
                std::string(kNamePatternHelp) + "Options:\n" + kObjectChoiceHelp + kQuietHelp,
            WithObjectChoice({kQuietOption}),
            true,
            RunSquash};
}

TCommand ExpandCommand() {
    return {
        "expand",
        "CARD NAME... [--type N] [--address HEX] [-q]",
        "Expand DFS disc objects on the card to full sides",
        "Each named DFS disc is read, every side padded to 204800 bytes, and written back in\n"
        "place of the same entry. Objects that are no DFS disc are passed over. The exit status\n"
        "is 1 when any object could not be read or rewritten.\n" +
            std::string(kNamePatternHelp) + "Options:\n" + kObjectChoiceHelp + kQuietHelp,
        WithObjectChoice({kQuietOption}),
        true,
        RunExpand};
}

} // namespace brelk::cli
