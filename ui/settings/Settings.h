// TBrelkExplorerSettings: the program's persisted options and the main window's position.
#pragma once

#include <QString>
#include <cstdint>

class TBrelkExplorerSettings {
  public:
    // Construction leaves every field zero, false or empty; the defaults come from reading.
    QString MMCDrive;
    std::uint32_t MMCSafetyZone = 0;
    std::uint32_t CacheSize = 0;
    bool ReuseDeletedSpace = false;
    bool UseDeletedObjects = false;
    bool RewriteObjectHeader = false;
    std::uint8_t ViewerMaxNodebreaks = 0;
    bool ViewerAutoviewObjectDetails = false;
    bool ViewerShowNumbersInHex = false;
    std::uint16_t HexviewerBytesTotal = 0;
    std::uint16_t HexviewerBytesPerRow = 0;
    QString EmulatorPath;
    QString EmulatorCLO;
    bool ImportGuessDistributor = false;
    bool ImportOverwriteExisting = false;
    bool ImportAskBeforeOverwrite = false;
    bool RestorePreFormat = false;
    bool CheckForUpdates = false;
    bool ExtractWithInfFiles = false; // the extract dialog's "with .inf files"

    // DefaultDrive is the drive that the settings dialog's drive list preselects.
    void ReadSettingsFromRegistry(const QString& defaultDrive);
    void WriteSettingsToRegistry() const;
    // Sets ExtractWithInfFiles and stores that value alone.
    void RememberExtractWithInfFiles(bool on);

    struct TWindowPosition {
        int WindowState = 0; // 0 normal, 1 minimized, 2 maximized
        int Left = 100;
        int Top = 100;
        int Width = 750;
        int Height = 580;
        int SplitterLeft = 260;
    };
    static void SaveWindowPosition(const TWindowPosition& position);
    // Reads the six values with their defaults; leaves Position as given when the store
    // cannot be opened.
    static void LoadWindowPosition(TWindowPosition& position);

    // The settings file: BRELKEXPLORER_SETTINGS when set, else the user's own (never the
    // machine-wide one, which root could write for every user).
    static QString StorePath();
};
