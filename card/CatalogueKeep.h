// The previous catalogue of a card, kept in a small file of the user's state folder before
// every catalogue rewrite, so that a torn or mistaken rewrite can be undone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelk {

// A kept catalogue: the card it came from (path and size) and its header and entries.
struct TKeptCatalogue {
    std::string Card;
    std::uint64_t CardSize = 0;
    std::vector<std::uint8_t> Bytes;
};

// Where the card object hands the catalogue that is about to be replaced.
class TCatalogueKeeper {
  public:
    virtual ~TCatalogueKeeper() = default;
    // False with Error when it could not be kept.
    virtual bool Keep(const TKeptCatalogue& kept, std::string& error) = 0;
};

// $XDG_STATE_HOME/brelkexplorer, or ~/.local/state/brelkexplorer without it.
std::string KeptCatalogueFolder();
// The file in Folder that holds the kept catalogue of Card (named after the card's full path).
std::string KeptCataloguePath(const std::string& folder, const std::string& card);
// The full path Card names, with symbolic links resolved where they exist.
std::string CardIdentity(const std::string& card);

bool SaveKeptCatalogue(const std::string& file, const TKeptCatalogue& kept, std::string& error);
bool LoadKeptCatalogue(const std::string& file, TKeptCatalogue& kept, std::string& error);

// Keeps catalogues in the files of a state folder (the user's, unless tests give another).
class TStateFolderKeeper final : public TCatalogueKeeper {
  public:
    explicit TStateFolderKeeper(std::string folder = KeptCatalogueFolder())
        : Folder(std::move(folder)) {}
    bool Keep(const TKeptCatalogue& kept, std::string& error) override;
    const std::string Folder;
};

} // namespace brelk
