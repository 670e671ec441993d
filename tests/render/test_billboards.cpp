// Billboard drawing order: depth sort, what is left out, texture grouping.
#include "render/billboards.h"
#include "track/objects.h"

#include <gtest/gtest.h>

namespace
{

TEST(Billboards, RadixSortIsStableAcrossAllFourBytes)
{
    std::vector<uint32_t> keys = {0x01000000, 0x00ffffff, 5, 0x01000000, 5, 0xfffffffe, 0x00010000};
    std::vector<int> order = {0, 1, 2, 3, 4, 5, 6};
    radix_sort_by_key(&order, keys);
    EXPECT_EQ(order, (std::vector<int>{2, 4, 6, 1, 0, 3, 5}));
}

// A camera at the origin looking down -z; track billboards come after the
// roost-particle slots, which are left empty here.
struct BillboardOrder : ::testing::Test {
    std::vector<Billboard> list = std::vector<Billboard>(ROOST_PARTICLE_SLOTS, Billboard{});
    const float camera[3] = {0, 0, 0};
    const float backward[3] = {0, 0, 1};
    int add(float x, float z, unsigned texture, uint8_t alpha = 255)
    {
        Billboard b{};
        b.x = x, b.y = 0, b.z = z, b.size = 4, b.aspect = 1, b.texture = texture;
        b.colour[0] = b.colour[1] = b.colour[2] = 255;
        b.colour[3] = alpha;
        list.push_back(b);
        return (int)list.size() - 1;
    }
    std::vector<int> order(int lookahead)
    {
        return billboard_order(list.data(), (int)list.size(), camera, backward, lookahead);
    }
};

TEST_F(BillboardOrder, FarthestFirstAndOnlyVisibleOnes)
{
    int near = add(0, -10, 1), far = add(0, -30, 1), middle = add(0, -20, 1), tie = add(3, -20, 1);
    add(0, 5, 1);      // behind the camera
    add(0, -15, 0);    // no texture
    add(0, -15, 1, 0); // fully transparent
    EXPECT_EQ(order(1), (std::vector<int>{far, middle, tie, near}));
    const float up[3] = {0, 1, 0};
    EXPECT_TRUE(billboard_order(list.data(), (int)list.size(), camera, up, 8).empty());
}

TEST_F(BillboardOrder, RoostParticlesSortByTheirNearEdge)
{
    int track = add(0, -10, 1);
    list[0] = list[track]; // a particle of width 4 at the same place
    list[0].z = -12;
    // Without its width the particle lies behind; with it, in front.
    EXPECT_EQ(order(1), (std::vector<int>{track, 0}));
}

TEST_F(BillboardOrder, EqualTexturesGroupOnlyWhereNothingOverlaps)
{
    int a = add(0, -40, 1), b = add(0, -30, 2), c = add(30, -20, 1);
    EXPECT_EQ(order(1), (std::vector<int>{a, b, c})); // grouping off
    EXPECT_EQ(order(2), (std::vector<int>{a, b, c})); // the window cannot reach past b
    EXPECT_EQ(order(3), (std::vector<int>{a, c, b})); // c pulled up behind a
    list[b].x = 45;                                   // now b covers c on screen
    EXPECT_EQ(order(8), (std::vector<int>{a, b, c}));
}

} // namespace
