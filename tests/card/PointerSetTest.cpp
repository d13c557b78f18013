// The catalogue's pointer index against a reference set through long runs of inserts and
// erases, so that every way a removal can leave a probe chain is met.
#include "card/PointerSet.h"

#include <gtest/gtest.h>
#include <random>
#include <set>
#include <vector>

using brelk::TPointerSet;

TEST(PointerSetTest, AgreesWithAReferenceSetThroughInsertsAndErases) {
    std::vector<int> pool(3000);
    std::mt19937 random(7);
    for (int round = 0; round < 4; ++round) {
        TPointerSet<const int> set;
        std::set<const int*> reference;
        for (int step = 0; step < 40000; ++step) {
            const int* p = &pool[random() % pool.size()];
            if (random() % 3 != 0) {
                EXPECT_EQ(set.insert(p), reference.insert(p).second);
            } else {
                EXPECT_EQ(set.erase(p), reference.erase(p) == 1);
            }
            if (step % 997 == 0) {
                ASSERT_EQ(set.size(), reference.size());
                for (const int& member : pool)
                    ASSERT_EQ(set.count(&member), reference.count(&member)) << step;
            }
        }
        set.clear();
        EXPECT_EQ(set.size(), 0u);
        EXPECT_EQ(set.count(&pool[0]), 0u);
        EXPECT_FALSE(set.erase(&pool[0]));
    }
}
