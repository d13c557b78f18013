// "Open in Emulator": the temporary image in the private folder (its contents, name, modes,
// and that no symbolic link is followed), the command-line template split into words with
// "$img$" replaced, the detached start and the messages when it fails.
#include "tst_main_fixture.h"

#include "formats/UEFBuilder.h"
#include "formats/UEFWriter.h"
#include "ui/aux/PrivateTempFile.h"
#include "ui/aux/ProcessStarter.h"
#include "ui/aux/ShellWords.h"

#include <QAction>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

using namespace maintest;
using TReason = TStartResult::TReason;

namespace {

using TBytes = std::vector<std::uint8_t>;
const QString CR(QChar(13));

// Points TMPDIR at a folder of its own for the life of the object.
class TTempFolderScope {
  public:
    explicit TTempFolderScope(const QString& name = QStringLiteral("tmp")) {
        Path = Dir.filePath(name);
        QDir().mkpath(Path);
        Saved = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(Path));
    }
    ~TTempFolderScope() {
        if (Saved.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", Saved);
    }
    QString PrivateFolder() const {
        return Path + QStringLiteral("/brelkexplorer-%1/").arg(::geteuid());
    }
    QTemporaryDir Dir;
    QString Path;
    QByteArray Saved;
};

// A card holding one object with Data as its contents; the settings point at it.
bool UseCardWith(TMainRig& rig, const TObject& object, const TBytes& data) {
    rig.SetSetting("MMCDrive", rig.CardPath());
    if (!MakeCard(rig.CardPath(), k8M, {}))
        return false;
    TRecordingReporter reporter;
    brelk::TBrelk card(reporter);
    card.Initialize(65536, rig.CardPath().toStdString(), 8192);
    brelk::TBrelkCatEntry entry;
    entry.SetType(object.Type);
    entry.SetSubtype(object.Subtype);
    entry.SetName(object.Name);
    entry.SetSize(std::uint32_t(data.size()));
    return card.AddObjectToBrelk(entry, data.data(), false) && card.FlushMMCDevice() &&
           reporter.Errors.empty();
}

TBytes PatternBytes(std::size_t size) {
    TBytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = std::uint8_t(i * 7 + 3);
    return bytes;
}

TBytes FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = file.readAll();
    return TBytes(all.begin(), all.end());
}

mode_t ModeOf(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777
                                                                      : mode_t(-1);
}

bool WriteText(const QString& path, const QByteArray& text, QFile::Permissions permissions) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text) == text.size() && file.setPermissions(permissions);
}

// A window on a card with one object, selected, with the emulator settings given and a
// recording starter.
struct TEmulatorRig {
    TEmulatorRig(const TObject& object, const TBytes& data, const QString& path,
                 const QString& commandLine) {
        Ok = UseCardWith(Rig, object, data);
        Rig.SetSetting("EmulatorPath", path);
        Rig.SetSetting("EmulatorCLO", commandLine);
        Rig.SetSetting("ViewerAutoviewObjectDetails", 0);
        TfrmMain& main = Rig.Open();
        main.SetProcessStarter(&Starter);
        Find<TObjectTreeWidget>(main, "treevwObjects")
            ->setCurrentItem(FindNode(main, QString::fromStdString(object.Name)));
    }
    // Opens the popup menu and picks "Open in Emulator".
    bool OpenInEmulator() {
        Rig.Main->mnuPopupPopup();
        QAction* entry = Find<QAction>(*Rig.Main, "mnuPopupOpenInEmulator");
        if (!entry->isVisible() || !entry->isEnabled())
            return false;
        entry->trigger();
        return true;
    }
    TMainRig Rig;
    TRecordingProcessStarter Starter;
    bool Ok = false;
};

} // namespace

class TestMainEmulator : public QObject {
    Q_OBJECT
  private slots:
    void splitShellWords_data();
    void splitShellWords();
    void templateWithPlaceholderTwice();
    void emptyTemplateGivesTheImageAlone();
    void imageByObjectKind_data();
    void imageByObjectKind();
    void startFailures_data();
    void startFailures();
    void recordedFailureTexts_data();
    void recordedFailureTexts();
    void realStartGetsWordsAndFolder();
    void existingLooseFolderIsNarrowed();
    void symbolicLinkFolderIsRefused();
    void symbolicLinkFileIsNotFollowed();
    void folderOfAnotherUserIsRefused();
    void unusableTempFolder();
    void missingTempFolderFallsBackToTmp();
    void failedCardReadStillStarts();
    void nothingWithoutAnObject();
};

