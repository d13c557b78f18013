#include "card/CatalogueKeep.h"

#include "card/DurableFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
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

// "id-" and 16 hexadecimal digits, "-" and the card's size: what CardIdKey makes.
bool IsCardIdKey(const std::string& card) {
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    return card.size() > 20 && card.compare(0, 3, "id-") == 0 &&
           std::all_of(card.begin() + 3, card.begin() + 19, hex) && card[19] == '-' &&
           std::all_of(card.begin() + 20, card.end(), digit);
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
    if (IsCardIdKey(card))
        return card;
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

bool TStateFolderKeeper::DropUndo(const std::string& card, std::string& error) {
    const std::string file = CardUndoPath(Folder, card);
    if ((::unlink(file.c_str()) != 0 && errno != ENOENT) || !SyncFolder(Folder)) {
        error = file + ": " + Errno();
        return false;
    }
    return true;
}

namespace {

bool IsKeptFile(const std::filesystem::path& file) {
    return file.extension() == ".undo" || file.extension() == ".journal";
}

} // namespace

// The card's own files are touched, so that their age tells when the card was last seen;
// the rest of the folder is looked through for files older than kKeptFileDays.
void TStateFolderKeeper::CardSeen(const std::vector<std::string>& cards) {
    for (const std::string& card : cards)
        for (const std::string& file : {CardJournalPath(Folder, card), CardUndoPath(Folder, card)})
            ::utimensat(AT_FDCWD, file.c_str(), nullptr, 0);
    std::error_code ec;
    const auto limit =
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * kKeptFileDays);
    bool removed = false;
    for (const auto& entry : std::filesystem::directory_iterator(Folder, ec)) {
        std::error_code fileError;
        if (entry.is_regular_file(fileError) && IsKeptFile(entry.path()) &&
            entry.last_write_time(fileError) < limit && !fileError)
            removed = std::filesystem::remove(entry.path(), fileError) || removed;
    }
    if (removed)
        SyncFolder(Folder);
}

} // namespace brelk
