// The MIME types that the package adds, read by a MIME database built from the system's
// shared-mime-info and the package's file: which type a disc image file gets, by its name
// and its bytes, and that the desktop entry offers the program for every one of them.
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kSystemTypes = QStringLiteral("/usr/share/mime/packages/freedesktop.org.xml");

QString DataFile(const char* name) {
    return QStringLiteral(BRELK_DATA_DIR "/") + QLatin1String(name);
}

// The bytes of an image: zeros with the ADFS root's "Hugo" at 0x201, the Amiga "DOS\0" at
// 0, or nothing.
QByteArray ImageBytes(const QString& kind) {
    QByteArray bytes(2048, '\0');
    if (kind == QLatin1String("adfs"))
        bytes.replace(0x201, 4, "Hugo");
    else if (kind == QLatin1String("amiga"))
        bytes.replace(0, 4, QByteArray("DOS\0", 4));
    return bytes;
}

// The type names that the package's MIME file defines.
QStringList PackageTypes() {
    QFile file(DataFile("brelkexplorer-mime.xml"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression type(QStringLiteral("<mime-type type=\"([^\"]+)\""));
    QStringList names;
    for (auto match = type.globalMatch(QString::fromUtf8(file.readAll())); match.hasNext();)
        names << match.next().captured(1);
    return names;
}

} // namespace

class TestMimeTypes : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void typeByNameAndBytes_data();
    void typeByNameAndBytes();
    void desktopEntryOffersEveryType();

  private:
    QTemporaryDir Root;
};

// QMimeDatabase reads the folders of XDG_DATA_HOME and XDG_DATA_DIRS when it is first used.
void TestMimeTypes::initTestCase() {
    const QString update = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (update.isEmpty() || !QFile::exists(kSystemTypes))
        QSKIP("shared-mime-info (update-mime-database and freedesktop.org.xml) is not installed");
    const QString packages = Root.filePath(QStringLiteral("share/mime/packages"));
    QVERIFY(QDir().mkpath(packages));
    QVERIFY(QDir().mkpath(Root.filePath(QStringLiteral("home"))));
    QVERIFY(QFile::copy(kSystemTypes, packages + QStringLiteral("/freedesktop.org.xml")));
    QVERIFY(QFile::copy(DataFile("brelkexplorer-mime.xml"),
                        packages + QStringLiteral("/brelkexplorer.xml")));
    QCOMPARE(QProcess::execute(update, {Root.filePath(QStringLiteral("share/mime"))}), 0);
    qputenv("XDG_DATA_HOME", Root.filePath(QStringLiteral("home")).toLocal8Bit());
    qputenv("XDG_DATA_DIRS", Root.filePath(QStringLiteral("share")).toLocal8Bit());
}

void TestMimeTypes::typeByNameAndBytes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<QString>("type");
    const QString adfs = QStringLiteral("application/x-acorn-adfs");
    const QString amiga = QStringLiteral("application/x-amiga-disk-format");
    QTest::newRow(".adl with Hugo") << "a.adl"
                                    << "adfs" << adfs;
    QTest::newRow(".adl blank") << "b.adl"
                                << "none" << adfs;
    QTest::newRow(".adf with Hugo") << "c.adf"
                                    << "adfs" << adfs;
    QTest::newRow(".ADF with Hugo") << "D.ADF"
                                    << "adfs" << adfs;
    QTest::newRow(".adf of an Amiga") << "e.adf"
                                      << "amiga" << amiga;
    QTest::newRow(".adf without either") << "f.adf"
                                         << "none" << amiga;
    QTest::newRow(".ssd stays DFS") << "g.ssd"
                                    << "adfs"
                                    << "application/x-acorn-ssd";
}

void TestMimeTypes::typeByNameAndBytes() {
    QFETCH(QString, name);
    QFETCH(QString, bytes);
    QFETCH(QString, type);
    QFile file(Root.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ImageBytes(bytes));
    file.close();
    QCOMPARE(QMimeDatabase().mimeTypeForFile(file.fileName()).name(), type);
}

void TestMimeTypes::desktopEntryOffersEveryType() {
    QFile entry(DataFile("org.halde.BrelkExplorer.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList offered;
    while (!entry.atEnd())
        if (const QString line = QString::fromUtf8(entry.readLine()).trimmed();
            line.startsWith(QStringLiteral("MimeType=")))
            offered = line.mid(9).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const QStringList defined = PackageTypes();
    QVERIFY(defined.contains(QStringLiteral("application/x-acorn-adfs")));
    for (const QString& type : defined)
        QVERIFY2(offered.contains(type), qPrintable(type));
}

QTEST_GUILESS_MAIN(TestMimeTypes)
#include "tst_mimetypes.moc"