void TestMainEmulator::splitShellWords_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("blanks") << " -a\t b \n c  " << QStringList{"-a", "b", "c"};
    QTest::newRow("nothing") << "   " << QStringList{};
    QTest::newRow("double quotes")
        << "-disc \"/a b/c d.ssd\"" << QStringList{"-disc", "/a b/c d.ssd"};
    QTest::newRow("single quotes keep backslashes") << "'a\\b \"c\"'" << QStringList{"a\\b \"c\""};
    QTest::newRow("escapes in double quotes")
        << "\"\\\"x\\\\ \\$y \\a\"" << QStringList{"\"x\\ $y \\a"};
    QTest::newRow("backslash outside quotes") << "a\\ b c\\'d" << QStringList{"a b", "c'd"};
    QTest::newRow("quotes join their neighbours")
        << "--disc=\"x y\"'z'w" << QStringList{"--disc=x yzw"};
    QTest::newRow("empty quotes are a word") << "a \"\" ''" << QStringList{"a", "", ""};
    QTest::newRow("backslash newline joins") << "ab\\\ncd \\\n e" << QStringList{"abcd", "e"};
    QTest::newRow("open quote runs to the end") << "a \"b c" << QStringList{"a", "b c"};
    QTest::newRow("trailing backslash") << "a\\" << QStringList{"a\\"};
    QTest::newRow("nothing is expanded")
        << "$HOME `x` *.ssd ~" << QStringList{"$HOME", "`x`", "*.ssd", "~"};
}

void TestMainEmulator::splitShellWords() {
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(SplitShellWords(text), words);
}

// Both placeholders, one in capitals, are replaced; quotes in the template group words; the
// path (here with a blank in it) stays one word. The image holds the object's bytes.
void TestMainEmulator::templateWithPlaceholderTwice() {
    const TTempFolderScope temp(QStringLiteral("temp folder"));
    const TBytes data = PatternBytes(204800);
    TEmulatorRig rig(Disc("ELITE", 1, 204800), data, "/opt/emu/beebem",
                     "-b \"$img$\" --disc=$IMG$ 'two words'");
    QVERIFY(rig.Ok);
    QVERIFY(rig.OpenInEmulator());
    const QString image = temp.PrivateFolder() + "BrelkEmulatorImage.ssd";
    QCOMPARE(rig.Starter.Starts.size(), 1);
    const auto& start = rig.Starter.Starts.first();
    QCOMPARE(start.Program, QString("/opt/emu/beebem"));
    QCOMPARE(start.Arguments, (QStringList{"-b", image, "--disc=" + image, "two words"}));
    QCOMPARE(start.WorkingFolder, QString("/opt/emu/"));
    QVERIFY2(rig.Rig.Prompter.Messages().isEmpty(), qPrintable(rig.Rig.Prompter.Describe()));
    QVERIFY(FileBytes(image) == data);
    QCOMPARE(ModeOf(image), mode_t(0600));
    QCOMPARE(ModeOf(temp.PrivateFolder()), mode_t(0700));
}

void TestMainEmulator::emptyTemplateGivesTheImageAlone() {
    const TTempFolderScope temp;
    TEmulatorRig rig(Disc("ELITE", 1, 512), PatternBytes(512), "/opt/emu/beebem", "");
    QVERIFY(rig.Ok);
    QVERIFY(rig.OpenInEmulator());
    QCOMPARE(rig.Starter.Starts.size(), 1);
    QCOMPARE(rig.Starter.Starts.first().Arguments,
             QStringList{temp.PrivateFolder() + "BrelkEmulatorImage.ssd"});
}

// Emulators pick the format by the extension: a tape goes as a UEF file made from its
// blocks, an ADFS disc as ".adf", or ".adl" when larger than an "M" disc.
void TestMainEmulator::imageByObjectKind_data() {
    QTest::addColumn<int>("subtype");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("name");
    QTest::newRow("DFS") << 1 << 25600 << "BrelkEmulatorImage.ssd";
    QTest::newRow("ADFS M") << 2 << 327680 << "BrelkEmulatorImage.adf";
    QTest::newRow("ADFS L") << 2 << 655360 << "BrelkEmulatorImage.adl";
    QTest::newRow("tape") << 3 << 0 << "BrelkEmulatorImage.uef";
}

