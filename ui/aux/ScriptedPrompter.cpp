#include "ui/aux/ScriptedPrompter.h"

#include <QDebug>

namespace {

bool BoxCanGive(TPrompter::TButtons buttons, TPrompter::TAnswer answer) {
    using A = TPrompter::TAnswer;
    switch (buttons) {
    case TPrompter::TButtons::OK:
        return answer == A::OK;
    case TPrompter::TButtons::YesNo:
        return answer == A::Yes || answer == A::No;
    case TPrompter::TButtons::YesNoCancel:
        return answer == A::Yes || answer == A::No || answer == A::Cancel;
    case TPrompter::TButtons::YesCancel:
        return answer == A::Yes || answer == A::Cancel;
    case TPrompter::TButtons::RetryDiscardCancel:
        return answer == A::Retry || answer == A::Discard || answer == A::Cancel;
    }
    return false;
}

// The answer of the box's first button, which Enter presses unless asked otherwise.
TPrompter::TAnswer FirstAnswer(TPrompter::TButtons buttons) {
    switch (buttons) {
    case TPrompter::TButtons::OK:
        return TPrompter::TAnswer::OK;
    case TPrompter::TButtons::RetryDiscardCancel:
        return TPrompter::TAnswer::Retry;
    default:
        return TPrompter::TAnswer::Yes;
    }
}

TPrompter::TAnswer CarefulAnswer(TPrompter::TButtons buttons) {
    switch (buttons) {
    case TPrompter::TButtons::OK:
        return TPrompter::TAnswer::OK;
    case TPrompter::TButtons::YesNo:
        return TPrompter::TAnswer::No;
    case TPrompter::TButtons::YesNoCancel:
    case TPrompter::TButtons::YesCancel:
    case TPrompter::TButtons::RetryDiscardCancel:
        return TPrompter::TAnswer::Cancel;
    }
    return TPrompter::TAnswer::Cancel;
}

const char* KindName(TScriptedPrompter::TKind kind) {
    switch (kind) {
    case TScriptedPrompter::TKind::Message:
        return "Message";
    case TScriptedPrompter::TKind::OpenFiles:
        return "OpenFiles";
    case TScriptedPrompter::TKind::OpenFile:
        return "OpenFile";
    case TScriptedPrompter::TKind::SaveFile:
        return "SaveFile";
    case TScriptedPrompter::TKind::PickFolder:
        return "PickFolder";
    }
    return "?";
}

} // namespace

TPrompter::TAnswer TScriptedPrompter::Message(const QString& text, TIcon icon, TButtons buttons,
                                              TAnswer defaultAnswer) {
    TQuestion question;
    question.Text = text;
    question.Icon = icon;
    question.Buttons = buttons;
    question.Default = BoxCanGive(buttons, defaultAnswer) ? defaultAnswer : FirstAnswer(buttons);
    TAnswer answer = TAnswer::OK;
    if (buttons != TButtons::OK) {
        if (Answers.isEmpty()) {
            question.Unexpected = true;
            answer = CarefulAnswer(buttons);
        } else {
            answer = Answers.takeFirst();
            if (!BoxCanGive(buttons, answer)) {
                question.Unexpected = true;
                answer = CarefulAnswer(buttons);
            }
        }
    }
    Asked.append(question);
    WarnIfUnexpected();
    if (OnMessage)
        OnMessage(question);
    return answer;
}

QStringList TScriptedPrompter::NextFiles(TKind kind, const QString& title, const QString& filter,
                                         const QString& folder) {
    TQuestion question;
    question.Kind = kind;
    question.Text = title;
    question.Filter = filter;
    question.Folder = folder;
    QStringList result;
    if (Files.isEmpty())
        question.Unexpected = true;
    else
        result = Files.takeFirst();
    Asked.append(question);
    WarnIfUnexpected();
    return result;
}

QStringList TScriptedPrompter::OpenFiles(const QString& title, const QString& filter,
                                         const QString& folder) {
    return NextFiles(TKind::OpenFiles, title, filter, folder);
}

QString TScriptedPrompter::OpenFile(const QString& title, const QString& filter,
                                    const QString& folder, QString* selectedFilter) {
    const QStringList files = NextFiles(TKind::OpenFile, title, filter, folder);
    if (selectedFilter != nullptr)
        Asked.last().SelectedFilter = *selectedFilter;
    return files.value(0);
}

QString TScriptedPrompter::SaveFile(const QString& title, const QString& filter,
                                    const QString& fileName, QString* selectedFilter) {
    const QStringList files = NextFiles(TKind::SaveFile, title, filter, fileName);
    if (selectedFilter != nullptr && !files.isEmpty()) {
        if (!SelectedFilters.isEmpty())
            *selectedFilter = SelectedFilters.takeFirst();
        else
            *selectedFilter = filter.section(QLatin1Char('|'), 0, 0);
    }
    return files.value(0);
}

QString TScriptedPrompter::PickFolder(const QString& title, const QString& folder,
                                      TFolderOption* option) {
    const QString chosen = NextFiles(TKind::PickFolder, title, QString(), folder).value(0);
    if (option == nullptr)
        return chosen;
    Asked.last().Option = option->Text;
    Asked.last().OptionChecked = option->Checked;
    if (!chosen.isEmpty() && !Options.isEmpty())
        option->Checked = Options.takeFirst();
    return chosen;
}

// Loud in the test log; a test may also turn warnings into failures (QTest::failOnWarning).
void TScriptedPrompter::WarnIfUnexpected() const {
    const TQuestion& question = Asked.last();
    if (question.Unexpected)
        qWarning().noquote() << "TScriptedPrompter: unexpected question:" << KindName(question.Kind)
                             << question.Text;
}

QStringList TScriptedPrompter::Messages() const {
    QStringList texts;
    for (const TQuestion& question : Asked)
        if (question.Kind == TKind::Message)
            texts.append(question.Text);
    return texts;
}

bool TScriptedPrompter::Unexpected() const {
    for (const TQuestion& question : Asked)
        if (question.Unexpected)
            return true;
    return false;
}

QString TScriptedPrompter::Describe() const {
    QString text;
    for (const TQuestion& question : Asked) {
        QString shown = question.Text;
        shown.replace(QLatin1Char('\r'), QLatin1String("\\r"));
        text += QStringLiteral("%1%2: \"%3\" icon %4 buttons %5 default %6 filter \"%7\" "
                               "folder \"%8\"\n")
                    .arg(question.Unexpected ? QStringLiteral("UNEXPECTED ") : QString(),
                         QLatin1String(KindName(question.Kind)), shown)
                    .arg(int(question.Icon))
                    .arg(int(question.Buttons))
                    .arg(int(question.Default))
                    .arg(question.Filter, question.Folder);
    }
    return text;
}

void TScriptedPrompter::Clear() {
    Asked.clear();
    Answers.clear();
    Files.clear();
    SelectedFilters.clear();
    Options.clear();
}
