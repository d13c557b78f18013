// The usage bar (hint, normal and zoomed view, cache strip), the cache panel and the enabling
// of the card-wide actions.
#include "tst_main_fixture.h"

#include "ui/main/MainWidgets.h"
#include "ui/main/UsageBarPainter.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>

using namespace maintest;

namespace {

constexpr std::uint32_t k32M = 32u << 20;

QColor Highlight(const TfrmMain& main) {
    return main.palette().color(QPalette::Highlight);
}

QColor PixelAt(const TfrmMain& main, int x, int y) {
    return Find<TUsageImage>(main, "imgMMCBlockUsage")->Image.pixelColor(x, y);
}

// Sets the default locale for the life of the object.
class TLocaleScope {
  public:
    explicit TLocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~TLocaleScope() { QLocale::setDefault(QLocale::c()); }
};

} // namespace

class TestMainTopbar : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void emptyCardHintAndOnePixelBar();
    void hintUsesLocaleDecimalSeparator();
    void noCardAndUnformattedCard_data();
    void noCardAndUnformattedCard();
    void actionEnablingFollowsCard();
    void cachePanelShowsPendingAndClickWrites();
    void cacheClickWithNothingPendingDoesNothing();
    void zoomToggleAndGapsInZoomedView();
    void zoomedViewAbove2GiB();
    void roundingHalvesToEven();
};

void TestMainTopbar::emptyCardHintAndOnePixelBar() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k32M, {}));
    TfrmMain& main = rig.Open();
    main.show();
    QCOMPARE(Find<QFrame>(main, "pnlMMCBlockUsage")->toolTip(), QString("0.002% of MMC used"));
    QCOMPARE(Find<QGroupBox>(main, "grpbxMMCInfo")->title(), QString("MMC-Usage"));
    const QImage& image = Find<TUsageImage>(main, "imgMMCBlockUsage")->Image;
    QCOMPARE(image.size(), Find<QFrame>(main, "pnlMMCBlockUsage")->size() - QSize(4, 4));
    QVERIFY(image.width() > 100);
    for (int y = 0; y < image.height(); ++y) {
        QCOMPARE(PixelAt(main, 0, y), Highlight(main));
        QVERIFY(PixelAt(main, 1, y) != Highlight(main));
    }
    QCOMPARE(PixelAt(main, image.width() - 1, 0), PixelAt(main, 1, 0));
}

void TestMainTopbar::hintUsesLocaleDecimalSeparator() {
    TLocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(UsageHint(512, k32M), QString("0,002% of MMC used"));
    QCOMPARE(UsageHint(k32M, k32M), QString("100,000% of MMC used"));
    QCOMPARE(UsageHint(0, 0), QString());
}

void TestMainTopbar::noCardAndUnformattedCard_data() {
    QTest::addColumn<bool>("cardPresent");
    QTest::addColumn<QString>("hint");
    QTest::newRow("no card") << false << "";
    QTest::newRow("not formatted") << true << "0.000% of MMC used";
}

void TestMainTopbar::noCardAndUnformattedCard() {
    QFETCH(bool, cardPresent);
    QFETCH(QString, hint);
    TMainRig rig;
    if (cardPresent)
        QVERIFY(rig.UseCard(k8M, {}, false));
    else
        rig.SetSetting("MMCDrive", rig.CardPath());
    TfrmMain& main = rig.Open();
    main.show();
    QCOMPARE(Find<QFrame>(main, "pnlMMCBlockUsage")->toolTip(), hint);
    const QImage& image = Find<TUsageImage>(main, "imgMMCBlockUsage")->Image;
    for (int x : {0, image.width() / 2, image.width() - 1})
        QVERIFY(PixelAt(main, x, 1) != Highlight(main));
    QCOMPARE(Find<QGroupBox>(main, "grpbxMMCInfo")->title(), QString(" MMC-Usage"));
}