void TestMainEmulator::imageByObjectKind() {
    QFETCH(int, subtype);
    QFETCH(int, size);
    QFETCH(QString, name);
    const TTempFolderScope temp;
    TBytes data = PatternBytes(std::size_t(size));
    TBytes expected = data;
    if (subtype == brelk::kSubtypeTape) {
        brelktest::TBlockSpec block;
        block.Name = "GAME";
        block.DataLength = 256;
        block.Flag = 0x80;
        data = brelktest::TapeBlock(block);
        data.resize(512, 0);
        expected = brelk::MakeUEFFromTapeBlocks(data.data(), data.size());
        QVERIFY(expected.size() > 10 && std::equal(expected.begin(), expected.begin() + 9,
                                                   std::string("UEF File!").begin()));
    }
    TEmulatorRig rig(Disc("OBJECT", std::uint8_t(subtype), std::uint32_t(data.size())), data,
                     "/opt/emu/beebem", "$img$");
    QVERIFY(rig.Ok);
    QVERIFY(rig.OpenInEmulator());
    const QString image = temp.PrivateFolder() + name;
    QCOMPARE(rig.Starter.Starts.size(), 1);
    QCOMPARE(rig.Starter.Starts.first().Arguments, QStringList{image});
    QVERIFY(FileBytes(image) == expected);
}

// The real start: the program's file or folder missing, a file that is no program.
void TestMainEmulator::startFailures_data() {
    QTest::addColumn<QString>("program"); // inside the test folder
    QTest::addColumn<QString>("reason");  // %1: the full path, %2: its folder
    QTest::newRow("no such file") << "emu/beebem"
                                  << "File '%1' not found";
    QTest::newRow("no such folder") << "gone/beebem"
                                    << "Path '%2' not found";
    QTest::newRow("not a program") << "emu/garbage"
                                   << "Errornumber is 8";
    QTest::newRow("not executable") << "emu/plain"
                                    << "Errornumber is 13";
}

void TestMainEmulator::startFailures() {
    QFETCH(QString, program);
    QFETCH(QString, reason);
    const TTempFolderScope temp;
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("emu")));
    const auto exec = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QVERIFY(WriteText(dir.filePath("emu/garbage"), QByteArray("\x01\x02garbage", 9), exec));
    QVERIFY(WriteText(dir.filePath("emu/plain"), "#!/bin/sh\n", QFile::ReadOwner));
    const QString path = dir.filePath(program);
    TEmulatorRig rig(Disc("ELITE", 1, 512), PatternBytes(512), path, "$img$");
    QVERIFY(rig.Ok);
    TDetachedProcessStarter real;
    rig.Rig.Main->SetProcessStarter(&real);
    QVERIFY(rig.OpenInEmulator());
    const QString text =
        "Could not open the emulator - " +
        QString(reason).replace("%1", path).replace("%2", QFileInfo(path).path() + "/") + "." + CR +
        CR + "Please check the Emulator-entry in the settings.";
    QCOMPARE(rig.Rig.Prompter.Messages(), QStringList{text});
    QCOMPARE(rig.Rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    QCOMPARE(rig.Rig.Prompter.Last().Buttons, TPrompter::TButtons::OK);
    // The image was made all the same.
    QVERIFY(QFileInfo::exists(temp.PrivateFolder() + "BrelkEmulatorImage.ssd"));
}

// The reason texts for each outcome the starter can report.
void TestMainEmulator::recordedFailureTexts_data() {
    QTest::addColumn<int>("reason");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("2") << int(TReason::FileNotFound) << 0 << "File '/opt/emu/beebem' not found";
    QTest::newRow("3") << int(TReason::PathNotFound) << 0 << "Path '/opt/emu/' not found";
    QTest::newRow("8") << int(TReason::OutOfMemory) << 0 << "Not enough memory available";
    QTest::newRow("errno 13") << int(TReason::SystemError) << 13 << "Errornumber is 13";
    QTest::newRow("errno 2 from exec") << int(TReason::SystemError) << 2 << "Errornumber is 2";
}

void TestMainEmulator::recordedFailureTexts() {
    QFETCH(int, reason);
    QFETCH(int, number);
    QFETCH(QString, text);
    const TTempFolderScope temp;
    TEmulatorRig rig(Disc("ELITE", 1, 512), PatternBytes(512), "/opt/emu/beebem", "$img$");
    QVERIFY(rig.Ok);
    rig.Starter.Result = TStartResult::Failed(TReason(reason), number);
    QVERIFY(rig.OpenInEmulator());
    QCOMPARE(rig.Rig.Prompter.Messages(),
             QStringList{"Could not open the emulator - " + text + "." + CR + CR +
                         "Please check the Emulator-entry in the settings."});
}

