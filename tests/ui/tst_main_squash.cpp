// Squashing and expanding DFS disc objects from the tree: progress, icons, sizes, a full card,
// Cancel between discs, two-sided discs, and the popup and fields around them.
#include "tst_main_fixture.h"

#include "formats/AcornDFS.h"
#include "formats/DFSBuilder.h"
#include "formats/DFSSideWalk.h"
#include "support/UiTestSupport.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include <csignal>
#include <sys/resource.h>

using namespace maintest;
using brelk::kSubtypeDFS;
using brelk::kTypeImage;
using dfstest::TDFSBuilder;
using TIcon = TPrompter::TIcon;
using TButtons = TPrompter::TButtons;
using TBytes = std::vector<std::uint8_t>;

namespace {

struct TImage {
    std::string Name;
    TBytes Bytes;
    std::uint8_t Type = kTypeImage;
};

// Adds the images to the card file (formatted, Size bytes); with LeaveFree set, a tool then
// fills the card until only that many bytes of the big gap stay free.
bool MakeCardWith(const QString& path, std::uint32_t size, const std::vector<TImage>& images,
                  std::uint32_t leaveFree = 0) {
    if (!MakeCard(path, size, {}))
        return false;
    TRecordingReporter reporter;
    brelk::TBrelk card(reporter);
    card.Initialize(65536, path.toStdString(), 8192);
    for (const TImage& image : images) {
        brelk::TBrelkCatEntry entry;
        entry.SetType(image.Type);
        entry.SetSubtype(image.Type == kTypeImage ? kSubtypeDFS : 0);
        entry.SetName(image.Name);
        entry.SetSize(std::uint32_t(image.Bytes.size()));
        if (!card.AddObjectToBrelk(entry, image.Bytes.data(), false))
            return false;
    }
    if (leaveFree > 0) {
        const std::uint32_t filler =
            (card.FreeRecords().front().Length - 512 - leaveFree) / 512 * 512;
        if (!AddObjects(card, {{brelk::kTypeTool, 0, "FILLER", filler}}))
            return false;
    }
    return card.FlushMMCDevice() && reporter.Errors.empty();
}

// A full side holding one file in sectors 2 to 5: squashed, 6 sectors (1536 bytes).
TBytes FullDisc(const std::string& title) {
    return TDFSBuilder(800).Title(title).AddWithData({'$', "PROG", 1000, 2}, 0x41).Bytes();
}

// A squashed side of 4 sectors whose file fills sectors 2 and 3: squashing keeps it as it is.
TBytes SquashedDisc(const std::string& title) {
    return TDFSBuilder(4, 1024).Title(title).AddWithData({'$', "DATA", 512, 2}, 0x42).Bytes();
}

TBytes ObjectBytes(TfrmMain& main, const brelk::TBrelkCatEntry& entry) {
    TBytes bytes(entry.Size());
    main.Card()->ReadMMC(bytes.data(), entry.Address(), entry.Size());
    return bytes;
}

qint64 IconKey(TfrmMain& main, const char* key) {
    return main.Images().Icon(brelk::IndexOfObjectImage(key)).cacheKey();
}

// Selects the nodes of the named objects, the first one current.
void Select(TfrmMain& main, const QStringList& texts) {
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(FindNode(main, texts.first()));
    for (qsizetype i = 1; i < texts.size(); ++i)
        FindNode(main, texts[i])->setSelected(true);
}

// Watches the wait window: the progress values shown (above 0) and the extra texts painted.
class TWaitWatch : public QObject {
  public:
    explicit TWaitWatch(TfrmWait& wait)
        : Bar(Named<QProgressBar>(&wait, "prgrsWait")), Extra(Named<QLabel>(&wait, "lblExtrainfo")),
          Cancel(Named<QPushButton>(&wait, "btbtnCancel")) {
        connect(Bar, &QProgressBar::valueChanged, this, [this](int value) {
            if (value > 0)
                Values << value;
            if (value == CancelAt)
                Cancel->click();
        });
        Extra->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == Extra && event->type() == QEvent::Paint && !Extra->text().isEmpty() &&
            (Texts.isEmpty() || Texts.last() != Extra->text()))
            Texts << Extra->text();
        return false;
    }
    QProgressBar* Bar;
    QLabel* Extra;
    QPushButton* Cancel;
    QList<int> Values;
    QStringList Texts;
    int CancelAt = -1; // Cancel is clicked while this percentage is being reported
};

} // namespace

