// A formatted card in memory, with helpers to add objects and build catalogues byte by byte.
#pragma once

#include "card/FakeDevice.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>

namespace brelktest {

// Keeps journals in memory as a state folder would (the hot one of each card and the one of its
// last finished change), and records what it was asked.
class TMemoryKeeper : public brelk::TCatalogueKeeper {
  public:
    std::map<std::string, brelk::TCardJournal> Journals, Undos;
    std::vector<brelk::TCardJournal> Begun;
    int Ended = 0;
    bool BeginChange(const brelk::TJournalView& journal, std::string&) override {
        Journals[journal.Card] = brelk::OwnedJournal(journal);
        Begun.push_back(Journals[journal.Card]);
        return true;
    }
    bool EndChange(const std::string& card, brelk::TJournalEnd end, std::string&) override {
        const auto found = Journals.find(card);
        if (found != Journals.end() && end == brelk::TJournalEnd::KeepAsUndo)
            Undos[card] = found->second;
        if (found != Journals.end())
            Journals.erase(found);
        ++Ended;
        return true;
    }
    bool FindChange(const std::string& card, brelk::TCardJournal& journal) override {
        return Find(Journals, card, journal);
    }
    bool FindUndo(const std::string& card, brelk::TCardJournal& journal) override {
        return Find(Undos, card, journal);
    }

  private:
    static bool Find(const std::map<std::string, brelk::TCardJournal>& in, const std::string& card,
                     brelk::TCardJournal& journal) {
        const auto found = in.find(card);
        if (found == in.end())
            return false;
        journal = found->second;
        return true;
    }
};

struct CardFixture : ::testing::Test {
    static constexpr std::uint32_t kCard = 4u << 20;
    static constexpr std::uint32_t kZone = 8192;
    static constexpr std::uint32_t kLimit = kCard - kZone;

    TFakeDevice Device{kCard};
    TRecordingReporter Reporter;
    std::unique_ptr<brelk::TBrelk> Card;

    void Reopen(bool format = false) {
        Card.reset();
        Card = std::make_unique<brelk::TBrelk>(Reporter, Device);
        Card->Initialize(65536, "card.img", kZone);
        if (format) {
            ASSERT_TRUE(Card->FormatMMC());
        }
    }
    void SetUp() override { Reopen(true); }

    static brelk::TBrelkCatEntry Entry(std::uint8_t type, std::uint8_t subtype,
                                       const std::string& name, std::uint32_t size = 0,
                                       std::uint32_t address = 0) {
        brelk::TBrelkCatEntry e;
        e.SetType(type);
        e.SetSubtype(subtype);
        e.SetName(name);
        e.SetSize(size);
        e.SetAddress(address);
        return e;
    }
    // Adds an object of Size bytes filled with Fill; returns the entry as placed.
    brelk::TBrelkCatEntry Add(const std::string& name, std::uint32_t size, std::uint8_t type = 2,
                              bool replace = false, std::uint8_t fill = 0xA5) {
        brelk::TBrelkCatEntry e = Entry(type, 0, name, size);
        std::vector<std::uint8_t> data(size, fill);
        EXPECT_TRUE(Card->AddObjectToBrelk(e, data.data(), replace)) << name;
        return e;
    }
    // The names of the card's catalogue, in its order.
    static std::vector<std::string> CatalogueNames(const brelk::TBrelk& card) {
        std::vector<std::string> names;
        for (const auto& entry : card.Entries())
            names.push_back(entry->Name());
        return names;
    }
    const brelk::TBrelkCatEntry* Find(const std::string& name) {
        for (const brelk::TBrelkCatEntry* e : Card->Entries())
            if (brelk::SameName(e->Name(), name))
                return e;
        return nullptr;
    }
    // Writes a raw catalogue (header magic, Count and the given entries) into the device bytes.
    void WriteRawCatalogue(std::uint32_t count, const std::vector<brelk::TBrelkCatEntry>& entries) {
        std::fill(Device.Bytes.begin(), Device.Bytes.begin() + 512, 0);
        std::copy(brelk::kCatalogueMagic.begin(), brelk::kCatalogueMagic.end(),
                  Device.Bytes.begin());
        brelk::PutLE32(&Device.Bytes[16], count);
        for (std::size_t i = 0; i < entries.size(); ++i)
            std::copy(entries[i].Bytes.begin(), entries[i].Bytes.end(),
                      Device.Bytes.begin() + 512 + 64 * i);
    }
};

} // namespace brelktest
