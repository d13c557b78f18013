#include "ui/aux/AboutSplash.h"

#include "ui/aux/DataFolder.h"
#include "ui/aux/ProgramInfo.h"
#include "ui/aux/ShellOpener.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

namespace {

constexpr int PictureWidth = 358;
constexpr int PictureHeight = 480;

QString DefaultImgsFolder() {
    return ProgramDataFolder() + QStringLiteral("imgs");
}

} // namespace

TfrmSplash::TfrmSplash(TShellOpener* shell, const QString& imgsFolder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Shell(shell) {
    if (Shell == nullptr) {
        OwnShell = std::make_unique<TDesktopShellOpener>();
        Shell = OwnShell.get();
    }
    FormCreate(imgsFolder.isEmpty() ? DefaultImgsFolder() : imgsFolder);
}

TfrmSplash::~TfrmSplash() = default;

void TfrmSplash::FormCreate(const QString& imgsFolder) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("BrelkExplorer"));
    MayClose = false;

    imgMMCCard = new QLabel(this);
    imgMMCCard->setObjectName(QStringLiteral("imgMMCCard"));
    const QPixmap picture(imgsFolder + QStringLiteral("/splash.bmp"));
    if (!picture.isNull()) {
        imgMMCCard->setPixmap(picture);
        imgMMCCard->resize(picture.size());
        // White is drawn see-through.
        setMask(picture.createMaskFromColor(Qt::white, Qt::MaskInColor));
    } else {
        imgMMCCard->resize(PictureWidth, PictureHeight);
        imgMMCCard->setStyleSheet(QStringLiteral("background: rgb(36, 46, 70);"));
    }
    setFixedSize(imgMMCCard->size());

    lblComments = MakeLabel("lblComments", QRect(24, 328, 313, 90), Qt::red);
    lblComments->setWordWrap(true);
    lblNameLine1 = MakeLabel("lblNameLine1", QRect(24, 424, 313, 13), QColor(192, 192, 192));
    lblNameLine2 = MakeLabel("lblNameLine2", QRect(24, 440, 313, 13), QColor(192, 192, 192));
    lblNameLine2->setCursor(Qt::PointingHandCursor);
    imgMMCCard->installEventFilter(this);

    tmrCloseForm = new QTimer(this);
    tmrCloseForm->setObjectName(QStringLiteral("tmrCloseForm"));
    tmrCloseForm->setInterval(2000);
    connect(tmrCloseForm, &QTimer::timeout, this, &TfrmSplash::tmrCloseFormTimer);
    tmrCloseForm->start();
}

QLabel* TfrmSplash::MakeLabel(const char* name, const QRect& place, const QColor& colour) {
    auto* label = new QLabel(this);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(place);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->installEventFilter(this);
    return label;
}

QString TfrmSplash::CreditLine() {
    return QStringLiteral("by Halde - ") + HomepageAddress();
}

void TfrmSplash::FormShow() {
    lblNameLine1->setText(QStringLiteral("BrelkExplorer ") + ProgramVersionText());
    lblNameLine2->setText(CreditLine());
    lblComments->clear();
}

void TfrmSplash::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmSplash::CloseThisWindow() {
    if (!MayClose)
        return;
    tmrCloseForm->stop();
    if (isVisible())
        done(QDialog::Accepted); // hides the window and ends a modal showing
}

void TfrmSplash::HideIfVisible() {
    if (isVisible())
        hide();
}

void TfrmSplash::tmrCloseFormTimer() {
    CloseThisWindow();
}
void TfrmSplash::imgMMCCardClick() {
    CloseThisWindow();
}
void TfrmSplash::lblNameLine1Click() {
    CloseThisWindow();
}
void TfrmSplash::lblCommentsClick() {
    CloseThisWindow();
}

void TfrmSplash::lblNameLine2Click() {
    const QString address = LinkFromCaption(lblNameLine2->text());
    if (!address.isEmpty())
        Shell->OpenAddress(address);
}

bool TfrmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonRelease ||
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return QDialog::eventFilter(watched, event);
    if (watched == imgMMCCard)
        imgMMCCardClick();
    else if (watched == lblNameLine1)
        lblNameLine1Click();
    else if (watched == lblNameLine2)
        lblNameLine2Click();
    else if (watched == lblComments)
        lblCommentsClick();
    return true;
}

void TfrmSplash::reject() {
    // Esc and the window manager's close obey the same rule as a click.
    CloseThisWindow();
}