class TestMainSquash : public QObject {
    Q_OBJECT
  private slots:
    void squashFullToolAndSquashed();
    void emptyFullDiscSquashesToOneBlock();
    void squashedDiscExpandsToFullSide();
    void fullCardLeavesEntryAndTree();
    void cancelDuringSecondOfFive();
    void writeFailureSaysSoOnce();
    void twoSidedDiscKeepsBothSides();
    void reachedFromPopup();
};

void TestMainSquash::squashFullToolAndSquashed() {
    TMainRig rig;
    QVERIFY(MakeIcons(rig.ProgramFolder));
    rig.SetSetting("MMCDrive", rig.CardPath());
    const TBytes squashed = SquashedDisc("SQ");
    QVERIFY(
        MakeCardWith(rig.CardPath(), k8M,
                     {{"FULL", FullDisc("FULL")}, {"SQUASHED", squashed}, {"TOOL", {1, 2, 3}, 2}}));
    TfrmMain& main = rig.Open();
    TWaitWatch watch(*rig.Wait);
    Select(main, {"FULL", "TOOL", "SQUASHED"});
    const brelk::TBrelkCatEntry* full = FindNode(main, "FULL")->Entry;
    const brelk::TBrelkCatEntry* small = FindNode(main, "SQUASHED")->Entry;
    const std::uint32_t smallAddress = small->Address();
    QCOMPARE(full->Size(), 204800u);
    QCOMPARE(FindNode(main, "FULL")->icon(0).cacheKey(), IconKey(main, "DISC_DFS"));
    main.actnSquashDiscExecute();

    QCOMPARE(watch.Values, (QList<int>{33, 100})); // the tool is passed over
    QCOMPARE(watch.Texts, (QStringList{"Object: FULL", "Object: SQUASHED"}));
    QVERIFY(!rig.Wait->isVisible());
    QVERIFY(rig.Prompter.Questions().isEmpty());
    QCOMPARE(full->Size(), 1536u);
    TBytes expected = FullDisc("FULL");
    expected.resize(1536);
    brelk::WriteDFSSectorCount(expected.data(), expected.size(), 6);
    QCOMPARE(ObjectBytes(main, *full), expected);
    // The squashed disc was written anew, with the same bytes.
    QCOMPARE(small->Size(), 1024u);
    QVERIFY(small->Address() != smallAddress);
    QCOMPARE(ObjectBytes(main, *small), squashed);
    QCOMPARE(FindNode(main, "FULL")->icon(0).cacheKey(), IconKey(main, "DISC_DFS_SQUASHED"));
    QCOMPARE(FindNode(main, "SQUASHED")->icon(0).cacheKey(), IconKey(main, "DISC_DFS_SQUASHED"));
    // The fields show the first selected object as it is now; the card has pending data.
    QCOMPARE(Find<QLabel>(main, "lblObjectFullname")->text(), QString("FULL"));
    QCOMPARE(Find<QLabel>(main, "lblObjectSize")->text().trimmed(), QString("00000600"));
    QVERIFY(main.Card()->HasUnsavedData());
    QVERIFY(!Find<QAction>(main, "actnReloadDrive")->isEnabled());
    QVERIFY(!main.IsBusy());
    QVERIFY(Find<QAction>(main, "actnSquashDisc")->isEnabled() ||
            !main.ActionWanted(Find<QAction>(main, "actnSquashDisc")));
}

void TestMainSquash::emptyFullDiscSquashesToOneBlock() {
    TMainRig rig;
    QVERIFY(MakeIcons(rig.ProgramFolder));
    rig.SetSetting("MMCDrive", rig.CardPath());
    QVERIFY(MakeCardWith(rig.CardPath(), k8M, {{"EMPTY", TDFSBuilder(800).Title("E").Bytes()}}));
    TfrmMain& main = rig.Open();
    Select(main, {"EMPTY"});
    main.actnSquashDiscExecute();
    TMyTreeNode* node = FindNode(main, "EMPTY");
    QCOMPARE(node->Entry->Size(), 512u);
    QCOMPARE(node->icon(0).cacheKey(), IconKey(main, "DISC_DFS_SQUASHED"));
    QCOMPARE(main.Card()->Entries().size(), std::size_t(1));
}

