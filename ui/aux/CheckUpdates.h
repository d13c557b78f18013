// TfrmCheckUpdates: asks the maker's update server for the latest version and reports, line
// by line, whether a newer one exists. Opened from the Help menu and, when the settings ask
// for it, once at start-up; a check started at start-up that finds nothing new closes its
// window by itself after 3 seconds.
#pragma once

#include <QDialog>
#include <QUrl>
#include <QVersionNumber>

#include <memory>
#include <optional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TShellOpener;
class TUpdateFetcher;

class TfrmCheckUpdates : public QDialog {
    Q_OBJECT
  public:
    // Fetcher and Shell must outlive the window; null: the network and the desktop's own.
    explicit TfrmCheckUpdates(TUpdateFetcher* fetcher = nullptr, TShellOpener* shell = nullptr,
                              QWidget* parent = nullptr);
    ~TfrmCheckUpdates() override;

    // Set by the opener: true for the check at start-up, false from the menu.
    bool AutoStarted = false;
    // The running program's file name (without folder) and version text, as reported and
    // sent; by default the executable's name and the compiled-in version.
    QString ProgramName;
    QString VersionText;

    // The request: the update server's address (BRELKEXPLORER_UPDATE_URL when set), the path
    // and the percent-encoded query.
    QUrl RequestUrl() const;
    // Whether the dotted version Latest is above Own, part by part as numbers; missing parts
    // count 0 (1.0 equals 1.0.0.0). Own is read up to its first character that is neither a
    // digit nor a full stop; an empty Own is below every version but 0.
    static bool IsNewer(const QVersionNumber& latest, const QString& own);
    // The version of an update reply: its "currentversion" element, dotted numbers only. None
    // when the reply is not XML or holds no such version.
    static std::optional<QVersionNumber> LatestVersion(const QByteArray& reply,
                                                       QString* releaseDate = nullptr);
    // The check itself (the window runs it once it is shown).
    void RunUpdateCheck();
    // Whether a check is running (the report is not complete yet).
    bool Checking() const { return Running; }

  public slots:
    void btbtnCancelClick();
    void tmrCloseWindowTimer();
    void lblHomepageClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The controls, each named after its member.
    QPlainTextEdit* memoUpdateResults = nullptr;
    QLabel* lblHomepage = nullptr;
    QPushButton* btbtnCancel = nullptr;
    QTimer* tmrCloseWindow = nullptr;

    void FormCreate();
    void PlaceControls();
    void FormShow();
    void FormClose();
    void Add(const QString& line);

    TUpdateFetcher* Fetcher;
    std::unique_ptr<TUpdateFetcher> OwnFetcher;
    TShellOpener* Shell;
    std::unique_ptr<TShellOpener> OwnShell;
    bool Running = false;
    bool Open = false;
};
