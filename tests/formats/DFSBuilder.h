// Builds small DFS side images byte by byte for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dfstest {

using TBytes = std::vector<std::uint8_t>;

struct TFile {
    char Directory = '$';
    std::string Name;
    std::uint32_t Length = 0;
    std::uint16_t StartSector = 0;
    std::uint32_t Load = 0; // bits 16 and 17 go to the two stored high bits
    std::uint32_t Exec = 0;
    bool Locked = false;
};

// A catalogue entry for the file tests: load &1900 (plus Load's high bits), exec &8023.
inline TFile FileAt(const std::string& name, std::uint32_t length, std::uint16_t start,
                    char directory = '$', bool locked = false, std::uint32_t load = 0x1900) {
    TFile file;
    file.Directory = directory;
    file.Name = name;
    file.Length = length;
    file.StartSector = start;
    file.Load = load;
    file.Exec = 0x8023;
    file.Locked = locked;
    return file;
}

// One side: a catalogue of up to 31 (or 62 with the Watford marker) files in an image of
// ImageBytes bytes filled with Fill.
class TDFSBuilder {
  public:
    explicit TDFSBuilder(std::uint16_t sectorCount = 800, std::size_t imageBytes = 204800,
                         std::uint8_t fill = 0)
        : SectorCount(sectorCount), Image(imageBytes, fill) {}

    TDFSBuilder& Title(const std::string& title) {
        TitleText = title;
        return *this;
    }
    TDFSBuilder& Cycle(std::uint8_t cycle) {
        CycleByte = cycle;
        return *this;
    }
    TDFSBuilder& Boot(std::uint8_t option) {
        BootOption = option;
        return *this;
    }
    TDFSBuilder& Watford() {
        Marker = true;
        return *this;
    }
    TDFSBuilder& Add(const TFile& file) {
        (Marker && Files.size() >= 31 ? Second : Files).push_back(file);
        return *this;
    }
    // Fills the file's sectors with its own marker byte so that tests can find them.
    TDFSBuilder& AddWithData(const TFile& file, std::uint8_t marker) {
        Add(file);
        Marks.push_back({file.StartSector, file.Length, marker});
        return *this;
    }

    TBytes Bytes() const {
        TBytes image = Image;
        if (image.size() < 1024)
            image.resize(1024, 0);
        for (const TMark& mark : Marks)
            for (std::uint32_t i = 0; i < mark.Length; ++i)
                if (mark.Start * 256u + i < image.size())
                    image[mark.Start * 256u + i] = mark.Byte;
        WriteCatalogue(image.data(), image.data() + 256, Files);
        image[256 + 4] = CycleByte;
        image[256 + 6] = std::uint8_t((BootOption & 3) << 4 | ((SectorCount >> 8) & 3));
        image[256 + 7] = std::uint8_t(SectorCount & 0xFF);
        for (std::size_t i = 0; i < 8; ++i) {
            image[i] = i < TitleText.size() ? std::uint8_t(TitleText[i]) : 0;
            if (i < 4)
                image[256 + i] = i + 8 < TitleText.size() ? std::uint8_t(TitleText[i + 8]) : 0;
        }
        if (Marker) {
            std::fill(image.begin() + 512, image.begin() + 520, 0xAA);
            WriteCatalogue(image.data() + 512, image.data() + 768, Second);
        }
        image.resize(Image.size());
        return image;
    }

  private:
    struct TMark {
        std::uint16_t Start;
        std::uint32_t Length;
        std::uint8_t Byte;
    };

    static void WriteCatalogue(std::uint8_t* names, std::uint8_t* info,
                               const std::vector<TFile>& files) {
        info[5] = std::uint8_t(files.size() * 8);
        for (std::size_t i = 0; i < files.size(); ++i) {
            const TFile& f = files[i];
            std::uint8_t* name = names + 8 + 8 * i;
            std::uint8_t* data = info + 8 + 8 * i;
            for (std::size_t c = 0; c < 7; ++c)
                name[c] = c < f.Name.size() ? std::uint8_t(f.Name[c]) : ' ';
            name[7] = std::uint8_t(f.Directory | (f.Locked ? 0x80 : 0));
            data[0] = std::uint8_t(f.Load);
            data[1] = std::uint8_t(f.Load >> 8);
            data[2] = std::uint8_t(f.Exec);
            data[3] = std::uint8_t(f.Exec >> 8);
            data[4] = std::uint8_t(f.Length);
            data[5] = std::uint8_t(f.Length >> 8);
            data[6] = std::uint8_t(((f.Exec >> 16) & 3) << 6 | ((f.Length >> 16) & 3) << 4 |
                                   ((f.Load >> 16) & 3) << 2 | ((f.StartSector >> 8) & 3));
            data[7] = std::uint8_t(f.StartSector);
        }
    }

    std::uint16_t SectorCount;
    TBytes Image;
    std::string TitleText;
    std::uint8_t CycleByte = 0;
    std::uint8_t BootOption = 0;
    bool Marker = false;
    std::vector<TFile> Files;
    std::vector<TFile> Second;
    std::vector<TMark> Marks;
};

inline TBytes Concat(std::initializer_list<TBytes> parts) {
    TBytes all;
    for (const TBytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace dfstest