// A real program started detached gets the words of the template and runs in its folder.
void TestMainEmulator::realStartGetsWordsAndFolder() {
    const TTempFolderScope temp;
    QTemporaryDir dir;
    const QString folder = dir.filePath("emu dir");
    QVERIFY(QDir().mkpath(folder));
    const QString script = folder + "/emulator";
    const QString out = dir.filePath("arguments.txt");
    QVERIFY(WriteText(script,
                      "#!/bin/sh\nprintf '%s\\n' \"$PWD\" \"$@\" > \"" + QFile::encodeName(out) +
                          ".part\"\nmv \"" + QFile::encodeName(out) + ".part\" \"" +
                          QFile::encodeName(out) + "\"\n",
                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    TEmulatorRig rig(Disc("ELITE", 1, 512), PatternBytes(512), script,
                     "-disc \"$img$\" 'a;b' $(x)");
    QVERIFY(rig.Ok);
    TDetachedProcessStarter real;
    rig.Rig.Main->SetProcessStarter(&real);
    QVERIFY(rig.OpenInEmulator());
    QVERIFY2(rig.Rig.Prompter.Messages().isEmpty(), qPrintable(rig.Rig.Prompter.Describe()));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(out), 10000);
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split('\n');
    QCOMPARE(lines.mid(0, 5),
             (QStringList{QDir(folder).canonicalPath(), "-disc",
                          temp.PrivateFolder() + "BrelkEmulatorImage.ssd", "a;b", "$(x)"}));
}

// A private folder left with looser rights by an older run is narrowed to the user alone.
void TestMainEmulator::existingLooseFolderIsNarrowed() {
    const TTempFolderScope temp;
    QVERIFY(QDir().mkpath(temp.PrivateFolder()));
    QVERIFY(::chmod(QFile::encodeName(temp.PrivateFolder()).constData(), 0755) == 0);
    TEmulatorRig rig(Disc("ELITE", 1, 512), PatternBytes(512), "/opt/emu/beebem", "$img$");
    QVERIFY(rig.Ok);
    QVERIFY(rig.OpenInEmulator());
    QCOMPARE(rig.Starter.Starts.size(), 1);
    QCOMPARE(ModeOf(temp.PrivateFolder()), mode_t(0700));
}

// Someone else's symbolic link in the private folder's place: nothing is written through
// it and the emulator is not started.
void TestMainEmulator::symbolicLinkFolderIsRefused() {
    const TTempFolderScope temp;
    const QString elsewhere = temp.Path + "/elsewhere";
    QVERIFY(QDir().mkpath(elsewhere));
    const QString folder = temp.PrivateFolder().chopped(1);
    QVERIFY(QFile::link(elsewhere, folder));
    TEmulatorRig rig(Disc("ELITE", 1, 512), PatternBytes(512), "/opt/emu/beebem", "$img$");
    QVERIFY(rig.Ok);
    QVERIFY(rig.OpenInEmulator());
    QCOMPARE(rig.Rig.Prompter.Messages(),
             QStringList{"Could not create temporary file '" + temp.PrivateFolder() +
                         "BrelkEmulatorImage.ssd'."});
    QCOMPARE(rig.Rig.Prompter.Last().Icon, TPrompter::TIcon::Error);
    QVERIFY(rig.Starter.Starts.isEmpty());
    QVERIFY(QDir(elsewhere).isEmpty());
}

void TestMainEmulator::symbolicLinkFileIsNotFollowed() {
    const TTempFolderScope temp;
    QVERIFY(QDir().mkpath(temp.PrivateFolder()));
    QVERIFY(::chmod(QFile::encodeName(temp.PrivateFolder()).constData(), 0700) == 0);
    const QString victim = temp.Path + "/victim.txt";
    QVERIFY(WriteText(victim, "keep me", QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(QFile::link(victim, temp.PrivateFolder() + "BrelkEmulatorImage.ssd"));
    TEmulatorRig rig(Disc("ELITE", 1, 512), PatternBytes(512), "/opt/emu/beebem", "$img$");
    QVERIFY(rig.Ok);
    QVERIFY(rig.OpenInEmulator());
    QCOMPARE(rig.Rig.Prompter.Messages().size(), 1);
    QVERIFY(rig.Rig.Prompter.Messages().first().startsWith("Could not create temporary file '"));
    QVERIFY(rig.Starter.Starts.isEmpty());
    QVERIFY(FileBytes(victim) == TBytes({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
}

void TestMainEmulator::folderOfAnotherUserIsRefused() {
    const TTempFolderScope temp;
    QVERIFY(QDir().mkpath(temp.PrivateFolder()));
    if (::chown(QFile::encodeName(temp.PrivateFolder()).constData(), 65534, 65534) != 0)
        QSKIP("giving a folder to another user needs root");
    TEmulatorRig rig(Disc("ELITE", 1, 512), PatternBytes(512), "/opt/emu/beebem", "$img$");
    QVERIFY(rig.Ok);
    QVERIFY(rig.OpenInEmulator());
    QCOMPARE(rig.Rig.Prompter.Messages().size(), 1);
    QVERIFY(rig.Rig.Prompter.Messages().first().startsWith("Could not create temporary file '"));
    QVERIFY(rig.Starter.Starts.isEmpty());
    QVERIFY(!QFileInfo::exists(temp.PrivateFolder() + "BrelkEmulatorImage.ssd"));
}

// A temporary location where no folder can be made stops the command with its message.
void TestMainEmulator::unusableTempFolder() {
    const TTempFolderScope temp;
    const QString file = temp.Path + "/plain-file";
    QVERIFY(WriteText(file, "x", QFile::ReadOwner | QFile::WriteOwner));
    TEmulatorRig rig(Disc("ELITE", 1, 512), PatternBytes(512), "/opt/emu/beebem", "$img$");
    QVERIFY(rig.Ok);
    qputenv("TMPDIR", QFile::encodeName(file));
    QVERIFY(rig.OpenInEmulator());
    QCOMPARE(rig.Rig.Prompter.Messages(),
             QStringList{"Could not create temporary file '" + file + "/" +
                         QStringLiteral("brelkexplorer-%1/").arg(::geteuid()) +
                         "BrelkEmulatorImage.ssd'."});
    QVERIFY(rig.Starter.Starts.isEmpty());
}

// TMPDIR naming no folder: the private folder goes to /tmp, as when TMPDIR is not set.
void TestMainEmulator::missingTempFolderFallsBackToTmp() {
    const TTempFolderScope temp;
    qputenv("TMPDIR", QFile::encodeName(temp.Path + "/missing"));
    QCOMPARE(TPrivateTempFile::FolderPath(),
             QStringLiteral("/tmp/brelkexplorer-%1/").arg(::geteuid()));
}

// The card cannot be read: the failure is told, and the emulator starts on the empty image.
void TestMainEmulator::failedCardReadStillStarts() {
    const TTempFolderScope temp;
    TEmulatorRig rig(Disc("ELITE", 1, 204800), PatternBytes(204800), "/opt/emu/beebem", "$img$");
    QVERIFY(rig.Ok);
    QVERIFY(QFile::remove(rig.Rig.CardPath()));
    QVERIFY(rig.OpenInEmulator());
    const QStringList messages = rig.Rig.Prompter.Messages();
    QVERIFY2(messages.size() >= 2, qPrintable(rig.Rig.Prompter.Describe()));
    QCOMPARE(messages.last(), QString("Could not read from Brelk."));
    QCOMPARE(rig.Starter.Starts.size(), 1);
    const QString image = temp.PrivateFolder() + "BrelkEmulatorImage.ssd";
    QVERIFY(QFileInfo::exists(image));
    QCOMPARE(QFileInfo(image).size(), 0);
}

void TestMainEmulator::nothingWithoutAnObject() {
    const TTempFolderScope temp;
    TEmulatorRig rig(Disc("ELITE", 1, 512), PatternBytes(512), "/opt/emu/beebem", "$img$");
    QVERIFY(rig.Ok);
    Find<TObjectTreeWidget>(*rig.Rig.Main, "treevwObjects")
        ->setCurrentItem(rig.Rig.Main->RootNode());
    rig.Rig.Main->mnuPopupOpenInEmulatorClick();
    QVERIFY(rig.Starter.Starts.isEmpty());
    QVERIFY(rig.Rig.Prompter.Messages().isEmpty());
    QVERIFY(!QFileInfo::exists(temp.PrivateFolder()));
}

QTEST_MAIN(TestMainEmulator)
#include "tst_main_emulator.moc"