void TestMainSquash::squashedDiscExpandsToFullSide() {
    TMainRig rig;
    QVERIFY(MakeIcons(rig.ProgramFolder));
    rig.SetSetting("MMCDrive", rig.CardPath());
    const TBytes small =
        TDFSBuilder(100, 25600).Title("SMALL").AddWithData({'$', "F", 0x1000, 2}, 0x46).Bytes();
    QVERIFY(MakeCardWith(rig.CardPath(), k8M, {{"SMALL", small}}));
    TfrmMain& main = rig.Open();
    TWaitWatch watch(*rig.Wait);
    Select(main, {"SMALL"});
    QCOMPARE(FindNode(main, "SMALL")->icon(0).cacheKey(), IconKey(main, "DISC_DFS_SQUASHED"));
    main.actnExpandDiscExecute();
    QCOMPARE(watch.Values, QList<int>{100});
    TMyTreeNode* node = FindNode(main, "SMALL");
    QCOMPARE(node->Entry->Size(), 204800u);
    const TBytes bytes = ObjectBytes(main, *node->Entry);
    brelk::TAcornDFSDiscObject disc;
    QVERIFY(disc.AddDiscSide(bytes.data(), bytes.size()));
    QCOMPARE(disc.aDiscSides[0].SectorCount, std::uint16_t(800));
    QVERIFY(std::equal(small.begin() + 512, small.end(), bytes.begin() + 512));
    QVERIFY(std::all_of(bytes.begin() + 25600, bytes.end(), [](auto b) { return b == 0; }));
    QCOMPARE(node->icon(0).cacheKey(), IconKey(main, "DISC_DFS"));
}

// No free span takes the expanded disc: the message names it and nothing changes.
void TestMainSquash::fullCardLeavesEntryAndTree() {
    TMainRig rig;
    QVERIFY(MakeIcons(rig.ProgramFolder));
    rig.SetSetting("MMCDrive", rig.CardPath());
    QVERIFY(MakeCardWith(rig.CardPath(), 1u << 20,
                         {{"SMALL", TDFSBuilder(100, 25600).Title("SMALL").Bytes()}}, 100000));
    TfrmMain& main = rig.Open();
    Select(main, {"SMALL"});
    TMyTreeNode* node = FindNode(main, "SMALL");
    const brelk::TBrelkCatEntry before = *node->Entry;
    const QString tree = Dump(main.RootNode());
    main.actnExpandDiscExecute();
    QCOMPARE(rig.Prompter.Messages(),
             QStringList{"Could not expand 'SMALL' - not enough contigous free space or Brelk "
                         "is full!"});
    QCOMPARE(rig.Prompter.Last().Icon, TIcon::Error);
    QCOMPARE(rig.Prompter.Last().Buttons, TButtons::OK);
    QVERIFY(node->Entry->Bytes == before.Bytes);
    QCOMPARE(Dump(main.RootNode()), tree);
    QCOMPARE(node->icon(0).cacheKey(), IconKey(main, "DISC_DFS_SQUASHED"));
    QVERIFY(!main.Card()->HasUnsavedData());
    QVERIFY(!rig.Wait->isVisible());
}

