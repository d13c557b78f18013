#include "card/CatalogueKeep.h"

#include "card/DurableFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace brelk {

namespace {

constexpr std::size_t kMaxNameLength = 200;

std::string Errno() {
    return std::strerror(errno);
}

// A file name for Card (without extension): "/" and "%" escaped, so that different paths
// never share a name; a very long path keeps its end and a hash of the whole.
std::string FileStemFor(const std::string& card) {
    std::string name;
    for (char c : card) {
        if (c == '/')
            name += "%2F";
        else if (c == '%')
            name += "%25";
        else
            name += c;
    }
    if (name.size() > kMaxNameLength)
        name = std::to_string(std::hash<std::string>{}(card)) + "-" +
               name.substr(name.size() - kMaxNameLength / 2);
    return name;
}

// The state folder, made when missing and open to the user alone.
bool MakeStateFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = folder + ": " + ec.message();
        return false;
    }
    ::chmod(folder.c_str(), 0700);
    return true;
}

} // namespace

std::string KeptCatalogueFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/')
        return std::string(state) + "/brelkexplorer";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/state/brelkexplorer";
}

std::string CardIdentity(const std::string& card) {
    std::error_code ec;
    auto full = std::filesystem::weakly_canonical(std::filesystem::absolute(card, ec), ec);
    return ec ? card : full.string();
}

std::string CardJournalPath(const std::string& folder, const std::string& card) {
    return folder + "/" + FileStemFor(CardIdentity(card)) + ".journal";
}

std::string CardUndoPath(const std::string& folder, const std::string& card) {
    return folder + "/" + FileStemFor(CardIdentity(card)) + ".undo";
}

// Written in place: a journal cut short by a crash fails its own hash and is known as such,
// and the rewrite it stands for had not begun.
bool TStateFolderKeeper::BeginChange(const TJournalView& journal, std::string& error) {
    if (!MakeStateFolder(Folder, error))
        return false;
    const std::string file = CardJournalPath(Folder, journal.Card);
    const int fd =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    // Written piece by piece: no copy of the runs' old bytes is made for the file.
    bool ok = fd >= 0 &&
              WriteCardJournal(journal,
                               [fd](const std::uint8_t* data, std::size_t count) {
                                   return WriteAllTo(fd, data, count);
                               }) &&
              ::fsync(fd) == 0;
    if (!ok)
        error = file + ": " + Errno();
    if (fd >= 0)
        ::close(fd);
    if (ok && !SyncFolder(Folder)) {
        error = Folder + ": " + Errno();
        ok = false;
    }
    return ok;
}

bool TStateFolderKeeper::EndChange(const std::string& card, TJournalEnd end, std::string& error) {
    const std::string file = CardJournalPath(Folder, card);
    const bool gone = end == TJournalEnd::KeepAsUndo
                          ? ::rename(file.c_str(), CardUndoPath(Folder, card).c_str()) == 0
                          : ::unlink(file.c_str()) == 0;
    if ((!gone && errno != ENOENT) || !SyncFolder(Folder)) {
        error = file + ": " + Errno();
        return false;
    }
    return true;
}

namespace {

// The whole journal in File that belongs to Card; false when there is none.
bool ReadJournalFile(const std::string& file, const std::string& card, TCardJournal& journal,
                     bool& cutShort) {
    cutShort = false;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (ParseCardJournal(bytes, journal))
        return journal.Card == CardIdentity(card);
    cutShort = true;
    return false;
}

} // namespace

bool TStateFolderKeeper::FindChange(const std::string& card, TCardJournal& journal) {
    bool cutShort = false;
    if (ReadJournalFile(CardJournalPath(Folder, card), card, journal, cutShort))
        return true;
    // A journal cut short was being written when the crash came: the card was not touched.
    std::string ignored;
    if (cutShort)
        EndChange(card, TJournalEnd::Discard, ignored);
    return false;
}

bool TStateFolderKeeper::FindUndo(const std::string& card, TCardJournal& journal) {
    bool cutShort = false;
    return ReadJournalFile(CardUndoPath(Folder, card), card, journal, cutShort);
}

} // namespace brelk
