// Unpacking gzip-compressed files: all members, trailing zero bytes, the size limit, damage.
#include "explorer/Gzip.h"
#include "explorer/PendingSupport.h"
#include "formats/UEFBuilder.h"

#include <gtest/gtest.h>

using namespace brelk;
using namespace brelktest;

namespace {

TEST(GzipTest, ResultsTable) {
    const std::vector<std::uint8_t> text(3000, 'a');
    const auto one = GzipMember(text);
    auto two = Concat({GzipMember({1, 2}), GzipMember({3})});
    auto zeros = one;
    zeros.resize(zeros.size() + 100, 0);
    auto garbage = one;
    garbage.push_back(0x42);
    auto cut = one;
    cut.resize(cut.size() - 4);
    auto flipped = one;
    flipped[flipped.size() / 2] ^= 0x55;
    struct Case {
        const char* What;
        std::vector<std::uint8_t> Bytes;
        std::size_t Limit;
        TGunzipResult Result;
        std::vector<std::uint8_t> Out;
    };
    const Case cases[] = {
        {"one member", one, kMaxUnpackedBytes, TGunzipResult::Ok, text},
        {"two members", two, kMaxUnpackedBytes, TGunzipResult::Ok, {1, 2, 3}},
        {"zero bytes after", zeros, kMaxUnpackedBytes, TGunzipResult::Ok, text},
        {"exactly the limit", one, 3000, TGunzipResult::Ok, text},
        {"over the limit", one, 2999, TGunzipResult::TooLarge, {}},
        {"other bytes after", garbage, kMaxUnpackedBytes, TGunzipResult::Damaged, {}},
        {"cut short", cut, kMaxUnpackedBytes, TGunzipResult::Damaged, {}},
        {"corrupt", flipped, kMaxUnpackedBytes, TGunzipResult::Damaged, {}},
        {"magic only", {0x1F, 0x8B}, kMaxUnpackedBytes, TGunzipResult::Damaged, {}},
    };
    for (const Case& c : cases) {
        const TGuardedBytes guarded(c.Bytes);
        std::vector<std::uint8_t> out{9};
        EXPECT_EQ(GunzipAll(guarded.Data, guarded.Size, out, c.Limit), c.Result) << c.What;
        EXPECT_EQ(out, c.Out) << c.What;
    }
    EXPECT_TRUE(IsGzip(one.data(), one.size()));
    EXPECT_FALSE(IsGzip(one.data(), 1));
}

} // namespace
