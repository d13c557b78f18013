// A full catalogue of 65535 entries: the tree holds every object in its groups once they are
// filled, and the time of the build (one wait-window progress report per entry) and of the
// filling is printed, not asserted.
#include "tst_main_fixture.h"

#include "ui/main/MainWidgets.h"

#include <QElapsedTimer>
#include <QTreeWidgetItemIterator>

#include <cstring>

using namespace maintest;

namespace {

constexpr std::uint32_t kEntries = brelk::kMaxCatalogueCount;
constexpr std::uint32_t kObjectSize = 512;

// The entry of object I: a quarter of each type, in catalogue order, the tools and discs in
// 64 sub-groups each.
brelk::TBrelkCatEntry MakeEntry(std::uint32_t i, std::uint32_t address) {
    const std::uint32_t quarter = (kEntries + 3) / 4;
    const std::uint8_t type = std::uint8_t(i / quarter);
    brelk::TBrelkCatEntry entry;
    entry.SetType(type);
    entry.SetSubtype(type == brelk::kTypeFilingSystem ? 2 : type == brelk::kTypeImage ? 1 : 0);
    entry.SetAddress(address);
    entry.SetSize(kObjectSize);
    char name[48];
    std::snprintf(name, sizeof name, "GROUP%02u.OBJECT%05u", (i % quarter) / 256, i);
    entry.SetName(name);
    return entry;
}

// Writes the header and the entries straight into a sparse image file.
bool MakeFullCard(const QString& path) {
    const std::uint32_t catalogueEnd = (512 + 64 * kEntries + 511) / 512 * 512;
    const std::uint32_t limit = catalogueEnd + kEntries * (512 + kObjectSize);
    const std::uint32_t cardSize = limit + 8192;
    std::vector<std::uint8_t> bytes(catalogueEnd, 0);
    std::memcpy(bytes.data(), "BrelkCat", 8);
    std::uint32_t address = limit;
    for (std::uint32_t i = 0; i < kEntries; ++i) {
        address -= 512 + kObjectSize;
        const brelk::TBrelkCatEntry entry = MakeEntry(i, address + 512);
        std::memcpy(&bytes[512 + 64 * i], entry.Bytes.data(), 64);
    }
    brelk::PutLE32(&bytes[brelk::kHeaderCountOffset], kEntries);
    brelk::PutLE32(&bytes[brelk::kHeaderLowestOffset], address);
    // The newest object's header, which the check at opening looks at.
    QByteArray header(512, '\0');
    header.replace(0, 8, "BrelkEnt");
    header.replace(16, 64, reinterpret_cast<const char*>(&bytes[512 + 64 * (kEntries - 1)]), 64);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
               qint64(bytes.size()) &&
           file.resize(cardSize) && file.seek(address) && file.write(header) == header.size();
}

} // namespace

class TestMainTiming : public QObject {
    Q_OBJECT
  private slots:
    void fullCatalogueTree();
};

void TestMainTiming::fullCatalogueTree() {
    TMainRig rig;
    QVERIFY(MakeFullCard(rig.CardPath()));
    rig.SetSetting("MMCDrive", rig.CardPath());
    QElapsedTimer clock;
    clock.start();
    TfrmMain& main = rig.Open();
    const qint64 startup = clock.elapsed();
    main.show();
    QVERIFY(main.Card()->State().CatalogueValid);
    QCOMPARE(main.Card()->Entries().size(), std::size_t(kEntries));
    QCOMPARE(rig.Prompter.Messages(), QStringList()); // a sound catalogue: nothing said
    // The groups of 16384 objects get their nodes when first expanded or looked into.
    QCOMPARE(main.TreeNodeCount(), 5);
    clock.restart();
    main.FillAllGroups();
    const qint64 fill = clock.elapsed();

    int objects = 0;
    for (QTreeWidgetItemIterator it(Find<TObjectTreeWidget>(main, "treevwObjects")); *it; ++it)
        objects += static_cast<TMyTreeNode*>(*it)->Entry != nullptr;
    QCOMPARE(objects, int(kEntries));
    TMyTreeNode* tools = main.RootNode()->Child(2);
    QCOMPARE(tools->childCount(), 64);
    QCOMPARE(tools->Child(0)->Text(), QString("GROUP00"));
    QCOMPARE(tools->Child(0)->childCount(), 256);

    clock.restart();
    Find<QAction>(main, "actnRefreshTree")->trigger();
    const qint64 rebuild = clock.elapsed();
    clock.restart();
    main.TidyTree();
    main.FillAllGroups();
    const qint64 tidy = clock.elapsed();
    qInfo("65535 entries: start-up with tree %lld ms, filling its groups %lld ms, tree rebuild "
          "with progress reports %lld ms, tidy and filling %lld ms",
          startup, fill, rebuild, tidy);
    QCOMPARE(main.RootNode()->Child(3)->childCount(), 64);

    // Two quarters (the tools and the discs, 32,767 objects) moved to "Deleted objects".
    main.UserSettings().UseDeletedObjects = true;
    Find<TObjectTreeWidget>(main, "treevwObjects")->setCurrentItem(main.RootNode()->Child(2));
    main.RootNode()->Child(3)->setSelected(true);
    rig.Prompter.QueueAnswer(TPrompter::TAnswer::Yes);
    clock.restart();
    main.actnDeleteObjectsExecute();
    const qint64 move = clock.elapsed();
    const int quarter = int((kEntries + 3) / 4);
    // Everything but the filing systems is a deleted object now.
    QCOMPARE(main.RootNode()->Child(0)->childCount(), int(kEntries) - quarter);
    QCOMPARE(main.RootNode()->Child(2)->childCount(), 0);
    qInfo("moving 32767 of 65535 objects to the deleted objects: %lld ms", move);
}

QTEST_MAIN(TestMainTiming)
#include "tst_main_timing.moc"
