// The desktop shell's "open" for web addresses: the default browser shows the page.
// Windows take a TShellOpener; tests give them a TRecordingShellOpener.
#pragma once

#include <QString>
#include <QStringList>

class TShellOpener {
  public:
    virtual ~TShellOpener() = default;
    // True when the shell accepted the address.
    virtual bool OpenAddress(const QString& address) = 0;
};

// QDesktopServices::openUrl.
class TDesktopShellOpener : public TShellOpener {
  public:
    bool OpenAddress(const QString& address) override;
};

// Records each address and answers Result.
class TRecordingShellOpener : public TShellOpener {
  public:
    bool OpenAddress(const QString& address) override {
        Opened.append(address);
        return Result;
    }
    QStringList Opened;
    bool Result = true;
};
