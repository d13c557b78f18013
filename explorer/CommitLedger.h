// What an operation changed, told to the user only once a catalogue write has put it on the
// card. Each change is noted right after it was made in memory, with the card's commit count
// at that moment; it is on the card once a later catalogue write succeeded. A failed commit
// thus reports nothing of what it would have written, while changes that an earlier commit
// of the same operation wrote (an import that had to commit to reuse freed space) still count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace brelk {

class TBrelk;

class TCommitLedger {
  public:
    explicit TCommitLedger(const TBrelk& card) : Card(card) {}
    // Notes a change just made, with the text that tells the user about it.
    void Note(std::string text);
    // The texts of the changes that are on the card and were not handed out before, in the
    // order they were noted.
    std::vector<std::string> TakeOnCard();
    // How many of the noted changes are on the card.
    std::size_t OnCard() const;
    std::size_t Noted() const { return Changes.size(); }

  private:
    const TBrelk& Card;
    // The card's commit count when each change was made, and its text.
    std::vector<std::pair<std::uint64_t, std::string>> Changes;
    std::size_t Taken = 0;
};

} // namespace brelk