// A write to the card fails while three discs are expanded (the process may write no byte at
// or past 1 MiB, where the objects lie): the first disc fits the cache, and its write fails
// when the second needs the cache. The card reports the failure, and the expansion says once
// that it stopped, rather than calling the card full for every disc after it.
void TestMainSquash::writeFailureSaysSoOnce() {
    TMainRig rig;
    rig.SetSetting("MMCDrive", rig.CardPath());
    QVERIFY(MakeCardWith(
        rig.CardPath(), k8M,
        {{"D1", SquashedDisc("D1")}, {"D2", SquashedDisc("D2")}, {"D3", SquashedDisc("D3")}}));
    TfrmMain& main = rig.Open();
    Select(main, {"D1", "D2", "D3"});
    struct rlimit before {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = before;
    limited.rlim_cur = 1u << 20;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    main.actnExpandDiscExecute();
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    const QStringList messages = rig.Prompter.Messages();
    QVERIFY2(messages.size() == 2, qPrintable(rig.Prompter.Describe()));
    QVERIFY(messages.first().startsWith("Error - "));
    QCOMPARE(messages.last(), QStringLiteral("The Brelk-card takes no more writes after the "
                                             "failure above: 2 discs were not expanded."));
    for (const char* name : {"D2", "D3"})
        QCOMPARE(FindNode(main, name)->Entry->Size(), 1024u);
    QVERIFY(!rig.Wait->isVisible());
}

// Cancel pressed while the second of five discs is reported: that disc is still converted,
// the third and later are not started.
void TestMainSquash::cancelDuringSecondOfFive() {
    TMainRig rig;
    rig.SetSetting("MMCDrive", rig.CardPath());
    std::vector<TImage> discs;
    for (int i = 1; i <= 5; ++i)
        discs.push_back({"D" + std::to_string(i), FullDisc("D" + std::to_string(i))});
    QVERIFY(MakeCardWith(rig.CardPath(), k8M, discs));
    TfrmMain& main = rig.Open();
    TWaitWatch watch(*rig.Wait);
    watch.CancelAt = 40;
    Select(main, {"D1", "D2", "D3", "D4", "D5"});
    main.actnSquashDiscExecute();
    QCOMPARE(watch.Values, (QList<int>{20, 40, 60}));
    QStringList sizes;
    for (const char* name : {"D1", "D2", "D3", "D4", "D5"})
        sizes << QString::number(FindNode(main, name)->Entry->Size());
    QCOMPARE(sizes.join(' '), QString("1536 1536 204800 204800 204800"));
    QVERIFY(!rig.Wait->isVisible());
    QVERIFY(!main.IsBusy());
}

void TestMainSquash::twoSidedDiscKeepsBothSides() {
    TMainRig rig;
    rig.SetSetting("MMCDrive", rig.CardPath());
    const TBytes two = dfstest::Concat({FullDisc("A"), FullDisc("B")});
    QVERIFY(MakeCardWith(rig.CardPath(), k8M, {{"TWO", two}}));
    TfrmMain& main = rig.Open();
    Select(main, {"TWO"});
    main.actnSquashDiscExecute();
    const brelk::TBrelkCatEntry* entry = FindNode(main, "TWO")->Entry;
    QCOMPARE(entry->Size(), 2u * 1536u);
    const TBytes bytes = ObjectBytes(main, *entry);
    brelk::TAcornDFSDiscObject walked;
    QCOMPARE(brelk::WalkDFSSides(walked, bytes.data(), bytes.size()), 2);
    QCOMPARE(walked.aDiscSides[0].Title, std::string("A"));
    QCOMPARE(walked.aDiscSides[1].Title, std::string("B"));
    main.actnExpandDiscExecute();
    QCOMPARE(entry->Size(), 409600u);
    QVERIFY(rig.Prompter.Questions().isEmpty());
}

void TestMainSquash::reachedFromPopup() {
    TMainRig rig;
    rig.SetSetting("MMCDrive", rig.CardPath());
    QVERIFY(MakeCardWith(rig.CardPath(), k8M, {{"FULL", FullDisc("FULL")}}));
    TfrmMain& main = rig.Open();
    Select(main, {"FULL"});
    main.mnuPopupPopup();
    QVERIFY(Find<QAction>(main, "actnSquashDisc")->isEnabled());
    QVERIFY(!Find<QAction>(main, "actnExpandDisc")->isEnabled()); // a full disc cannot be expanded
    Find<QAction>(main, "actnSquashDisc")->trigger();
    QCOMPARE(FindNode(main, "FULL")->Entry->Size(), 1536u);
    main.mnuPopupPopup();
    QVERIFY(!Find<QAction>(main, "actnSquashDisc")->isEnabled());
    QVERIFY(Find<QAction>(main, "actnExpandDisc")->isEnabled());
    Find<QAction>(main, "actnExpandDisc")->trigger();
    QCOMPARE(FindNode(main, "FULL")->Entry->Size(), 204800u);
}

QTEST_MAIN(TestMainSquash)
#include "tst_main_squash.moc"
