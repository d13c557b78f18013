#include "ui/aux/QtPrompter.h"

#include "ui/aux/TitleFit.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>

namespace {

struct TFilterEntry {
    QString Description;
    QString QtEntry;
};

QString QtPatterns(const QString& patterns) {
    QStringList parts = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& part : parts) {
        part = part.trimmed();
        if (part == QLatin1String("*.*"))
            part = QStringLiteral("*");
    }
    return parts.join(QLatin1Char(' '));
}

// The description without a trailing "(...)", which Qt would take for the patterns.
QString BareDescription(const QString& description) {
    const QString trimmed = description.trimmed();
    if (trimmed.endsWith(QLatin1Char(')'))) {
        const qsizetype open = trimmed.lastIndexOf(QLatin1Char('('));
        if (open > 0)
            return trimmed.left(open).trimmed();
    }
    return trimmed;
}

QList<TFilterEntry> FilterEntries(const QString& filter) {
    QList<TFilterEntry> entries;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString qtEntry = BareDescription(parts[i]) + QStringLiteral(" (") +
                                QtPatterns(parts[i + 1]) + QLatin1Char(')');
        entries.append({parts[i], qtEntry});
    }
    return entries;
}

QMessageBox::Icon BoxIcon(TPrompter::TIcon icon) {
    switch (icon) {
    case TPrompter::TIcon::Error:
        return QMessageBox::Critical;
    case TPrompter::TIcon::Warning:
        return QMessageBox::Warning;
    case TPrompter::TIcon::Information:
        return QMessageBox::Information;
    case TPrompter::TIcon::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// The buttons, the one that Escape presses and the one that Enter presses (the first, or No
// when asked for and the box has it).
void AddButtons(QMessageBox& box, TPrompter::TButtons buttons, TPrompter::TAnswer defaultAnswer) {
    QMessageBox::StandardButton enter = QMessageBox::Ok;
    switch (buttons) {
    case TPrompter::TButtons::OK:
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    case TPrompter::TButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        enter = QMessageBox::Yes;
        break;
    case TPrompter::TButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        enter = QMessageBox::Yes;
        break;
    case TPrompter::TButtons::YesCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        enter = QMessageBox::Yes;
        break;
    case TPrompter::TButtons::RetryDiscardCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Discard | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        enter = QMessageBox::Retry;
        break;
    }
    if (defaultAnswer == TPrompter::TAnswer::No &&
        (buttons == TPrompter::TButtons::YesNo || buttons == TPrompter::TButtons::YesNoCancel))
        enter = QMessageBox::No;
    if (defaultAnswer == TPrompter::TAnswer::Cancel && buttons != TPrompter::TButtons::OK &&
        buttons != TPrompter::TButtons::YesNo)
        enter = QMessageBox::Cancel;
    box.setDefaultButton(enter);
}

TPrompter::TAnswer AnswerOf(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return TPrompter::TAnswer::OK;
    case QMessageBox::Yes:
        return TPrompter::TAnswer::Yes;
    case QMessageBox::No:
        return TPrompter::TAnswer::No;
    case QMessageBox::Retry:
        return TPrompter::TAnswer::Retry;
    case QMessageBox::Discard:
        return TPrompter::TAnswer::Discard;
    default:
        return TPrompter::TAnswer::Cancel;
    }
}

} // namespace

TQtPrompter::TQtPrompter(QWidget* parent) : Parent(parent) {}

void TQtPrompter::SetParent(QWidget* parent) {
    Parent = parent;
}

// A modal dialog in front (the add-objects dialog) owns the question, so it opens above it.
QWidget* TQtPrompter::Owner() const {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return Parent;
}

QString TQtPrompter::QtEntryFor(const QString& filter, const QString& description) {
    if (description.isEmpty())
        return QString();
    for (const TFilterEntry& entry : FilterEntries(filter))
        if (entry.Description == description)
            return entry.QtEntry;
    return QString();
}

QString TQtPrompter::ShownText(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QString TQtPrompter::QtFilter(const QString& filter) {
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    QStringList qtEntries;
    for (const TFilterEntry& entry : FilterEntries(filter))
        qtEntries.append(entry.QtEntry);
    return qtEntries.join(QStringLiteral(";;"));
}

QString TQtPrompter::DescriptionFor(const QString& filter, const QString& qtEntry) {
    if (!filter.contains(QLatin1Char('|')))
        return qtEntry;
    for (const TFilterEntry& entry : FilterEntries(filter))
        if (entry.QtEntry == qtEntry)
            return entry.Description;
    return QString();
}

TPrompter::TAnswer TQtPrompter::Message(const QString& text, TIcon icon, TButtons buttons,
                                        TAnswer defaultAnswer) {
    QMessageBox box(BoxIcon(icon), QStringLiteral("BrelkExplorer"), ShownText(text),
                    QMessageBox::NoButton, Owner());
    box.setTextFormat(Qt::PlainText);
    AddButtons(box, buttons, defaultAnswer);
    // A short message would make the box narrower than its title.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(TitleBarWidth(box.windowTitle()), 0, QSizePolicy::Minimum,
                                      QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return AnswerOf(box.exec());
}

QStringList TQtPrompter::OpenFiles(const QString& title, const QString& filter,
                                   const QString& folder) {
    return QFileDialog::getOpenFileNames(Owner(), title, folder, QtFilter(filter));
}

QString TQtPrompter::OpenFile(const QString& title, const QString& filter, const QString& folder,
                              QString* selectedFilter) {
    QString chosen = selectedFilter != nullptr ? QtEntryFor(filter, *selectedFilter) : QString();
    const QString file =
        QFileDialog::getOpenFileName(Owner(), title, folder, QtFilter(filter), &chosen);
    if (selectedFilter != nullptr && !file.isEmpty())
        *selectedFilter = DescriptionFor(filter, chosen);
    return file;
}

QString TQtPrompter::SaveFile(const QString& title, const QString& filter, const QString& fileName,
                              QString* selectedFilter) {
    QFileDialog dialog(Owner(), title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(QtFilter(filter).split(QStringLiteral(";;")));
    if (selectedFilter != nullptr && !selectedFilter->isEmpty())
        for (const TFilterEntry& entry : FilterEntries(filter))
            if (entry.Description == *selectedFilter)
                dialog.selectNameFilter(entry.QtEntry);
    // The name comes after the filter: choosing a filter replaces the last dotted part of the
    // name shown, which would cut an Acorn name such as GAMES.WELCOME down to GAMES.SSD.
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    if (selectedFilter != nullptr)
        *selectedFilter = DescriptionFor(filter, dialog.selectedNameFilter());
    return dialog.selectedFiles().first();
}

QString TQtPrompter::PickFolder(const QString& title, const QString& folder,
                                TFolderOption* option) {
    if (option == nullptr)
        return QFileDialog::getExistingDirectory(Owner(), title, folder);
    // Qt's own dialog, which takes a check box below its fields; a native one would not.
    QFileDialog dialog(Owner(), title, folder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    auto* box = new QCheckBox(option->Text, &dialog);
    box->setObjectName(QStringLiteral("chkbxFolderOption"));
    box->setChecked(option->Checked);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    option->Checked = box->isChecked();
    return dialog.selectedFiles().first();
}
