// Where the program's pictures ("imgs/") lie: beside the executable when it runs from its build
// folder, otherwise in the data folder it was installed with.
#pragma once

#include <QString>

// The first of ExecutableFolder and InstalledFolder that holds an "imgs" folder, with a
// trailing "/"; ExecutableFolder when neither does (the window then runs without icons).
QString FolderWithImgs(const QString& executableFolder, const QString& installedFolder);

// FolderWithImgs for this program: its executable's folder and its installed data folder.
QString ProgramDataFolder();
