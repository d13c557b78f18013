// Reading PC files for the import and brelk: in pieces, or whole where a format needs the
// whole file, and the unpacking of gzip-compressed files that follows it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelk {

enum class TPCFileStatus {
    Ok,
    Missing,    // no such file, or not a regular file
    CannotOpen, // exists but cannot be opened for reading
    TooLarge,   // 4 GiB or more: the card's 32-bit sizes cannot describe it
    ReadFailed, // fewer bytes than its length could be read
    NoMemory,   // no memory for its bytes
};

// The largest plain file that can be a disc or tape image (five DFS sides of 1023 sectors,
// or a long tape, with room to spare). Larger files are tools and are never read whole.
inline constexpr std::uint64_t kMaxMediaFileBytes = std::uint64_t(4) << 20;

// A regular PC file opened for reading in pieces, so that a file of any size needs little
// memory. Reads loop over short reads and interruptions.
class TPCFileReader {
  public:
    TPCFileReader() = default;
    ~TPCFileReader();
    TPCFileReader(const TPCFileReader&) = delete;
    TPCFileReader& operator=(const TPCFileReader&) = delete;

    // Missing, CannotOpen or TooLarge (4 GiB or more) when it cannot be read. Without
    // FollowLinks a symbolic link is never followed: it counts as no regular file (Missing).
    TPCFileStatus Open(const std::string& path, bool followLinks = true);
    std::uint32_t Size() const { return Length; }
    // The next Count bytes; false (and Failed from then on) when they cannot all be read.
    bool Read(std::uint8_t* buffer, std::size_t count);
    bool Failed() const { return ReadFailed; }

  private:
    int Fd = -1;
    std::uint32_t Length = 0;
    bool ReadFailed = false;
};

// Reads the regular file Path whole into Bytes (emptied on failure).
TPCFileStatus ReadWholePCFile(const std::string& path, std::vector<std::uint8_t>& bytes);

// The contents of a PC file as the analysis and the import see them.
struct TPCFileContents {
    std::vector<std::uint8_t> Bytes; // unpacked when the file was gzip-compressed
    std::uint64_t FileLength = 0;    // the length of the file itself
    bool Gzip = false;
    // A plain file larger than kMaxMediaFileBytes: Bytes holds only its first bytes.
    bool HeadOnly = false;
};

// Reads Path and, when it begins with the gzip magic, unpacks it; of a plain file too large
// to be a disc or tape image only the head is read. False with Error holding the message for
// the user; Status tells a missing file from one that failed otherwise.
bool LoadPCFileContents(const std::string& path, TPCFileContents& contents, TPCFileStatus& status,
                        std::string& error);
// The same through File, which stays open after the bytes read (HeadOnly: after the head, for
// the rest to be read from it). Contents keeps the memory its bytes had, so that files read
// one after the other into the same Contents need no fresh memory.
bool LoadPCFileContents(TPCFileReader& file, const std::string& path, TPCFileContents& contents,
                        TPCFileStatus& status, std::string& error);

} // namespace brelk
