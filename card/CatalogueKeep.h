// The previous catalogue of a card, kept in a small file of the user's state folder before
// every catalogue rewrite, so that a torn or mistaken rewrite can be undone.
#pragma once

#include "card/CardJournal.h"

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

// Where the card object hands the catalogue that is about to be replaced, and the journal of
// each catalogue rewrite. A keeper without journals (the defaults) accepts and finds none.
class TCatalogueKeeper {
  public:
    virtual ~TCatalogueKeeper() = default;
    // False with Error when it could not be kept.
    virtual bool Keep(const TKeptCatalogue& kept, std::string& error) = 0;
    // Makes Journal durable before the rewrite begins; false with Error when it is not.
    virtual bool BeginChange(const TCardJournal& journal, std::string& error) {
        (void)journal;
        (void)error;
        return true;
    }
    // The rewrite of Card is on the card: its journal goes, durably.
    virtual bool EndChange(const std::string& card, std::string& error) {
        (void)card;
        (void)error;
        return true;
    }
    // The journal of an interrupted rewrite of Card, if one was left.
    virtual bool FindChange(const std::string& card, TCardJournal& journal) {
        (void)card;
        (void)journal;
        return false;
    }
};

// $XDG_STATE_HOME/brelkexplorer, or ~/.local/state/brelkexplorer without it.
std::string KeptCatalogueFolder();
// The file in Folder that holds the kept catalogue of Card (named after the card's full path).
std::string KeptCataloguePath(const std::string& folder, const std::string& card);
// The full path Card names, with symbolic links resolved where they exist.
std::string CardIdentity(const std::string& card);

bool SaveKeptCatalogue(const std::string& file, const TKeptCatalogue& kept, std::string& error);
bool LoadKeptCatalogue(const std::string& file, TKeptCatalogue& kept, std::string& error);

// The journal file in Folder for Card.
std::string CardJournalPath(const std::string& folder, const std::string& card);

// Keeps catalogues and journals in the files of a state folder (the user's, unless tests give
// another). Every file it writes or removes is made durable, the folder included, so that no
// crash brings back an older file than the last one written.
class TStateFolderKeeper final : public TCatalogueKeeper {
  public:
    explicit TStateFolderKeeper(std::string folder = KeptCatalogueFolder())
        : Folder(std::move(folder)) {}
    bool Keep(const TKeptCatalogue& kept, std::string& error) override;
    bool BeginChange(const TCardJournal& journal, std::string& error) override;
    bool EndChange(const std::string& card, std::string& error) override;
    bool FindChange(const std::string& card, TCardJournal& journal) override;
    const std::string Folder;
};

} // namespace brelk
