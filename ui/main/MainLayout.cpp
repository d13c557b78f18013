// The main window's controls and their places: the usage strip across the top, the object
// tree on the left, the object information on the right, the status bar at the bottom.
#include "ui/main/Main.h"

#include "ui/main/MainWidgets.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kTreeMinWidth = 120;
constexpr int kObjectInfoMinWidth = 396;
constexpr int kMinHeight = 350;
constexpr int kFieldHeight = 18;
constexpr int kNumberFieldWidth = 96;
constexpr int kTextFieldMinWidth = 289;

// Keeps the right edge of the text fields (type and name) at the right edge of their parent,
// so that they grow with the window; they are never narrower than their first width.
class TStretchToRight : public QObject {
  public:
    TStretchToRight(QWidget* parent, QList<QWidget*> fields)
        : QObject(parent), Fields(std::move(fields)) {
        parent->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            for (QWidget* field : Fields)
                field->resize(std::max(kTextFieldMinWidth,
                                       static_cast<QWidget*>(watched)->width() - field->x()),
                              field->height());
        return QObject::eventFilter(watched, event);
    }

  private:
    QList<QWidget*> Fields;
};

// Every character as wide as any other, so that the columns of the details texts line up.
bool MonospacedFont(const QFont& font) {
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(QLatin1Char('i')) ==
           metrics.horizontalAdvance(QLatin1Char('W'));
}

QFont FixedPitchFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(11);
    if (MonospacedFont(font))
        return font;
    QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    system.setPixelSize(11);
    return system;
}

} // namespace

void TfrmMain::CreateControls() {
    setMinimumHeight(kMinHeight);
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("pnlCentral"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);
    layout->addWidget(CreateTopbar());

    spltrMainformLeftRight = new QSplitter(Qt::Horizontal, central);
    spltrMainformLeftRight->setObjectName(QStringLiteral("spltrMainformLeftRight"));
    spltrMainformLeftRight->setHandleWidth(2);
    spltrMainformLeftRight->setChildrenCollapsible(false);
    treevwObjects = new TObjectTreeWidget(spltrMainformLeftRight);
    treevwObjects->setObjectName(QStringLiteral("treevwObjects"));
    treevwObjects->setMinimumWidth(kTreeMinWidth);
    spltrMainformLeftRight->addWidget(treevwObjects);
    spltrMainformLeftRight->addWidget(CreateObjectInfo());
    spltrMainformLeftRight->setStretchFactor(0, 0);
    spltrMainformLeftRight->setStretchFactor(1, 1);
    layout->addWidget(spltrMainformLeftRight, 1);
    setCentralWidget(central);

    stsbrMain = new QStatusBar(this);
    stsbrMain->setObjectName(QStringLiteral("stsbrMain"));
    setStatusBar(stsbrMain);
}

QWidget* TfrmMain::CreateTopbar() {
    grpbxMMCInfo = new QGroupBox(QStringLiteral(" MMC-Usage"));
    grpbxMMCInfo->setObjectName(QStringLiteral("grpbxMMCInfo"));
    auto* layout = new QHBoxLayout(grpbxMMCInfo);
    layout->setContentsMargins(8, 4, 8, 6);
    layout->setSpacing(8);

    pnlMMCBlockUsage = new QFrame(grpbxMMCInfo);
    pnlMMCBlockUsage->setObjectName(QStringLiteral("pnlMMCBlockUsage"));
    pnlMMCBlockUsage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlMMCBlockUsage->setLineWidth(1);
    pnlMMCBlockUsage->setFixedHeight(16);
    auto* inner = new QHBoxLayout(pnlMMCBlockUsage);
    inner->setContentsMargins(1, 1, 1, 1); // with the 1-pixel frame: a 2-pixel border
    imgMMCBlockUsage = new TUsageImage(pnlMMCBlockUsage);
    imgMMCBlockUsage->setObjectName(QStringLiteral("imgMMCBlockUsage"));
    inner->addWidget(imgMMCBlockUsage);
    layout->addWidget(pnlMMCBlockUsage, 1);

    pnlCacheStatus = new TClickPanel(QStringLiteral("CACHE"), grpbxMMCInfo);
    pnlCacheStatus->setObjectName(QStringLiteral("pnlCacheStatus"));
    pnlCacheStatus->setFixedSize(48, 16);
    layout->addWidget(pnlCacheStatus);

    connect(imgMMCBlockUsage, &TUsageImage::clicked, this, &TfrmMain::imgMMCBlockUsageClick);
    connect(imgMMCBlockUsage, &TUsageImage::resized, this, [this] {
        if (Shown)
            DrawUsageBar();
    });
    connect(pnlCacheStatus, &TClickPanel::clicked, this, &TfrmMain::pnlCacheStatusClick);
    return grpbxMMCInfo;
}

