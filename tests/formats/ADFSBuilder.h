// Builds small old-map ADFS floppy images byte by byte for the tests: a free space map with
// its check bytes, the root directory at sector 2 and directories and files placed at given
// sectors.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace adfstest {

using TBytes = std::vector<std::uint8_t>;

struct TObject {
    std::string Name;
    std::uint32_t Sector = 0;
    std::uint32_t Length = 0;
    bool Directory = false;
    bool Locked = false;
    std::uint32_t Load = 0xFFFF1900;
    std::uint32_t Exec = 0xFFFF8023;
};

inline void PutLE(std::uint8_t* p, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        p[i] = std::uint8_t(value >> (8 * i));
}

// An image in logical sector order; Interleave() lays an L image track by track.
class TADFSBuilder {
  public:
    // Sectors is at least 7: the map and the root directory.
    explicit TADFSBuilder(std::uint32_t sectors)
        : Sectors(std::max(sectors, 7u)), Image(Sectors * 256, 0) {
        PutLE(&Image.at(0xFC), Sectors, 3);
        Directory(2, 2, "$", "Root title");
    }

    // Writes a directory at Sector whose parent is Parent, holding Objects (nothing when it
    // lies outside the image).
    TADFSBuilder& Directory(std::uint32_t sector, std::uint32_t parent, const std::string& name,
                            const std::string& title, const std::vector<TObject>& objects = {},
                            const char* signature = "Hugo") {
        if (std::size_t(sector) * 256 + 1280 > Image.size())
            return *this; // a directory outside the image is only pointed at
        std::uint8_t* d = &Image.at(sector * 256 + 1279) - 1279;
        std::memset(d, 0, 1280);
        d[0] = 7;
        std::memcpy(d + 1, signature, 4);
        for (std::size_t i = 0; i < objects.size(); ++i)
            PutEntry(d + 5 + 26 * i, objects[i]);
        PutText(d + 0x4CC, name, 10);
        PutLE(d + 0x4D6, parent, 3);
        PutText(d + 0x4D9, title, 19);
        d[0x4FA] = 7;
        std::memcpy(d + 0x4FB, signature, 4);
        return *this;
    }

    // Fills Length bytes from Sector with Marker + offset (those inside the image).
    TADFSBuilder& Data(std::uint32_t sector, std::uint32_t length, std::uint8_t marker) {
        for (std::uint32_t i = 0; i < length && sector * 256 + i < Image.size(); ++i)
            Image[sector * 256 + i] = std::uint8_t(marker + i);
        return *this;
    }

    // Adds a free run of Length sectors from Start to the free space map.
    TADFSBuilder& Free(std::uint32_t start, std::uint32_t length) {
        const std::size_t at = Image[0x1FE];
        PutLE(&Image[at], start, 3);
        PutLE(&Image[0x100 + at], length, 3);
        Image[0x1FE] = std::uint8_t(at + 3);
        return *this;
    }

    // The image with the map's check bytes in place.
    TBytes Bytes() const {
        TBytes out = Image;
        out[0xFF] = MapChecksum(&out[0]);
        out[0x1FF] = MapChecksum(&out[0x100]);
        return out;
    }

    // The logical image laid as an .adl file: track t of side s at (2t + s) x 4096.
    TBytes Interleaved() const {
        const TBytes image = Bytes();
        TBytes out(image.size(), 0);
        for (std::uint32_t sector = 0; sector < Sectors; ++sector) {
            const std::uint32_t track = sector / 16;
            const std::uint32_t side = track >= 80 ? 1 : 0;
            const std::size_t at = ((track % 80 * 2 + side) * 16 + sector % 16) * 256;
            std::memcpy(out.data() + at, image.data() + sector * 256, 256);
        }
        return out;
    }

    // Bytes 254 down to 0 of a map sector added with end-around carry.
    static std::uint8_t MapChecksum(const std::uint8_t* sector) {
        unsigned sum = 255;
        for (int i = 254; i >= 0; --i) {
            sum = sum > 255 ? (sum + 1) & 0xFF : sum;
            sum += sector[i];
        }
        return std::uint8_t(sum);
    }

  private:
    static void PutText(std::uint8_t* p, const std::string& text, std::size_t max) {
        for (std::size_t i = 0; i < max; ++i)
            p[i] = i < text.size() ? std::uint8_t(text[i]) : (i == text.size() ? 0x0D : 0);
    }

    static void PutEntry(std::uint8_t* e, const TObject& object) {
        PutText(e, object.Name, 10);
        e[0] |= 0x80; // R
        if (!object.Directory)
            e[1] |= 0x80; // W
        if (object.Locked)
            e[2] |= 0x80;
        if (object.Directory)
            e[3] |= 0x80;
        PutLE(e + 10, object.Load, 4);
        PutLE(e + 14, object.Exec, 4);
        PutLE(e + 18, object.Directory ? 0x500 : object.Length, 4);
        PutLE(e + 22, object.Sector, 3);
        e[25] = 1;
    }

    std::uint32_t Sectors;
    TBytes Image;
};

} // namespace adfstest
