#include "card/CatalogueKeep.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
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

// A file name for Card: "/" and "%" escaped, so that different paths never share a name;
// a very long path keeps its end and a hash of the whole.
std::string FileNameFor(const std::string& card) {
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
    return name + ".cat";
}

bool WriteAll(int fd, const void* data, std::size_t count) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (count > 0) {
        ssize_t n = ::write(fd, p, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        count -= std::size_t(n);
    }
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
    return folder + "/" + FileNameFor(CardIdentity(card));
}

bool SaveKeptCatalogue(const std::string& file, const TKeptCatalogue& kept, std::string& error) {
    const std::string folder = std::filesystem::path(file).parent_path().string();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = folder + ": " + ec.message();
        return false;
    }
    ::chmod(folder.c_str(), 0700);
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
    bool ok = WriteAll(fd, head.data(), head.size()) &&
              WriteAll(fd, kept.Bytes.data(), kept.Bytes.size()) && ::fsync(fd) == 0;
    if (!ok)
        error = file + ": " + Errno();
    ::close(fd);
    if (ok && ::rename(temp.c_str(), file.c_str()) != 0) {
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

} // namespace brelk