void TestMainTopbar::actionEnablingFollowsCard() {
    struct TCase {
        const char* Name;
        int Card; // 0 none, 1 empty, 2 objects, 3 objects and a deleted one
        bool Format, Backup, RemoveDeleted;
    };
    const TCase cases[] = {{"no card", 0, false, false, false},
                           {"empty", 1, true, false, false},
                           {"objects", 2, true, true, false},
                           {"deleted", 3, true, true, true}};
    for (const TCase& c : cases) {
        TMainRig rig;
        std::vector<TObject> objects;
        if (c.Card >= 2)
            objects.push_back({brelk::kTypeTool, 0, "T", 512});
        if (c.Card == 3)
            objects.push_back({brelk::kTypeDeleted, 0, "D", 512});
        if (c.Card == 0)
            rig.SetSetting("MMCDrive", rig.CardPath());
        else
            QVERIFY(rig.UseCard(k8M, objects));
        TfrmMain& main = rig.Open();
        rig.GiveAllActionsWork();
        main.UpdateTopbarInfo();
        QVERIFY2(Find<QAction>(main, "actnFormatMMC")->isEnabled() == c.Format, c.Name);
        QVERIFY2(Find<QAction>(main, "actnRestoreBrelk")->isEnabled() == c.Format, c.Name);
        QVERIFY2(Find<QAction>(main, "actnBackupBrelk")->isEnabled() == c.Backup, c.Name);
        QVERIFY2(Find<QAction>(main, "actnRemoveDeletedObjects")->isEnabled() == c.RemoveDeleted,
                 c.Name);
        QVERIFY2(Find<QAction>(main, "actnReloadDrive")->isEnabled(), c.Name);
    }
}

void TestMainTopbar::cachePanelShowsPendingAndClickWrites() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    TfrmMain& main = rig.Open();
    main.show();
    QCOMPARE(Find<TClickPanel>(main, "pnlCacheStatus")->Colour(), QColor(0, 128, 0));
    QCOMPARE(Find<TClickPanel>(main, "pnlCacheStatus")->toolTip(),
             QString("Brelk-card can safely be removed"));
    QVERIFY(AddObjects(*main.Card(), {{brelk::kTypeTool, 0, "NEW", 2048}}));
    main.PopulateTreeInfo();
    main.UpdateTopbarInfo();
    QCOMPARE(Find<TClickPanel>(main, "pnlCacheStatus")->Colour(), QColor(255, 0, 0));
    QCOMPARE(Find<TClickPanel>(main, "pnlCacheStatus")->toolTip(),
             QString("Don't remove the Brelk-card - Click to empty cache"));
    QVERIFY(!Find<QAction>(main, "actnReloadDrive")->isEnabled());
    QCOMPARE(CardNames(rig.CardPath()), QStringList());

    QTest::mouseClick(Find<TClickPanel>(main, "pnlCacheStatus"), Qt::LeftButton);
    QCOMPARE(CardNames(rig.CardPath()), QStringList{"NEW"});
    QCOMPARE(Find<TClickPanel>(main, "pnlCacheStatus")->Colour(), QColor(0, 128, 0));
    QVERIFY(Find<QAction>(main, "actnReloadDrive")->isEnabled());
    QVERIFY(!rig.Wait->isVisible());
    QCOMPARE(rig.Wait->findChild<QLabel*>("lblWaitTxt")->text(), QString("Flushing cache..."));
}

void TestMainTopbar::cacheClickWithNothingPendingDoesNothing() {
    TMainRig rig;
    QVERIFY(rig.UseCard(k8M, {}));
    TfrmMain& main = rig.Open();
    rig.Wait->findChild<QLabel*>("lblWaitTxt")->setText("untouched");
    main.pnlCacheStatusClick();
    QCOMPARE(rig.Wait->findChild<QLabel*>("lblWaitTxt")->text(), QString("untouched"));
}

