#include "ui/aux/NameText.h"

#include "explorer/NameText.h"
#include "explorer/ObjectNames.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

bool IsNameChar(QChar c) {
    return c.unicode() < 128 && brelk::IsObjectNameChar(char(c.unicode()));
}

} // namespace

bool NameKeyAllowed(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.isEmpty())
        return true; // cursor keys, function keys, modifiers
    for (QChar c : text)
        if (c.unicode() >= 32 && c.unicode() != 127 && !IsNameChar(c))
            return false;
    return true;
}

QString CleanNameText(const QString& text) {
    QString clean;
    clean.reserve(text.size());
    for (QChar c : text)
        if (IsNameChar(c))
            clean += c;
    return clean;
}

QString NameTooLongMessage(qsizetype allowed) {
    return QString::fromStdString(
        brelk::NameTooLongText(std::size_t(std::max<qsizetype>(0, allowed))));
}

bool TNameKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (!Enabled || Enabled()) &&
        !NameKeyAllowed(*static_cast<QKeyEvent*>(event)))
        return true;
    return QObject::eventFilter(watched, event);
}

void MakeNameEditor(QLineEdit* editor) {
    editor->installEventFilter(new TNameKeyFilter(editor));
    QObject::connect(editor, &QLineEdit::textChanged, editor, [editor](const QString& text) {
        const QString clean = CleanNameText(text);
        if (clean == text)
            return;
        const int removedBeforeCursor =
            int(text.left(editor->cursorPosition()).size() -
                CleanNameText(text.left(editor->cursorPosition())).size());
        const int cursor = editor->cursorPosition() - removedBeforeCursor;
        editor->setText(clean);
        editor->setCursorPosition(cursor);
    });
}

QString CardNameText(const std::string& raw) {
    return QString::fromStdString(brelk::NameText(raw));
}

bool CardNameFromText(const QString& text, std::string& raw) {
    return brelk::NameFromText(text.toStdString(), raw);
}
