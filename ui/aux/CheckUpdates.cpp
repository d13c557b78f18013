#include "ui/aux/CheckUpdates.h"

#include "ui/aux/CentreOnScreen.h"
#include "ui/aux/ProgramInfo.h"
#include "ui/aux/ShellOpener.h"
#include "ui/aux/UpdateFetcher.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

// The update server; BRELKEXPLORER_UPDATE_URL replaces it.
const char* const kUpdateServer = "http://update.halde.example";

struct TUpdateReply {
    QString CurrentVersion;
    QString ReleaseDate;
};

// The text of the first child elements "currentversion" and "releasedate" of the root; false
// when the document is not well-formed XML.
bool ParseReply(const QByteArray& body, TUpdateReply& reply) {
    QXmlStreamReader xml(body);
    bool haveVersion = false;
    bool haveDate = false;
    if (!xml.readNextStartElement())
        return false;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("currentversion") && !haveVersion) {
            reply.CurrentVersion = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            haveVersion = true;
        } else if (name == QLatin1String("releasedate") && !haveDate) {
            reply.ReleaseDate = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            haveDate = true;
        } else {
            xml.skipCurrentElement();
        }
    }
    // The rest of the document must be sound too.
    while (!xml.atEnd())
        xml.readNext();
    return !xml.hasError();
}

} // namespace

TfrmCheckUpdates::TfrmCheckUpdates(TUpdateFetcher* fetcher, TShellOpener* shell, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), Fetcher(fetcher),
      Shell(shell) {
    if (!Fetcher) {
        OwnFetcher = std::make_unique<TNetworkFetcher>();
        Fetcher = OwnFetcher.get();
    }
    if (!Shell) {
        OwnShell = std::make_unique<TDesktopShellOpener>();
        Shell = OwnShell.get();
    }
    ProgramName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    VersionText = ProgramVersionText();
    FormCreate();
}

TfrmCheckUpdates::~TfrmCheckUpdates() {
    Fetcher->Abort();
}

void TfrmCheckUpdates::FormCreate() {
    setObjectName(QStringLiteral("frmCheckUpdates"));
    setWindowTitle(QStringLiteral("Check for Updates"));
    setModal(true);

    memoUpdateResults = new QPlainTextEdit(this);
    memoUpdateResults->setObjectName(QStringLiteral("memoUpdateResults"));

    memoUpdateResults->setReadOnly(true);
    memoUpdateResults->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    lblHomepage = new QLabel(this);
    lblHomepage->setObjectName(QStringLiteral("lblHomepage"));
    lblHomepage->setCursor(Qt::PointingHandCursor);
    lblHomepage->installEventFilter(this);

    btbtnCancel = new QPushButton(QStringLiteral("Close"), this);
    btbtnCancel->setObjectName(QStringLiteral("btbtnCancel"));

    btbtnCancel->setDefault(true);
    connect(btbtnCancel, &QPushButton::clicked, this, &TfrmCheckUpdates::btbtnCancelClick);

    lblHomepage->setText(QStringLiteral("Visit homepage: ") + HomepageAddress());
    PlaceControls();

    tmrCloseWindow = new QTimer(this);
    tmrCloseWindow->setObjectName(QStringLiteral("tmrCloseWindow"));
    tmrCloseWindow->setInterval(3000);
    tmrCloseWindow->setSingleShot(true);
    connect(tmrCloseWindow, &QTimer::timeout, this, &TfrmCheckUpdates::tmrCloseWindowTimer);
}

void TfrmCheckUpdates::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && !Open) {
        Open = true;
        CentreOnScreen(this);
        FormShow();
    }
}

// The homepage line has a row of its own above the button, as wide as the window (which
// widens when the line needs more room).
void TfrmCheckUpdates::PlaceControls() {
    const int lineHeight = lblHomepage->sizeHint().height();
    const int width = std::max(415, lblHomepage->sizeHint().width() + 16);
    setFixedSize(width, 142);
    btbtnCancel->setGeometry(width - 83, 112, 75, 25);
    lblHomepage->setGeometry(8, 108 - lineHeight, width - 16, lineHeight);
    memoUpdateResults->setGeometry(8, 8, width - 16, 104 - lineHeight - 8);
}