// Three objects with the middle one removed: the gap shows in the zoomed view, and the cache
// strip marks the cache window red while it holds unwritten data.
void TestMainTopbar::zoomToggleAndGapsInZoomedView() {
    TMainRig rig;
    const std::uint32_t size = 96 * 1024;
    QVERIFY(rig.UseCard(k8M, {{brelk::kTypeTool, 0, "A", size},
                              {brelk::kTypeTool, 0, "B", size},
                              {brelk::kTypeTool, 0, "C", size}}));
    rig.SetSetting("CacheSize", 65536);
    TfrmMain& main = rig.Open();
    main.show();
    brelk::TBrelk& card = *main.Card();
    QVERIFY(card.DeleteCatEntry(card.Entries()[1]));
    QVERIFY(card.FlushMMCDevice());
    QCOMPARE(card.FreeRecords().size(), std::size_t(2));
    const brelk::TBrelkFreeBlock gap = card.FreeRecords()[1];
    std::uint8_t byte = 0;
    QVERIFY(card.ReadMMC(&byte, gap.Start + gap.Length + 600, 1)); // the cache moves up there

    QTest::mouseClick(Find<TUsageImage>(main, "imgMMCBlockUsage"), Qt::LeftButton, {},
                      QPoint(3, 3));
    QCOMPARE(main.UsageZoomLevel(), 1);
    QCOMPARE(Find<QGroupBox>(main, "grpbxMMCInfo")->title(), QString("MMC-Usage (zoomed)"));
    const QImage& image = Find<TUsageImage>(main, "imgMMCBlockUsage")->Image;
    const int width = image.width();
    const int bottom = image.height() - 1;
    const double start = card.FreeRecords()[0].Start + double(card.FreeRecords()[0].Length);
    const double range = double(card.State().CardSize - 8192) - start;
    const int gapX = int(std::lrint((gap.Start - start) / range * width));
    const int gapW = int(std::lrint(gap.Length / range * width));
    QVERIFY(gapW > 4);
    const QColor used = Highlight(main);
    QCOMPARE(PixelAt(main, gapX + 1, 0), PixelAt(main, gapX + gapW - 2, 0));
    QVERIFY(PixelAt(main, gapX + 1, 0) != used);
    QCOMPARE(PixelAt(main, gapX + gapW - 1, 0), used); // the break ends one pixel early
    QCOMPARE(PixelAt(main, gapX - 1, 0), used);
    QCOMPARE(PixelAt(main, 0, bottom - 2), used);
    QCOMPARE(PixelAt(main, width - 1, bottom - 2), used);
    const int cacheX = int(std::lrint((card.Window().Start - start) / range * width));
    const int cacheW = int(std::lrint(card.Window().Fill / range * width));
    QVERIFY(cacheW >= 1);
    QCOMPARE(PixelAt(main, cacheX, bottom), QColor(0, 128, 0));
    QCOMPARE(PixelAt(main, cacheX, bottom - 1), QColor(0, 128, 0));
    QVERIFY(PixelAt(main, cacheX + cacheW, bottom) != QColor(0, 128, 0));

    const std::uint8_t patch = 0x42;
    QVERIFY(card.WriteRawBytes(&patch, gap.Start + gap.Length + 600, 1));
    main.UpdateTopbarInfo();
    QCOMPARE(PixelAt(main, cacheX, bottom), QColor(255, 0, 0));

    main.imgMMCBlockUsageClick();
    QCOMPARE(main.UsageZoomLevel(), 0);
    QCOMPARE(Find<QGroupBox>(main, "grpbxMMCInfo")->title(), QString("MMC-Usage"));
    QVERIFY(PixelAt(main, width - 1, 0) != used);
}

// Card addresses above 2 GiB scale like any others.
void TestMainTopbar::zoomedViewAbove2GiB() {
    const std::vector<brelk::TBrelkFreeBlock> map = {{1024, 0x90000000u - 1024},
                                                     {0xC0000000u, 0x10000000u}};
    TUsageBarState state;
    state.CatalogueValid = true;
    state.CardSize = 0xE0000000u;
    state.SafetyZone = 8192;
    state.UsedBytes = 0x40000000u;
    state.FreeSpaceMap = &map;
    state.CacheStart = 0xA0000000u;
    state.CacheFill = 0x08000000u;
    TUsageBarColours colours;
    colours.Background = Qt::gray;
    colours.Used = Qt::blue;
    QImage image(100, 12, QImage::Format_RGB32);
    PaintUsageBar(image, state, true, colours);
    QCOMPARE(image.pixelColor(59, 0), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(60, 0), QColor(Qt::gray));
    QCOMPARE(image.pixelColor(78, 9), QColor(Qt::gray));
    QCOMPARE(image.pixelColor(79, 0), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(99, 9), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(19, 11), QColor(Qt::gray));
    QCOMPARE(image.pixelColor(20, 10), QColor(0, 128, 0));
    QCOMPARE(image.pixelColor(29, 11), QColor(0, 128, 0));
    QCOMPARE(image.pixelColor(30, 11), QColor(Qt::gray));
    // The normal view of the same card: 0x40000000 of 0xE0000000 is 2/7 of 100 pixels.
    PaintUsageBar(image, state, false, colours);
    QCOMPARE(image.pixelColor(28, 5), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(29, 5), QColor(Qt::gray));
}

void TestMainTopbar::roundingHalvesToEven() {
    QCOMPARE(RoundHalfEven(0.5), 0LL);
    QCOMPARE(RoundHalfEven(1.5), 2LL);
    QCOMPARE(RoundHalfEven(2.5), 2LL);
    QCOMPARE(RoundHalfEven(2.6), 3LL);
}

QTEST_MAIN(TestMainTopbar)
#include "tst_main_topbar.moc"
