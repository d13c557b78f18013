// brelk format, info, ls and purge: commands on the card as a whole.
#include "card/ForeignContents.h"
#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Locale.h"
#include "cli/Output.h"
#include "explorer/NameText.h"
#include "explorer/ObjectDetails.h"
#include "explorer/ObjectOps.h"
#include "formats/GlobalStuff.h"

#include <cstdio>
#include <istream>
#include <ostream>

namespace brelk::cli {

namespace {

// A card that holds a catalogue is formatted only when the user says yes on a terminal
// (no answer is no); without a terminal only --force formats it.
void ConfirmLosingCatalogue(TCardSession& session, TContext& context) {
    const std::size_t objects = session.Card().Entries().size();
    const std::string lose = std::to_string(objects) + (objects == 1 ? " object" : " objects");
    if (!context.Terminals.In)
        session.Fail(session.Path + ": it holds a Brelk catalogue of " + lose +
                     "; give --force to format it without a question");
    context.Err << "Format " << session.Path << " and lose its " << lose << "? [y/N] "
                << std::flush;
    std::string answer;
    std::getline(context.In, answer);
    if (answer != "y" && answer != "Y" && answer != "yes")
        session.Fail(session.Path + ": not formatted");
}

int RunFormat(const TArgs& args, TContext& context) {
    args.ExpectPositional(1, "CARD");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    TBrelk& card = session.Card();
    if (!card.State().DeviceOK || card.Window().Size == 0)
        session.Fail(session.Path + ": the size of the card could not be read");
    std::vector<std::uint8_t> start(kForeignContentsBytes);
    if (!card.ReadMMC(start.data(), 0, std::uint32_t(start.size())))
        session.Fail(session.Path + ": the card could not be read");
    const std::string foreign = ForeignContents(start.data(), start.size());
    if (!foreign.empty() && !args.Has("--force"))
        session.Fail(session.Path + ": it holds " + foreign +
                     "; formatting destroys it (give --force to format anyway)");
    if (card.State().CatalogueValid && !args.Has("--force"))
        ConfirmLosingCatalogue(session, context);
    if (!card.FormatMMC())
        session.Fail(session.Path + ": the card could not be formatted");
    session.Finish();
    context.Out << "Formatted " << session.Path << ": " << card.UsableLimit() << " usable bytes\n";
    return 0;
}

void WriteInfoJson(TBrelk& card, std::ostream& out) {
    TJsonWriter json(out);
    json.BeginObject()
        .Field("device_ok", card.State().DeviceOK)
        .Field("catalogue_valid", card.State().CatalogueValid)
        .Field("card_size", card.State().CardSize)
        .Field("bytes_per_sector", std::uint32_t(card.State().BytesPerSector))
        .Field("safety_zone", card.State().SafetyZone)
        .Field("usable_limit", card.UsableLimit())
        .Field("count", card.HeaderCount())
        .Field("lowest_used", card.LowestUsedAddress())
        .Field("used", card.GetUsedBytes())
        .BeginArray("free_space_map");
    for (const auto& record : card.FreeRecords())
        json.BeginObject().Field("start", record.Start).Field("length", record.Length).EndObject();
    json.EndArray().EndObject();
    out << "\n";
}

int RunInfo(const TArgs& args, TContext& context) {
    args.ExpectPositional(1, "CARD");
    if (args.Has("--json") && args.Has("--decimal"))
        throw TUsageError("--json and --decimal exclude each other");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadOnly);
    session.RequireReadableCatalogue();
    TBrelk& card = session.Card();
    if (args.Has("--json")) {
        WriteInfoJson(card, context.Out);
    } else {
        TNumberFormat numbers{!args.Has("--decimal"), LocaleThousandsSeparator()};
        WriteLines(context.Out, BuildCardInfo(card, numbers, card.State().SafetyZone).Lines);
    }
    session.Finish();
    return 0;
}

void WriteLsJson(TBrelk& card, std::ostream& out) {
    TJsonWriter json(out);
    json.BeginObject().Field("catalogue_valid", card.State().CatalogueValid).BeginArray("entries");
    for (const auto& entry : card.Entries())
        json.BeginObject()
            .Field("type", int(entry->Type()))
            .Field("subtype", int(entry->Subtype()))
            .Field("address", entry->Address())
            .Field("size", entry->Size())
            .Field("name", NameText(entry->Name()))
            .EndObject();
    json.EndArray().EndObject();
    out << "\n";
}

void WriteLsText(TBrelk& card, std::ostream& out) {
    if (!card.State().CatalogueValid) {
        out << "(the card is not formatted)\n";
        return;
    }
    out << "TYPE SUB  ADDRESS   SIZE      NAME\n";
    for (const auto& entry : card.Entries()) {
        char line[64];
        std::snprintf(line, sizeof line, "%4u %3u  %08X  %08X  ", unsigned(entry->Type()),
                      unsigned(entry->Subtype()), unsigned(entry->Address()),
                      unsigned(entry->Size()));
        out << line << NameText(entry->Name()) << "\n";
    }
}

int RunLs(const TArgs& args, TContext& context) {
    args.ExpectPositional(1, "CARD");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadOnly);
    session.RequireReadableCatalogue();
    if (args.Has("--json"))
        WriteLsJson(session.Card(), context.Out);
    else
        WriteLsText(session.Card(), context.Out);
    session.Finish();
    return 0;
}

int RunPurge(const TArgs& args, TContext& context) {
    args.ExpectPositional(1, "CARD");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    session.RequireCatalogue();
    const std::size_t removed = RemoveDeletedObjects(session.Card());
    session.Finish();
    context.Out << "Removed " << removed << " deleted object" << (removed == 1 ? "" : "s") << "\n";
    return 0;
}

} // namespace

TCommand FormatCommand() {
    return {"format",
            "CARD [--force]",
            "Write an empty catalogue to the card",
            "Only the catalogue header is written; object data stays on the card unreferenced.\n"
            "A card that holds a PC file system (FAT, exFAT, NTFS, ext) or a partition table is\n"
            "formatted only with --force. A card with a Brelk catalogue is formatted after a\n"
            "yes on the terminal (\"Format CARD and lose its N objects? [y/N]\"; anything else\n"
            "is no); without a terminal on standard input it needs --force. 'brelk check\n"
            "--from-kept' takes the format back while the card is as the format left it.\n"
            "Options:\n"
            "  --force     format without a question, over a PC file system too\n",
            {{"--force", false, ""}},
            true,
            RunFormat};
}

TCommand InfoCommand() {
    return {"info",
            "CARD [--json | --decimal]",
            "Show a summary of the card and its free-space map",
            "The text is the card summary of the explorer's details view, numbers in hexadecimal;\n"
            "--decimal shows them in decimal with the locale's thousands separator.\n",
            {{"--json", false, ""}, {"--decimal", false, ""}},
            true,
            RunInfo};
}

TCommand LsCommand() {
    return {"ls",
            "CARD [--json]",
            "List the catalogue in its order",
            "Columns: type, subtype, card address and size (hexadecimal), name.\n",
            {{"--json", false, ""}},
            true,
            RunLs};
}

TCommand PurgeCommand() {
    return {"purge", "CARD",  "Remove every deleted object (type 0) from the catalogue", "", {},
            true,    RunPurge};
}

} // namespace brelk::cli