void TfrmCheckUpdates::FormShow() {
    tmrCloseWindow->stop();
    memoUpdateResults->clear();
    lblHomepage->setText(QStringLiteral("Visit homepage: ") + HomepageAddress());
    PlaceControls();
    // The check runs once the window is on the screen, which stays responsive meanwhile.
    QTimer::singleShot(0, this, [this] {
        if (Open)
            RunUpdateCheck();
    });
}

void TfrmCheckUpdates::Add(const QString& line) {
    memoUpdateResults->appendPlainText(line);
}

QUrl TfrmCheckUpdates::RequestUrl() const {
    QByteArray base = qEnvironmentVariableIsSet("BRELKEXPLORER_UPDATE_URL")
                          ? qgetenv("BRELKEXPLORER_UPDATE_URL")
                          : QByteArray(kUpdateServer);
    while (base.endsWith('/'))
        base.chop(1);
    return QUrl::fromEncoded(
        base + "/updateBrelkExplorer.xml?appname=" + QUrl::toPercentEncoding(ProgramName) +
        "&version=" + QUrl::toPercentEncoding(VersionText));
}

void TfrmCheckUpdates::RunUpdateCheck() {
    if (Running)
        return;
    Running = true;
    bool found = false;
    const QString version = VersionText;
    Add(QStringLiteral("You are using ") + ProgramName + QStringLiteral(" version ") + version +
        QLatin1Char('.'));
    Add(QStringLiteral("Contacting website..."));
    QByteArray body;
    if (Fetcher->Fetch(RequestUrl(), body)) {
        Add(QStringLiteral("Website found..."));
        QString releaseDate;
        const std::optional<QVersionNumber> latest = LatestVersion(body, &releaseDate);
        if (!latest) {
            Add(QStringLiteral("ERROR: The update information could not be read."));
        } else if (IsNewer(*latest, version)) {
            found = true;
            Add(QStringLiteral("A new version (") + latest->toString() +
                QStringLiteral(", released ") + releaseDate + QStringLiteral(") is available!"));
        } else {
            Add(QStringLiteral("You have the most current version."));
        }
    } else {
        Add(QStringLiteral("ERROR: Website not found!"));
    }
    Add(QStringLiteral("Connection closed."));
    Running = false;
    if (Open && !found && AutoStarted)
        tmrCloseWindow->start();
    else
        tmrCloseWindow->stop();
}

bool TfrmCheckUpdates::IsNewer(const QVersionNumber& latest, const QString& own) {
    return QVersionNumber::compare(latest.normalized(),
                                   QVersionNumber::fromString(own).normalized()) > 0;
}

std::optional<QVersionNumber> TfrmCheckUpdates::LatestVersion(const QByteArray& reply,
                                                              QString* releaseDate) {
    TUpdateReply parsed;
    if (!ParseReply(reply, parsed))
        return std::nullopt;
    const QString text = parsed.CurrentVersion.trimmed();
    qsizetype end = 0;
    const QVersionNumber version = QVersionNumber::fromString(text, &end);
    if (version.isNull() || end != text.size())
        return std::nullopt;
    if (releaseDate)
        *releaseDate = parsed.ReleaseDate;
    return version;
}

void TfrmCheckUpdates::btbtnCancelClick() {
    accept();
}

void TfrmCheckUpdates::tmrCloseWindowTimer() {
    accept();
}

void TfrmCheckUpdates::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TfrmCheckUpdates::FormClose() {
    tmrCloseWindow->stop();
    Open = false;
    // A check still waiting for the server ends now; its last lines go to the closed window.
    Fetcher->Abort();
}

void TfrmCheckUpdates::lblHomepageClick() {
    const QString address = LinkFromCaption(lblHomepage->text());
    if (!address.isEmpty())
        Shell->OpenAddress(address);
}

bool TfrmCheckUpdates::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblHomepage && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblHomepageClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
