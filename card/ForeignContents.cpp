#include "card/ForeignContents.h"

#include <blkid/blkid.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace brelk {

namespace {

// The probe sees the bytes as the start of a device this large: a partition table's last
// usable block must lie inside the device, and the real card's size is not known here.
constexpr off_t kProbedDeviceSize = off_t(1) << 40;

class TMemoryFile {
  public:
    TMemoryFile() : Fd(::memfd_create("brelk-probe", MFD_CLOEXEC)) {}
    ~TMemoryFile() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TMemoryFile(const TMemoryFile&) = delete;
    TMemoryFile& operator=(const TMemoryFile&) = delete;

    bool Fill(const std::uint8_t* bytes, std::size_t size) {
        std::size_t done = 0;
        while (Fd >= 0 && done < size) {
            const ssize_t n = ::pwrite(Fd, bytes + done, size - done, off_t(done));
            if (n <= 0)
                return false;
            done += std::size_t(n);
        }
        return Fd >= 0 && ::ftruncate(Fd, kProbedDeviceSize) == 0;
    }
    int Get() const { return Fd; }

  private:
    int Fd;
};

struct TProbeFree {
    void operator()(blkid_probe probe) const { blkid_free_probe(probe); }
};
using TProbe = std::unique_ptr<std::remove_pointer_t<blkid_probe>, TProbeFree>;

std::string Value(blkid_probe probe, const char* name) {
    const char* data = nullptr;
    std::size_t length = 0;
    if (blkid_probe_lookup_value(probe, name, &data, &length) != 0 || data == nullptr)
        return {};
    return std::string(data, ::strnlen(data, length));
}

std::string Article(const std::string& noun) {
    return (std::strchr("aeiouAEIOU", noun.front()) ? "an " : "a ") + noun;
}

// The common kinds keep the names people know them by.
std::string FileSystemText(const std::string& type, const std::string& usage) {
    if (type == "vfat" || type == "msdos")
        return "a FAT file system";
    if (type == "exfat")
        return "an exFAT file system";
    if (type == "ntfs")
        return "an NTFS file system";
    if (type == "ext2" || type == "ext3" || type == "ext4" || type == "jbd")
        return "an ext2/3/4 file system";
    if (type == "crypto_LUKS")
        return "a LUKS encrypted volume";
    if (type == "swap")
        return "a swap area";
    if (usage == "crypto")
        return Article(type + " encrypted volume");
    if (usage == "raid")
        return Article(type + " RAID member");
    if (usage == "filesystem")
        return Article(type + " file system");
    return Article(type + " signature");
}

std::string PartitionTableText(const std::string& type) {
    if (type == "gpt")
        return "a GPT partition table";
    if (type == "dos")
        return "a partition table";
    return Article(type + " partition table");
}

struct TFound {
    std::string FileSystem; // libblkid's TYPE and USAGE, as a text
    std::string Table;      // PTTYPE of a table with at least one partition
};

bool HasPartitions(blkid_probe probe) {
    const blkid_partlist list = blkid_probe_get_partitions(probe);
    return list != nullptr && blkid_partlist_numof_partitions(list) > 0;
}

TFound Probe(const std::uint8_t* bytes, std::size_t size) {
    TMemoryFile file;
    if (!file.Fill(bytes, size))
        return {};
    const TProbe probe(blkid_new_probe());
    if (!probe || blkid_probe_set_device(probe.get(), file.Get(), 0, kProbedDeviceSize) != 0)
        return {};
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_TYPE | BLKID_SUBLKS_USAGE);
    blkid_probe_enable_partitions(probe.get(), 1);
    if (blkid_do_fullprobe(probe.get()) != 0)
        return {};
    TFound found;
    const std::string type = Value(probe.get(), "TYPE");
    if (!type.empty())
        found.FileSystem = FileSystemText(type, Value(probe.get(), "USAGE"));
    // An empty table (a boot signature alone) holds nothing that formatting would lose.
    const std::string table = Value(probe.get(), "PTTYPE");
    if (!table.empty() && HasPartitions(probe.get()))
        found.Table = PartitionTableText(table);
    return found;
}

bool Has(const std::uint8_t* bytes, std::size_t size, std::size_t at, const char* text) {
    const std::size_t n = std::strlen(text);
    return at + n <= size && std::memcmp(bytes + at, text, n) == 0;
}

} // namespace

std::string ForeignContents(const std::uint8_t* bytes, std::size_t size) {
    if (Has(bytes, size, 0, "BrelkCat"))
        return {};
    // A file system first, as it is what a user would lose. libblkid confirms NTFS by its
    // master file table, which usually lies far beyond the bytes read here; the boot sector's
    // name is sign enough not to format without asking.
    const TFound found = Probe(bytes, size);
    if (!found.FileSystem.empty())
        return found.FileSystem;
    if (Has(bytes, size, 3, "NTFS    "))
        return "an NTFS file system";
    return found.Table;
}

} // namespace brelk
