// The journals of a card's catalogue rewrites, kept in small files of the user's state folder:
// a torn rewrite is undone from its journal, and the last finished one can be taken back.
#pragma once

#include "card/CardJournal.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brelk {

// A catalogue a repair may put back: the card it came from (path and size) and its header and
// entries.
struct TKeptCatalogue {
    std::string Card;
    std::uint64_t CardSize = 0;
    std::vector<std::uint8_t> Bytes;
};

// How the journal of a rewrite ends: it stays as the way back from the card's last change, or
// it goes (the rewrite never reached the card, or was undone).
enum class TJournalEnd { KeepAsUndo, Discard };

// Where the card object keeps the journal of each catalogue rewrite, and after it the journal
// of the last finished rewrite: the card's catalogue before its last change, block by block.
// A keeper without journals (the defaults) accepts and finds none.
class TCatalogueKeeper {
  public:
    virtual ~TCatalogueKeeper() = default;
    // Makes Journal durable before the rewrite begins; false with Error when it is not. Its
    // bytes are valid during the call only: a keeper that holds on to them copies them.
    virtual bool BeginChange(const TJournalView& journal, std::string& error) {
        (void)journal;
        (void)error;
        return true;
    }
    // The rewrite of Card has ended as End says; durably.
    virtual bool EndChange(const std::string& card, TJournalEnd end, std::string& error) {
        (void)card;
        (void)end;
        (void)error;
        return true;
    }
    // The journal of an interrupted rewrite of Card, if one was left.
    virtual bool FindChange(const std::string& card, TCardJournal& journal) {
        (void)card;
        (void)journal;
        return false;
    }
    // The journal of the last finished rewrite of Card, if one is kept.
    virtual bool FindUndo(const std::string& card, TCardJournal& journal) {
        (void)card;
        (void)journal;
        return false;
    }
    // Forgets the journal of Card's last finished rewrite (it no longer describes the card);
    // false with Error when it stays.
    virtual bool DropUndo(const std::string& card, std::string& error) {
        (void)card;
        (void)error;
        return true;
    }
    // The card known by Cards was opened: its files are kept, and those of cards not seen for
    // a long time go.
    virtual void CardSeen(const std::vector<std::string>& cards) { (void)cards; }
};

// The files of cards not seen for this long are removed from the state folder.
inline constexpr int kKeptFileDays = 90;

// $XDG_STATE_HOME/brelkexplorer, or ~/.local/state/brelkexplorer without it.
std::string KeptCatalogueFolder();
// The full path Card names, with symbolic links resolved where they exist; a card's ID key
// (CardIdKey) stays as it is.
std::string CardIdentity(const std::string& card);

// The journal file in Folder for Card, and the file that keeps the last finished one.
std::string CardJournalPath(const std::string& folder, const std::string& card);
std::string CardUndoPath(const std::string& folder, const std::string& card);

// Keeps journals in the files of a state folder (the user's, unless tests give another).
// Every file it writes, renames or removes is made durable, the folder included, so that no
// crash brings back an older file than the last one written.
class TStateFolderKeeper final : public TCatalogueKeeper {
  public:
    explicit TStateFolderKeeper(std::string folder = KeptCatalogueFolder())
        : Folder(std::move(folder)) {}
    bool BeginChange(const TJournalView& journal, std::string& error) override;
    bool EndChange(const std::string& card, TJournalEnd end, std::string& error) override;
    bool FindChange(const std::string& card, TCardJournal& journal) override;
    bool FindUndo(const std::string& card, TCardJournal& journal) override;
    bool DropUndo(const std::string& card, std::string& error) override;
    void CardSeen(const std::vector<std::string>& cards) override;
    const std::string Folder;
};

} // namespace brelk
