// Saving the selected objects to PC files: one save dialog per object, the stop question
// when a dialog is cancelled, and the file written with the object's bytes as the card
// holds them (its whole allocated size). A tape saved under a ".uef" name is written as a
// UEF tape image made from its stored blocks, and a DFS disc under a ".dsd" name with its
// sides track by track, so that emulators and the add dialog read them.
//
// The file is written by the save job (explorer/CardJobs.h), which drag-out uses too: a
// temporary file beside it takes the file's place only once the whole object is in it, so a
// failed card read or file write leaves no file that looks like a good object (and an
// existing file of that name stays as it was).
#include "ui/main/Main.h"

#include "explorer/CardJobs.h"
#include "explorer/ObjectFileKinds.h"
#include "explorer/ObjectTransfer.h"
#include "formats/LineEnd.h"
#include "ui/aux/NameText.h"
#include "ui/aux/Prompter.h"
#include "ui/main/MainJobUser.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

using brelk::TBrelkCatEntry;
using TAnswer = TPrompter::TAnswer;
using TButtons = TPrompter::TButtons;
using TIcon = TPrompter::TIcon;

namespace {

using brelk::CR;
const QString kObjectsFilter =
    QString::fromStdString(brelk::FilterWithPattern(brelk::ObjectFileKinds().front()));
const QString kImagesFilter = QString::fromStdString(brelk::ObjectFilesFilter());

// What the save dialog offers for one entry.
struct TSaveDialog {
    QString Kind;
    QString Filter;
    QString Preselected; // the description of the filter entry chosen at first
    QString DefaultExtension;
};

TSaveDialog SaveDialogFor(const TBrelkCatEntry& entry, int discSides) {
    TSaveDialog dialog{QStringLiteral("Object"), kObjectsFilter,
                       QString::fromStdString(brelk::FilterEntryOf("bin")), QStringLiteral("bin")};
    switch (entry.Type()) {
    case brelk::kTypeDeleted:
        dialog.Kind = QStringLiteral("Deleted object");
        break;
    case brelk::kTypeFilingSystem:
        dialog.Kind = QStringLiteral("Filingsystem");
        break;
    case brelk::kTypeTool:
        dialog.Kind = QStringLiteral("Tool");
        break;
    case brelk::kTypeImage:
        dialog.Kind = QStringLiteral("Discimage");
        dialog.Filter = kImagesFilter;
        dialog.DefaultExtension =
            QString::fromStdString(brelk::ObjectFileExtension(entry, discSides));
        dialog.Preselected =
            QString::fromStdString(brelk::FilterEntryOf(dialog.DefaultExtension.toStdString()));
        break;
    default:
        break;
    }
    dialog.Filter += QStringLiteral("|All files (*.*)|*.*");
    return dialog;
}

// The one extension that the filter entry Description stands for ("*.SSD" gives "ssd"), or
// an empty text when it stands for any file or for several.
QString FilterExtension(const QString& filter, const QString& description) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        if (parts[i] == description) {
            const QString pattern = parts[i + 1];
            const QString extension = pattern.mid(2);
            if (pattern.startsWith(QLatin1String("*.")) && !extension.isEmpty() &&
                !extension.contains(QLatin1Char(';')) && !extension.contains(QLatin1Char('*')))
                return extension.toLower();
        }
    return QString();
}

// Adds the extension of the chosen filter entry (or the default extension) to a file name
// that has none. The object's name alone (Name) gets it too: its full stops belong to the
// Acorn name.
QString WithExtension(const QString& path, const QString& name, const TSaveDialog& dialog,
                      const QString& chosenFilter) {
    const QFileInfo info(path);
    if (!info.suffix().isEmpty() && info.fileName() != name)
        return path;
    QString extension = FilterExtension(dialog.Filter, chosenFilter);
    if (extension.isEmpty())
        extension = dialog.DefaultExtension;
    if (info.suffix().compare(extension, Qt::CaseInsensitive) == 0)
        return path;
    return path + QLatin1Char('.') + extension;
}

