// A file in the user's private folder under the temporary location: the folder
// "brelkexplorer-<uid>" of the temporary folder, mode 0700, owned by the user. Files there
// cannot be guessed at or replaced by other users of a shared temporary folder.
#pragma once

#include <QString>

#include <cstddef>

class TPrivateTempFile {
  public:
    // The private folder with a trailing "/": the temporary folder (TMPDIR when it names a
    // folder, else /tmp) + "brelkexplorer-" + the user id.
    static QString FolderPath();
    // Makes the private folder when missing and checks it as the constructor does; false
    // when it cannot be used.
    static bool EnsureFolder();

    // Creates the file Name in the private folder for reading and writing, or empties it
    // when it exists. The folder is made when missing; an existing folder must be a real
    // folder (not a symbolic link) owned by the user, and is narrowed to mode 0700. The file
    // gets mode 0600; a symbolic link in its place is not followed and fails the open.
    explicit TPrivateTempFile(const QString& name);
    ~TPrivateTempFile();
    TPrivateTempFile(const TPrivateTempFile&) = delete;
    TPrivateTempFile& operator=(const TPrivateTempFile&) = delete;

    bool IsOpen() const { return Handle >= 0; }
    // The file's full path (also when it could not be opened).
    const QString& Path() const { return FilePath; }
    // Writes all Size bytes; false when the file is not open or a write fails.
    bool Write(const void* data, std::size_t size);
    // Closes the file; false when it was not open or the close reported an error.
    bool Close();

  private:
    static int OpenPrivateFolder();

    QString FilePath;
    int Handle = -1;
};
