#include "explorer/Gzip.h"

#include <algorithm>
#include <zlib.h>

namespace brelk {

namespace {

// One inflate stream that is reset for each member; ended however the unpacking ends.
class TInflater {
  public:
    TInflater() { Ready = inflateInit2(&Stream, 16 + MAX_WBITS) == Z_OK; }
    ~TInflater() {
        if (Ready)
            inflateEnd(&Stream);
    }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    // Unpacks the member that starts at Data[At]; At moves past it.
    TGunzipResult Member(const std::uint8_t* data, std::size_t size, std::size_t& at,
                         std::vector<std::uint8_t>& out, std::size_t limit);
    bool Ready = false;

  private:
    z_stream Stream{};
};

TGunzipResult TInflater::Member(const std::uint8_t* data, std::size_t size, std::size_t& at,
                                std::vector<std::uint8_t>& out, std::size_t limit) {
    if (inflateReset(&Stream) != Z_OK)
        return TGunzipResult::Damaged;
    std::uint8_t buffer[65536];
    for (;;) {
        // zlib counts in 32 bits; feed at most 1 GiB at a time.
        const std::size_t feed = std::min<std::size_t>(size - at, std::size_t(1) << 30);
        Stream.next_in = const_cast<Bytef*>(data + at);
        Stream.avail_in = uInt(feed);
        Stream.next_out = buffer;
        Stream.avail_out = sizeof buffer;
        const int status = inflate(&Stream, Z_NO_FLUSH);
        at += feed - Stream.avail_in;
        const std::size_t produced = sizeof buffer - Stream.avail_out;
        if (out.size() + produced > limit)
            return TGunzipResult::TooLarge;
        out.insert(out.end(), buffer, buffer + produced);
        if (status == Z_STREAM_END)
            return TGunzipResult::Ok;
        if (status != Z_OK || (produced == 0 && at >= size))
            return TGunzipResult::Damaged;
    }
}

bool OnlyZeros(const std::uint8_t* data, std::size_t size) {
    return std::all_of(data, data + size, [](std::uint8_t b) { return b == 0; });
}

} // namespace

bool IsGzip(const std::uint8_t* data, std::size_t size) {
    return size >= 2 && data[0] == 0x1F && data[1] == 0x8B;
}

TGunzipResult GunzipAll(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out,
                        std::size_t limit) {
    out.clear();
    TInflater inflater;
    TGunzipResult result = inflater.Ready ? TGunzipResult::Ok : TGunzipResult::Damaged;
    std::size_t at = 0;
    while (result == TGunzipResult::Ok && at < size) {
        if (!IsGzip(data + at, size - at)) {
            if (at == 0 || !OnlyZeros(data + at, size - at))
                result = TGunzipResult::Damaged;
            break;
        }
        result = inflater.Member(data, size, at, out, limit);
    }
    if (result != TGunzipResult::Ok)
        out.clear();
    return result;
}

} // namespace brelk
