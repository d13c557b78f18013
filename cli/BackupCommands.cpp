// brelk backup and restore: the whole card to a backup set (an index file and the image files
// in the folder beside it) and back, with the window's files and messages.
#include "cli/CardSession.h"
#include "cli/Commands.h"
#include "cli/PCFiles.h"
#include "explorer/Backup.h"

#include <ostream>
#include <set>

namespace brelk::cli {

namespace {

// A message on one line: its carriage returns become spaces, runs of them one space.
std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text)
        if (c != '\r')
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    return line;
}

// Writes the jobs' messages to standard error and answers the import's overwrite question
// from --replace.
class TCliUser final : public TBackupUser, public TImportUser {
  public:
    TCliUser(std::ostream& err, bool format, bool replace)
        : Err(err), Format(format), Replace(replace) {}

    void Notify(TNotice, const std::string& text) override {
        Err << "brelk: " << OneLine(text) << "\n";
        ++Messages;
    }
    // The questions before a restore are answered by --format.
    TBackupAnswer Ask(const std::string&, bool offerNo) override {
        if (Format)
            return TBackupAnswer::Yes;
        return offerNo ? TBackupAnswer::No : TBackupAnswer::Cancel;
    }
    void ShowError(const std::string& text) override { Notify(TNotice::Error, text); }
    TOverwriteAnswer AskOverwrite(const std::string& name) override {
        if (Replace)
            return TOverwriteAnswer::Yes;
        Err << "brelk: an object named '" << name
            << "' is on the card already; it was kept (use --replace)\n";
        Kept.insert(name);
        return TOverwriteAnswer::No;
    }

    int Messages = 0;
    std::set<std::string> Kept;

  private:
    std::ostream& Err;
    const bool Format;
    const bool Replace;
};

int RunBackup(const TArgs& args, TContext& context) {
    args.ExpectPositional(2, "CARD INDEX");
    const std::string& index = args.Positional()[1];
    TCardSession session(args.Positional()[0], args, context.Err);
    session.RequireCatalogue();
    TCliUser user(context.Err, false, false);
    const TLocalClock clock;
    const TBackupResult result = BackupBrelk(session.Card(), index, clock, user, nullptr);
    if (!result.IndexWritten)
        throw TFailure("");
    user.Notify(BackupOutcomeKind(result), BackupOutcomeText(result));
    context.Out << "Saved " << result.Saved << " of " << result.Objects << " objects: " << index
                << " and " << BackupFolderOf(index) << "/\n";
    return result.Saved == result.Objects ? 0 : 1;
}

} // namespace

TCommand BackupCommand() {
    return {"backup",
            "CARD INDEX",
            "Save every live object of the card into a backup set",
            "INDEX (for example 20070315.txt) lists the objects in address order; the folder\n"
            "beside it, named like INDEX without its extension, receives one image file per\n"
            "object (IMG00000.bin, ...). The window reads and writes the same sets. Exit\n"
            "status 1 when an object could not be saved; its image file is then absent.\n",
            {},
            true,
            RunBackup};
}

} // namespace brelk::cli
