#include "explorer/CommitLedger.h"

#include "card/Brelk.h"

#include <algorithm>

namespace brelk {

void TCommitLedger::Note(std::string text) {
    Changes.emplace_back(Card.CommitCount(), std::move(text));
}

// Counts never fall, so the changes on the card are those noted first.
std::size_t TCommitLedger::OnCard() const {
    const std::uint64_t commits = Card.CommitCount();
    return std::size_t(
        std::partition_point(Changes.begin(), Changes.end(),
                             [commits](const auto& change) { return change.first < commits; }) -
        Changes.begin());
}

std::vector<std::string> TCommitLedger::TakeOnCard() {
    const std::size_t onCard = OnCard();
    std::vector<std::string> texts;
    for (; Taken < onCard; ++Taken)
        texts.push_back(Changes[Taken].second);
    return texts;
}

} // namespace brelk