// Replacing an existing file: asked when the save dialog did not ask already (AskReplace).
class TSaveUser final : public TPrompterJobUser {
  public:
    TSaveUser(TPrompter& prompter, bool askReplace)
        : TPrompterJobUser(prompter), AskReplace(askReplace) {}

  protected:
    brelk::TAnswer Answer(const brelk::query::TOverwrite& overwrite) override {
        if (!AskReplace)
            return brelk::TAnswer::Yes;
        const QString path = QFile::decodeName(QByteArray::fromStdString(overwrite.Name));
        return Prompter.Message(QStringLiteral("The file '") + path +
                                    QStringLiteral("' already exists.") + CR + CR +
                                    QStringLiteral("Do you want to replace it?"),
                                TIcon::Warning, TButtons::YesNo) == TAnswer::Yes
                   ? brelk::TAnswer::Yes
                   : brelk::TAnswer::No;
    }

  private:
    const bool AskReplace;
};

} // namespace

void TfrmMain::mnuPopupSaveObjectClick() {
    if (IsBusy())
        return;
    TBusyScope busy(*this);
    const QList<TMyTreeNode*> selected = SelectedNodes();
    bool stop = false;
    for (qsizetype i = 0; i < selected.size() && !stop; ++i) {
        const TBrelkCatEntry* entry = selected[i]->Entry;
        if (!entry || !Brelk->InCatalogue(entry))
            continue;
        const TSaveDialog dialog = SaveDialogFor(*entry, brelk::DFSSidesOnCard(*Brelk, *entry));
        const QString name = QString::fromLatin1(entry->Name());
        const QString title = QStringLiteral("Save ") + dialog.Kind + QLatin1Char(' ') +
                              CardNameText(entry->Name()) + QStringLiteral(" as...");
        QString chosenFilter = dialog.Preselected;
        // The whole name with the extension behind it: the name's own full stops are part of
        // the Acorn name, not an extension ("GAMES.WELCOME.ssd").
        const QString proposed = name + QLatin1Char('.') + dialog.DefaultExtension;
        const QString chosen = Ask.SaveFile(title, dialog.Filter, proposed, &chosenFilter);
        if (chosen.isEmpty()) {
            if (i + 1 < selected.size())
                stop = Ask.Message(QStringLiteral("Do you want to completely stop saving the "
                                                  "selected object(s)?") +
                                       CR + CR +
                                       QStringLiteral("Select YES to cancel saving for all "
                                                      "objects or") +
                                       CR + QStringLiteral("select NO to cancel just this object."),
                                   TIcon::Confirmation, TButtons::YesNo) == TAnswer::Yes;
            continue;
        }
        const QString path = WithExtension(chosen, name, dialog, chosenFilter);
        // The dialog asked about replacing the name it returned, not the extended one.
        SaveObjectToFile(*entry, path, path != chosen);
    }
}

bool TfrmMain::SaveObjectToFile(const TBrelkCatEntry& entry, const QString& path, bool askReplace) {
    TSaveUser user(Ask, askReplace);
    const brelk::TSaveOutcome saved =
        brelk::SaveObjectJob(*Brelk, entry, QFile::encodeName(path).toStdString(), user);
    switch (saved.Result) {
    case brelk::TSaveResult::CreateFailed:
        Ask.Message(QStringLiteral("Could not create file '") + path + QStringLiteral("'."),
                    TIcon::Error, TButtons::OK);
        break;
    case brelk::TSaveResult::ReadFailed:
        Ask.Message(QStringLiteral("Could not read from Brelk."), TIcon::Error, TButtons::OK);
        break;
    case brelk::TSaveResult::WriteFailed:
        Ask.Message(QStringLiteral("Could not write file '") + path + QStringLiteral("'."),
                    TIcon::Error, TButtons::OK);
        break;
    default:
        break;
    }
    return saved.Result == brelk::TSaveResult::Saved;
}
