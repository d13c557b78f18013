#include "ui/aux/ShellWords.h"

namespace {

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool EscapableInDoubleQuotes(QChar c) {
    return c == QLatin1Char('$') || c == QLatin1Char('`') || c == QLatin1Char('"') ||
           c == QLatin1Char('\\') || c == QLatin1Char('\n');
}

// The character after a backslash; an escaped newline joins the lines and adds nothing.
void AppendEscaped(QChar c, QString& word) {
    if (c != QLatin1Char('\n'))
        word += c;
}

// Reads one word of Text from At (not a blank) and leaves At after it.
QString ReadWord(const QString& text, qsizetype& at) {
    QString word;
    enum class TQuote { None, Single, Double } quote = TQuote::None;
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        const bool last = at + 1 >= text.size();
        if (quote == TQuote::Single) {
            if (c == QLatin1Char('\''))
                quote = TQuote::None;
            else
                word += c;
        } else if (quote == TQuote::Double) {
            if (c == QLatin1Char('"'))
                quote = TQuote::None;
            else if (c == QLatin1Char('\\') && !last && EscapableInDoubleQuotes(text[at + 1]))
                AppendEscaped(text[++at], word);
            else
                word += c;
        } else if (IsBlank(c)) {
            break;
        } else if (c == QLatin1Char('\'')) {
            quote = TQuote::Single;
        } else if (c == QLatin1Char('"')) {
            quote = TQuote::Double;
        } else if (c == QLatin1Char('\\') && !last) {
            AppendEscaped(text[++at], word);
        } else {
            word += c;
        }
    }
    return word;
}

} // namespace

QStringList SplitShellWords(const QString& text) {
    QStringList words;
    qsizetype at = 0;
    while (at < text.size()) {
        if (IsBlank(text[at])) {
            ++at;
            continue;
        }
        // A backslash-newline between words only joins lines.
        if (text[at] == QLatin1Char('\\') && at + 1 < text.size() &&
            text[at + 1] == QLatin1Char('\n')) {
            at += 2;
            continue;
        }
        words << ReadWord(text, at);
    }
    return words;
}
