// brelk squash and expand: DFS disc objects on the card converted in place.
#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "explorer/CommitLedger.h"
#include "explorer/DiscTransform.h"
#include "explorer/NameText.h"

#include <ostream>
#include <string>

namespace brelk::cli {

namespace {

int RunTransformOnCard(const TArgs& args, TContext& context, bool squash) {
    if (args.Positional().size() < 2)
        throw TUsageError("missing argument: expected CARD NAME...");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    session.RequireCatalogue();
    // Every name is looked up first, so a typing error changes nothing.
    const std::vector<std::string> names(args.Positional().begin() + 1, args.Positional().end());
    const std::vector<TBrelkCatEntry*> entries = session.FindObjects(names, args);
    TBrelk& card = session.Card();
    bool allDone = true;
    TCommitLedger done(card); // told only once the changes are on the card
    card.StartBulktransfer();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        TBrelkCatEntry* entry = entries[i];
        const std::string name = NameText(entry->Name());
        const std::uint32_t before = entry->Size();
        const TDiscTransformResult result = TransformDiscObject(card, entry, squash);
        if (result == TDiscTransformResult::WritesStopped) {
            context.Err << "brelk: " << WritesStoppedMessage(squash, entries.size() - i) << "\n";
            allDone = false;
            break;
        }
        if (result == TDiscTransformResult::Converted) {
            done.Note((squash ? "Squashed " : "Expanded ") + name + ": " + std::to_string(before) +
                      " -> " + std::to_string(entry->Size()) + " bytes\n");
        } else if (result != TDiscTransformResult::NotDFS) {
            context.Err << "brelk: " << DiscTransformMessage(result, squash, name) << "\n";
            allDone = false;
        }
    }
    // A failed commit still tells the discs that an earlier commit of this run wrote.
    const bool committed = session.Commit();
    card.StopBulktransfer();
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
            "CARD NAME... [--type N] [--address HEX]",
            "Squash DFS disc objects on the card to their used sectors",
            "Each named DFS disc is read, every side cut after its last used sector, and written\n"
            "back in place of the same entry. Objects that are no DFS disc are passed over. The\n"
            "exit status is 1 when any object could not be read or rewritten.\n" +
                std::string(kNamePatternHelp) + "Options:\n" + kObjectChoiceHelp,
            WithObjectChoice({}),
            true,
            RunSquash};
}

TCommand ExpandCommand() {
    return {
        "expand",
        "CARD NAME... [--type N] [--address HEX]",
        "Expand DFS disc objects on the card to full sides",
        "Each named DFS disc is read, every side padded to 204800 bytes, and written back in\n"
        "place of the same entry. Objects that are no DFS disc are passed over. The exit status\n"
        "is 1 when any object could not be read or rewritten.\n" +
            std::string(kNamePatternHelp) + "Options:\n" + kObjectChoiceHelp,
        WithObjectChoice({}),
        true,
        RunExpand};
}

} // namespace brelk::cli
