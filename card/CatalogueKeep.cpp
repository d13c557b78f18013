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
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace brelk {

namespace {

constexpr const char* kKeptMagic = "BrelkKept 1";
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

std::string FolderOf(const std::string& file) {
    return std::filesystem::path(file).parent_path().string();
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

std::string KeptCataloguePath(const std::string& folder, const std::string& card) {
    return folder + "/" + FileStemFor(CardIdentity(card)) + ".cat";
}

std::string CardJournalPath(const std::string& folder, const std::string& card) {
    return folder + "/" + FileStemFor(CardIdentity(card)) + ".journal";
}

bool SaveKeptCatalogue(const std::string& file, const TKeptCatalogue& kept, std::string& error) {
    const std::string folder = FolderOf(file);
    if (!MakeStateFolder(folder, error))
        return false;
    const std::string head = std::string(kKeptMagic) + "\ncard=" + kept.Card +
                             "\nsize=" + std::to_string(kept.CardSize) +
                             "\nbytes=" + std::to_string(kept.Bytes.size()) + "\n";
    std::string temp;
    int fd = -1;
    std::random_device random;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temp = file + ".new" + std::to_string(random());
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        error = file + ": " + Errno();
        return false;
    }
    bool ok = WriteAllTo(fd, head.data(), head.size()) &&
              WriteAllTo(fd, kept.Bytes.data(), kept.Bytes.size()) && ::fsync(fd) == 0;
    if (!ok)
        error = file + ": " + Errno();
    ::close(fd);
    if (ok && (::rename(temp.c_str(), file.c_str()) != 0 || !SyncFolder(folder))) {
        error = file + ": " + Errno();
        ok = false;
    }
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool LoadKeptCatalogue(const std::string& file, TKeptCatalogue& kept, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = file + ": " + Errno();
        return false;
    }
    std::string magic, card, size, bytes;
    std::getline(in, magic);
    std::getline(in, card);
    std::getline(in, size);
    std::getline(in, bytes);
    auto value = [](const std::string& line, const char* key, std::string& out) {
        const std::string prefix = std::string(key) + "=";
        if (line.compare(0, prefix.size(), prefix) != 0)
            return false;
        out = line.substr(prefix.size());
        return true;
    };
    std::string sizeText, countText;
    char* end = nullptr;
    if (magic != kKeptMagic || !value(card, "card", kept.Card) || !value(size, "size", sizeText) ||
        !value(bytes, "bytes", countText)) {
        error = file + ": not a kept catalogue";
        return false;
    }
    kept.CardSize = std::strtoull(sizeText.c_str(), &end, 10);
    const unsigned long long count = std::strtoull(countText.c_str(), &end, 10);
    constexpr unsigned long long kMaxBytes = 512 + 64ull * 65535;
    if (count > kMaxBytes) {
        error = file + ": not a kept catalogue";
        return false;
    }
    kept.Bytes.resize(count);
    if (!in.read(reinterpret_cast<char*>(kept.Bytes.data()), std::streamsize(count))) {
        error = file + ": the kept catalogue is cut short";
        return false;
    }
    return true;
}

bool TStateFolderKeeper::Keep(const TKeptCatalogue& kept, std::string& error) {
    return SaveKeptCatalogue(KeptCataloguePath(Folder, kept.Card), kept, error);
}

// Written in place: a journal cut short by a crash fails its own hash and is known as such,
// and the rewrite it stands for had not begun.
bool TStateFolderKeeper::BeginChange(const TCardJournal& journal, std::string& error) {
    if (!MakeStateFolder(Folder, error))
        return false;
    const std::string file = CardJournalPath(Folder, journal.Card);
    const std::vector<std::uint8_t> bytes = SerializeCardJournal(journal);
    const int fd =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    bool ok = fd >= 0 && WriteAllTo(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
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

bool TStateFolderKeeper::EndChange(const std::string& card, std::string& error) {
    const std::string file = CardJournalPath(Folder, card);
    if ((::unlink(file.c_str()) != 0 && errno != ENOENT) || !SyncFolder(Folder)) {
        error = file + ": " + Errno();
        return false;
    }
    return true;
}

bool TStateFolderKeeper::FindChange(const std::string& card, TCardJournal& journal) {
    const std::string file = CardJournalPath(Folder, card);
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (ParseCardJournal(bytes, journal))
        return journal.Card == CardIdentity(card);
    // A journal cut short was being written when the crash came: the card was not touched.
    std::string ignored;
    EndChange(card, ignored);
    return false;
}

} // namespace brelk
