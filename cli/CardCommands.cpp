// brelk format, info, ls and purge: commands on the card as a whole.
#include "cli/CardSession.h"
#include "cli/CliJobUser.h"
#include "cli/Commands.h"
#include "cli/FormatAnswer.h"
#include "cli/Json.h"
#include "cli/Locale.h"
#include "cli/Output.h"
#include "explorer/CardJobs.h"
#include "explorer/NameText.h"
#include "explorer/ObjectDetails.h"
#include "formats/GlobalStuff.h"

#include <cstdio>
#include <istream>
#include <ostream>

namespace brelk::cli {

namespace {

// format answers the job's question through TFormatAnswer: --force, or a yes on the terminal.
class TFormatUser final : public TCliJobUser {
  public:
    TFormatUser(const std::string& path, TContext& context, bool force)
        : TCliJobUser(context.Err),
          Answers(path, context, force, false, "give --force to format anyway") {}
    const std::string& Refusal() const { return Answers.Refusal(); }

  protected:
    TAnswer Answer(const query::TLoseObjects& lose) override { return Answers.Answer(lose); }

  private:
    TFormatAnswer Answers;
};

std::string FormatFailure(TFormatResult result, const std::string& refusal) {
    switch (result) {
    case TFormatResult::SizeUnknown:
        return "the size of the card could not be read";
    case TFormatResult::ReadFailed:
        return "the card could not be read";
    case TFormatResult::Declined:
        return refusal;
    default:
        return "the card could not be formatted";
    }
}

int RunFormat(const TArgs& args, TContext& context) {
    args.ExpectPositional(1, "CARD");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    TFormatUser user(session.Path, context, args.Has("--force"));
    const TFormatResult result = FormatCardJob(session.Card(), user);
    if (result != TFormatResult::Formatted)
        session.Fail(session.Path + ": " + FormatFailure(result, user.Refusal()));
    session.Finish();
    context.Out << "Formatted " << session.Path << ": " << session.Card().UsableLimit()
                << " usable bytes\n";
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
        session.RequireCatalogue(); // after the JSON, which tells that there is none
    } else {
        session.RequireCatalogue();
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
    out << "TYPE SUB  ADDRESS   SIZE      NAME\n";
    for (const auto& entry : card.Entries()) {
        char codes[16];
        std::snprintf(codes, sizeof codes, "%4u %3u  ", unsigned(entry->Type()),
                      unsigned(entry->Subtype()));
        out << codes << FormatHex8(entry->Address()) << "  " << FormatHex8(entry->Size()) << "  "
            << NameText(entry->Name()) << "\n";
    }
}

int RunLs(const TArgs& args, TContext& context) {
    args.ExpectPositional(1, "CARD");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadOnly);
    session.RequireReadableCatalogue();
    if (args.Has("--json"))
        WriteLsJson(session.Card(), context.Out); // tells when there is no catalogue
    session.RequireCatalogue();
    if (!args.Has("--json"))
        WriteLsText(session.Card(), context.Out);
    session.Finish();
    return 0;
}

int RunPurge(const TArgs& args, TContext& context) {
    args.ExpectPositional(1, "CARD");
    TCardSession session(args.Positional()[0], args, context.Err, TCardAccess::ReadWrite);
    session.RequireCatalogue();
    const std::size_t removed = RemoveDeletedJob(session.Card());
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
            "A card whose first bytes are not all zero and hold no Brelk catalogue (a PC file\n"
            "system (FAT, exFAT, NTFS, ext) or partition table, a DFS or ADFS disc image, a UEF\n"
            "tape image, or any other data) is formatted after a yes on the terminal (\"Format\n"
            "CARD? It holds WHAT, which formatting destroys. [y/N]\"), and so is a card with a\n"
            "Brelk catalogue (\"Format CARD and lose its N objects? [y/N]\"); anything else is\n"
            "no. Without a terminal on standard input either needs --force. 'brelk check\n"
            "--from-kept' takes the format of a Brelk card back while the card is as the format\n"
            "left it.\n"
            "Options:\n"
            "  --force     format without a question, whatever the card holds\n",
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
