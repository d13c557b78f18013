// "Open in Emulator": the selected disc or tape object is copied into a temporary image file
// in the user's private temporary folder, and the emulator named in the settings is started
// on it, detached, with the command-line template's "$img$" replaced by the file's path.
#include "ui/main/Main.h"

#include "explorer/ObjectTransfer.h"
#include "formats/LineEnd.h"
#include "ui/aux/PrivateTempFile.h"
#include "ui/aux/ProcessStarter.h"
#include "ui/aux/Prompter.h"
#include "ui/aux/ShellWords.h"

#include <QFile>
#include <QRegularExpression>

#include <vector>

using brelk::TBrelkCatEntry;
using TIcon = TPrompter::TIcon;
using TButtons = TPrompter::TButtons;

namespace {

using brelk::CR;
const QString kImagePlaceholder = QStringLiteral("$img$");
// The largest ADFS image that is not an interleaved "L" format disc (an 80-track
// double-sided "M" disc).
constexpr std::uint32_t kLargestADFSM = 327680;

// The temporary image's name: emulators choose the format by the extension, so a tape goes
// as a UEF file, an ADFS disc as an ADFS image and a DFS disc as ".ssd" or, with two sides,
// as ".dsd"; anything else as ".ssd".
QString EmulatorImageName(const TBrelkCatEntry& entry, int discSides) {
    const QString base = QStringLiteral("BrelkEmulatorImage.");
    if (entry.Type() == brelk::kTypeImage && entry.Subtype() == brelk::kSubtypeADFS)
        return base +
               (entry.Size() > kLargestADFSM ? QStringLiteral("adl") : QStringLiteral("adf"));
    if (brelk::IsTapeObject(entry) || brelk::IsDFSDiscObject(entry))
        return base + QString::fromStdString(brelk::ObjectFileExtension(entry, discSides));
    return base + QStringLiteral("ssd");
}

// The emulator's arguments: the template split into words as a shell splits them, with every
// "$img$" (any letter case) in them replaced by Image. The path is put in after splitting, so
// blanks, quotes or backslashes in it never break it apart. An empty template gives Image
// alone.
QStringList EmulatorArguments(const QString& commandLine, const QString& image) {
    if (commandLine.isEmpty())
        return {image};
    static const QRegularExpression placeholder(QRegularExpression::escape(kImagePlaceholder),
                                                QRegularExpression::CaseInsensitiveOption);
    QStringList words = SplitShellWords(commandLine);
    for (QString& word : words)
        word.replace(placeholder, image);
    return words;
}

QString StartFailureReason(const TStartResult& result, const QString& program) {
    switch (result.Reason) {
    case TStartResult::TReason::FileNotFound:
        return QStringLiteral("File '") + program + QStringLiteral("' not found");
    case TStartResult::TReason::PathNotFound:
        return QStringLiteral("Path '") + FolderPart(program) + QStringLiteral("' not found");
    case TStartResult::TReason::OutOfMemory:
        return QStringLiteral("Not enough memory available");
    default:
        return QStringLiteral("Errornumber is %1").arg(result.ErrorNumber);
    }
}

// Copies Entry's object into File: the bytes as they are, a tape as a UEF file, a disc of
// two sides interleaved. A failed card
// read is reported and leaves the file empty (the emulator is started all the same); false
// only when the file could not be written.
bool WriteEmulatorImage(brelk::TBrelk& card, TPrompter& ask, const TBrelkCatEntry& entry,
                        TPrivateTempFile& file) {
    std::vector<std::uint8_t> buffer;
    if (!brelk::ReadWholeObject(card, entry, buffer)) {
        ask.Message(QStringLiteral("Could not read from Brelk."), TIcon::Error, TButtons::OK);
        return true;
    }
    buffer = brelk::ObjectInFileForm(
        std::move(buffer), brelk::FileFormFor(entry, QFile::encodeName(file.Path()).toStdString()));
    return file.Write(buffer.data(), buffer.size());
}

TProcessStarter& DefaultStarter() {
    static TDetachedProcessStarter starter;
    return starter;
}

} // namespace

void TfrmMain::CreateEmulatorCommand() {
    SetActionHandler(mnuPopupOpenInEmulator, [this] { mnuPopupOpenInEmulatorClick(); });
}

void TfrmMain::mnuPopupOpenInEmulatorClick() {
    TMyTreeNode* node = SelectedNode();
    const TBrelkCatEntry* entry = node ? node->Entry : nullptr;
    if (!entry || IsBusy())
        return;
    TPrivateTempFile file(EmulatorImageName(*entry, brelk::DFSSidesOnCard(*Brelk, *entry)));
    // A file that cannot be written whole is as useless to the emulator as one that cannot
    // be created.
    if (!file.IsOpen() || !WriteEmulatorImage(*Brelk, Ask, *entry, file) || !file.Close()) {
        Ask.Message(QStringLiteral("Could not create temporary file '") + file.Path() +
                        QStringLiteral("'."),
                    TIcon::Error, TButtons::OK);
        return;
    }
    const QString program = Settings.EmulatorPath;
    TProcessStarter& starter = Starter ? *Starter : DefaultStarter();
    const TStartResult result = starter.StartDetached(
        program, EmulatorArguments(Settings.EmulatorCLO, file.Path()), FolderPart(program));
    if (result.Started())
        return;
    Ask.Message(QStringLiteral("Could not open the emulator - ") +
                    StartFailureReason(result, program) + QStringLiteral(".") + CR + CR +
                    QStringLiteral("Please check the Emulator-entry in the settings."),
                TIcon::Error, TButtons::OK);
}
