// The room's quads as the drawing emits them: counts, corners and normals.
#include <gtest/gtest.h>

#include "assets/LoadGLTextures.h"
#include "render/scene.h"

namespace {

struct QuadCase {
    RoomGroup group;
    int i, j;
    double normal[3];
    float corner[4][3];
};

TEST(RoomQuads, GroupsMake87QuadsWithTheirTextures)
{
    const struct {
        RoomGroup group;
        int quads;
        int slot;
    } expected[] = {
        {kFloor, 25, kTexFloor},      {kCeiling, 25, kTexCeiling},   {kSideWalls, 10, kTexWalls},
        {kEndWalls, 10, kTexWalls},   {kPlatformTop, 10, kTexWalls}, {kPlatformFront, 3, kTexWalls},
        {kBlockFront, 2, kTexWalls},  {kBlockSide, 2, kTexWalls},
    };
    int total = 0;
    for (const auto& e : expected) {
        const RoomGroupLoops& loops = kRoomGroups[e.group];
        const int quads = (loops.iLast - loops.iFirst + 1) * (loops.jLast - loops.jFirst + 1);
        EXPECT_EQ(quads, e.quads) << "group " << e.group;
        EXPECT_EQ(loops.slot, e.slot) << "group " << e.group;
        total += quads;
    }
    EXPECT_EQ(total, 87);
}

TEST(RoomQuads, CornersAndNormalsFollowTheRoomLayout)
{
    const QuadCase cases[] = {
        {kFloor, 0, 0, {0, 1, 0}, {{-2.5f, 0, 0}, {-1.5f, 0, 0}, {-1.5f, 0, -1}, {-2.5f, 0, -1}}},
        {kFloor, 4, 4, {0, 1, 0}, {{1.5f, 0, 4}, {2.5f, 0, 4}, {2.5f, 0, 3}, {1.5f, 0, 3}}},
        {kCeiling, 2, 3, {0, -1, 0}, {{-0.5f, 1, 3}, {0.5f, 1, 3}, {0.5f, 1, 2}, {-0.5f, 1, 2}}},
        {kSideWalls, 0, 1, {-1, 0, 0}, {{-2.5f, 1, 1}, {-2.5f, 0, 1}, {-2.5f, 0, 0}, {-2.5f, 1, 0}}},
        {kSideWalls, 1, 4, {1, 0, 0}, {{2.5f, 1, 4}, {2.5f, 0, 4}, {2.5f, 0, 3}, {2.5f, 1, 3}}},
        {kEndWalls, 0, 0, {0, 0, -1}, {{-1.5f, 1, -1}, {-1.5f, 0, -1}, {-2.5f, 0, -1}, {-2.5f, 1, -1}}},
        {kEndWalls, 1, 4, {0, 0, 1}, {{2.5f, 1, 4}, {2.5f, 0, 4}, {1.5f, 0, 4}, {1.5f, 1, 4}}},
        {kPlatformTop, 3, 1, {0, 1, 0}, {{0.5f, 0.25f, 1}, {1.5f, 0.25f, 1}, {1.5f, 0.25f, 0}, {0.5f, 0.25f, 0}}},
        {kPlatformFront, 2, 0, {0, 0, -1}, {{0.5f, 0.25f, 1}, {0.5f, 0, 1}, {-0.5f, 0, 1}, {-0.5f, 0.25f, 1}}},
        {kBlockFront, 0, 0, {0, 0, -1}, {{-1.5f, 1, 1}, {-1.5f, 0, 1}, {-2.5f, 0, 1}, {-2.5f, 1, 1}}},
        {kBlockSide, 1, 0, {-1, 0, 0}, {{-0.5f, 1, 1}, {-0.5f, 0, 1}, {-0.5f, 0, 0}, {-0.5f, 1, 0}}},
    };
    for (const auto& c : cases) {
        const RoomQuad q = roomQuad(c.group, c.i, c.j);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(q.normal[k], c.normal[k]) << "group " << c.group << " i " << c.i << " j " << c.j;
        }
        for (int v = 0; v < 4; ++v) {
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(q.corner[v][k], c.corner[v][k])
                    << "group " << c.group << " i " << c.i << " j " << c.j << " corner " << v;
            }
        }
    }
}

TEST(RoomQuads, RoomSpansFiveByFiveByOne)
{
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (int g = 0; g < kRoomGroupCount; ++g) {
        const RoomGroupLoops& loops = kRoomGroups[g];
        for (int i = loops.iFirst; i <= loops.iLast; ++i) {
            for (int j = loops.jFirst; j <= loops.jLast; ++j) {
                const RoomQuad q = roomQuad(static_cast<RoomGroup>(g), i, j);
                for (const auto& c : q.corner) {
                    for (int k = 0; k < 3; ++k) {
                        lo[k] = std::min(lo[k], c[k]);
                        hi[k] = std::max(hi[k], c[k]);
                    }
                }
            }
        }
    }
    EXPECT_EQ(lo[0], -2.5f);
    EXPECT_EQ(hi[0], 2.5f);
    EXPECT_EQ(lo[1], 0.0f);
    EXPECT_EQ(hi[1], 1.0f);
    EXPECT_EQ(lo[2], -1.0f);
    EXPECT_EQ(hi[2], 4.0f);
}

}  // namespace