QFrame* TfrmMain::CreateInfoField(QWidget* parent, const char* panelName, const char* labelName,
                                  const QString& caption, QRect labelPlace, QRect fieldPlace,
                                  Qt::Alignment alignment, QLabel*& field) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setGeometry(labelPlace);
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(panelName));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(fieldPlace);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(3, 0, 3, 0);
    field = new QLabel(panel);
    field->setAlignment(alignment | Qt::AlignVCenter);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(field);
    return panel;
}

QWidget* TfrmMain::CreateObjectInfo() {
    grpbxObjectinfo = new QGroupBox(QStringLiteral("Object - info"));
    grpbxObjectinfo->setObjectName(QStringLiteral("grpbxObjectinfo"));
    grpbxObjectinfo->setMinimumWidth(kObjectInfoMinWidth);
    auto* layout = new QVBoxLayout(grpbxObjectinfo);
    // With the group box's own 3-pixel frame margin: labels and the tab control 8 pixels
    // from its left edge, the fields at 64.
    layout->setContentsMargins(5, 4, 5, 8);
    layout->setSpacing(4);

    // Rows 22 and 24 pixels apart, the tab control 70 pixels below the first row, fields 56
    // pixels right of the labels (more when a caption needs it in the platform's font). The
    // number fields are wider than 79 pixels so that 13 characters of a decimal figure fit;
    // the size label keeps its 17-pixel gap behind the position field.
    auto* fields = new QWidget(grpbxObjectinfo);
    fields->setObjectName(QStringLiteral("pnlObjectinfoFields"));
    fields->setFixedHeight(70 - 4);
    const QFontMetrics metrics(fields->font());
    const auto captionWidth = [&metrics](const QString& caption) {
        return metrics.horizontalAdvance(caption) + 4;
    };
    const QString type = QStringLiteral("Type:"), position = QStringLiteral("MMC Pos:"),
                  size = QStringLiteral("Size:"), name = QStringLiteral("Name:");
    const int h = kFieldHeight;
    const int fieldX = std::max(56, captionWidth(position));
    const int sizeLabelX = fieldX + kNumberFieldWidth + 17;
    const int sizeFieldX = sizeLabelX + std::max(26, captionWidth(size));
    QFrame* typeField = CreateInfoField(
        fields, "pnlObjectinfoType", "Label1", type, QRect(0, 2, captionWidth(type), h),
        QRect(fieldX, 0, kTextFieldMinWidth, h), Qt::AlignLeft, lblObjectType);
    CreateInfoField(fields, "pnlObjectinfoMMCPos", "Label8", position,
                    QRect(0, 24, captionWidth(position), h),
                    QRect(fieldX, 22, kNumberFieldWidth, h), Qt::AlignRight, lblObjectMMCPosition);
    CreateInfoField(fields, "pnlObjectinfoSize", "Label6", size,
                    QRect(sizeLabelX, 24, captionWidth(size), h),
                    QRect(sizeFieldX, 22, kNumberFieldWidth, h), Qt::AlignRight, lblObjectSize);
    QFrame* nameField = CreateInfoField(
        fields, "pnObjectFullname", "Label4", name, QRect(0, 46, captionWidth(name), h),
        QRect(fieldX, 46, kTextFieldMinWidth, h), Qt::AlignLeft, lblObjectFullname);
    new TStretchToRight(fields, {typeField, nameField});
    lblObjectType->setObjectName(QStringLiteral("lblObjectType"));
    lblObjectMMCPosition->setObjectName(QStringLiteral("lblObjectMMCPosition"));
    lblObjectSize->setObjectName(QStringLiteral("lblObjectSize"));
    lblObjectFullname->setObjectName(QStringLiteral("lblObjectFullname"));
    layout->addWidget(fields);

    tbctrlObjectDetails = new QTabBar(grpbxObjectinfo);
    tbctrlObjectDetails->setObjectName(QStringLiteral("tbctrlObjectDetails"));
    tbctrlObjectDetails->setExpanding(false);
    tbctrlObjectDetails->setDrawBase(false);
    layout->addWidget(tbctrlObjectDetails);
    auto* page = new QFrame(grpbxObjectinfo);
    page->setObjectName(QStringLiteral("pnlObjectDetailsPage"));
    page->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(7, 7, 7, 7); // with the frame: 8 pixels
    memoObjectDetails = new QPlainTextEdit(page);
    memoObjectDetails->setObjectName(QStringLiteral("memoObjectDetails"));
    memoObjectDetails->setReadOnly(true);
    memoObjectDetails->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoObjectDetails->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoObjectDetails->setFont(FixedPitchFont());
    pageLayout->addWidget(memoObjectDetails);
    CreateObjectFilesList(page);
    layout->addWidget(page, 1);
    return grpbxObjectinfo;
}
