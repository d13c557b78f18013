// Object names typed or pasted by the user: only the characters "!" to "~" (codes 33 to 126)
// belong in a name on the card. The add dialog's name box and the tree's rename editor both
// filter keys and clean pasted text with these.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class QKeyEvent;
class QLineEdit;

// An object's name from the card as the window shows it: the same text brelk prints, in
// which bytes that show nothing are written \xNN.
QString CardNameText(const std::string& raw);
// The name's bytes that Text shows (\xNN read back); false when Text holds a character that
// no name on a card can.
bool CardNameFromText(const QString& text, std::string& raw);

// Whether a typed key may reach a name editor: characters "!" to "~" and the control codes
// (copy, paste, backspace, delete and the other editing keys) pass; a space or any other
// printable character is discarded.
bool NameKeyAllowed(const QKeyEvent& event);

// Text with every character outside "!" to "~" removed.
QString CleanNameText(const QString& text);

// The refusal of a name longer than the card allows, where Allowed characters were left for
// the part the user chose.
QString NameTooLongMessage(qsizetype allowed);

// Discards the keys that NameKeyAllowed refuses, for the editor it is installed on. Enabled
// decides per key press whether the filter applies (null: always).
class TNameKeyFilter : public QObject {
    Q_OBJECT
  public:
    explicit TNameKeyFilter(QObject* parent = nullptr) : QObject(parent) {}
    std::function<bool()> Enabled;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Installs the key filter on Editor and removes refused characters from pasted or dropped
// text as soon as it arrives (the cursor stays where the text went in).
void MakeNameEditor(QLineEdit* editor);
