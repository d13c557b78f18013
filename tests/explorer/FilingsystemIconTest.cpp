// The icon rule and the type texts agree with the filing-system ROM table.
#include "explorer/CardInfo.h"
#include "explorer/ObjectImages.h"
#include "formats/Filingsystem.h"

#include <gtest/gtest.h>

using namespace brelk;

// The icon rule and the ROM table give the same icon for every subtype of type 1.
TEST(Filingsystem, IconFamilyAgreesWithTheIconRule) {
    for (int subtype = 0; subtype < 256; ++subtype) {
        TBrelkCatEntry entry;
        entry.SetType(kTypeFilingSystem);
        entry.SetSubtype(std::uint8_t(subtype));
        EXPECT_EQ(ObjectImageKey(entry), FilingsystemIconKey(std::uint8_t(subtype))) << subtype;
        EXPECT_EQ(ObjectTypeText(entry),
                  "Filingsystem" + FilingsystemDescription(std::uint8_t(subtype)));
    }
}
