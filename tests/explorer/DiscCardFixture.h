// A test card with DFS disc objects added byte for byte, and their bytes read back.
#pragma once

#include "card/CardFixture.h"

#include <string>
#include <vector>

namespace brelktest {

struct DiscCardFixture : CardFixture {
    const brelk::TBrelkCatEntry* AddDisc(const std::string& name,
                                         const std::vector<std::uint8_t>& image) {
        brelk::TBrelkCatEntry e =
            Entry(brelk::kTypeImage, brelk::kSubtypeDFS, name, std::uint32_t(image.size()));
        EXPECT_TRUE(Card->AddObjectToBrelk(e, image.data(), false));
        for (const auto& entry : Card->Entries())
            if (entry->Address() == e.Address())
                return entry;
        return nullptr;
    }
    std::vector<std::uint8_t> Read(const brelk::TBrelkCatEntry& e) {
        std::vector<std::uint8_t> bytes(e.Size());
        EXPECT_TRUE(Card->ReadMMC(bytes.data(), e.Address(), e.Size()));
        return bytes;
    }
};

} // namespace brelktest
