#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/random.h"
#include "world/smoke.h"

namespace {

int owner1, owner2, owner3;

int TotalParticles(const SMOKE_SYSTEM& s) {
    int n = 0;
    for (SMOKE_SOURCE* src = s.GetFirstSource(); src; src = src->next) n += src->CountParticles();
    return n;
}

}  // namespace

TEST(SmokeTest, SourcesAreUniquePerOwnerAndKindAndKind4MatchesAny) {
    SMOKE_SYSTEM s;
    s.AddSmokeSource(&owner1, 0, 10.0f, 1.0f, 2.0f, 3.0f);
    s.AddSmokeSource(&owner1, 0, 20.0f, 5.0f, 5.0f, 5.0f);
    ASSERT_NE(s.FindSource(&owner1, 0), nullptr);
    EXPECT_EQ(s.FindSource(&owner1, 0)->interval, 100);
    EXPECT_FLOAT_EQ(s.FindSource(&owner1, 0)->x, 1.0f);
    EXPECT_EQ(s.GetFirstSource()->next, nullptr);
    // kind 4 finds any source of the owner, so adding with it does nothing here
    s.AddSmokeSource(&owner1, SMOKEKIND_ANY, 10.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(s.GetFirstSource()->next, nullptr);
    s.AddSmokeSource(&owner1, SMOKEKIND_SPARKS, 10.0f, 0.0f, 0.0f, 0.0f);
    s.AddSmokeSource(&owner2, 0, 10.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(s.FindSource(&owner1, SMOKEKIND_SPARKS)->textureSlot, 26);
    EXPECT_EQ(s.FindSource(&owner1, SMOKEKIND_SPARKS)->falling, 1);
    s.RemoveSmokeSource(&owner1, SMOKEKIND_ANY);
    EXPECT_EQ(s.FindSource(&owner1, SMOKEKIND_ANY), nullptr);
    EXPECT_NE(s.FindSource(&owner2, 0), nullptr);
}

TEST(SmokeTest, LongPauseEmitsAtMostTwoParticles) {
    VelSrand(1);
    SMOKE_SYSTEM s;
    s.AddSmokeSource(&owner1, 0, 10.0f, 0.0f, 0.0f, 0.0f);
    // Slow fading, so that the particles outlive the long frame.
    s.SetSourceParams(&owner1, 0, 10.0f, 0.0f, 0.0f, 0.0f, -1.0f, -1.0f, -1.0f, 5.0f, 0);
    s.SetSourceRandom(&owner1, 0, 1000000.0f, 1000000.0f, 1000000.0f, 1000000.0f, 1000000.0f, 0.0f, 1000000.0f);
    s.UpdateBy(5000);
    EXPECT_EQ(s.FindSource(&owner1, 0)->CountParticles(), 2);
    // A normal frame emits one particle per interval.
    SMOKE_SYSTEM t;
    t.AddSmokeSource(&owner1, 0, 10.0f, 0.0f, 0.0f, 0.0f);
    t.UpdateBy(350);
    EXPECT_EQ(t.FindSource(&owner1, 0)->CountParticles(), 4);
}

TEST(SmokeTest, RateZeroAndBadValuesStopEmissionWithoutHanging) {
    SMOKE_SYSTEM s;
    s.AddSmokeSource(&owner1, 0, 10.0f, 0.0f, 0.0f, 0.0f);
    s.UpdateBy(300);
    int before = TotalParticles(s);
    EXPECT_GT(before, 0);
    s.SetSourceParams(&owner1, 0, 0.0f, 1.0f, 1.0f, 1.0f, -1.0f, -1.0f, -1.0f, -1.0f, 0);
    EXPECT_EQ(s.FindSource(&owner1, 0)->interval, 0);
    s.UpdateBy(50);
    EXPECT_LE(TotalParticles(s), before);  // nothing new, the old ones fade
    for (int i = 0; i < 40; i++) s.UpdateBy(100);
    EXPECT_EQ(TotalParticles(s), 0);

    // Negative rate: no emission; negative fade: particles still die.
    s.AddSmokeSource(&owner2, 0, -5.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(s.FindSource(&owner2, 0)->interval, 0);
    s.UpdateBy(1000);
    EXPECT_EQ(s.FindSource(&owner2, 0)->CountParticles(), 0);
    s.SetSourceParams(&owner2, 0, 100.0f, 0.0f, 0.0f, 0.0f, -1.0f, -1.0f, -1.0f, -50.0f, 0);
    s.SetSourceRandom(&owner2, 0, 1000000.0f, 1000000.0f, 1000000.0f, 1000000.0f, 1000000.0f, -5.0f,
                      1000000.0f);
    s.UpdateBy(20);
    EXPECT_GT(s.FindSource(&owner2, 0)->CountParticles(), 0);
    s.SetSourceActive(&owner2, 0, 0);
    for (int i = 0; i < 300; i++) s.UpdateBy(100);
    EXPECT_EQ(s.FindSource(&owner2, 0)->CountParticles(), 0);

    // A huge rate is bounded by one particle per millisecond.
    s.AddSmokeSource(&owner3, 0, 1.0e9f, 0.0f, 0.0f, 0.0f);
    s.UpdateBy(100);
    EXPECT_EQ(s.FindSource(&owner3, 0)->CountParticles(), 101);
}

TEST(SmokeTest, KindZeroParticlesLiveBetween850And1275Ms) {
    VelSrand(7);
    SMOKE_SOURCE src(&owner1, 0, 0.0f, 0.0f, 0.0f, 0.0f);
    for (int i = 0; i < 50; i++) src.Emit();
    std::vector<int> deaths;
    int alive = src.CountParticles();
    for (int t = 1; t <= 2000 && alive > 0; t++) {
        src.Update(1);
        int now = src.CountParticles();
        for (int k = now; k < alive; k++) deaths.push_back(t);
        alive = now;
    }
    ASSERT_EQ(deaths.size(), 50u);
    for (int t : deaths) {
        EXPECT_GE(t, 850);
        EXPECT_LE(t, 1276);
    }
}

TEST(SmokeTest, SetSourceParamsScalesValuesAndKeepsMinusOne) {
    SMOKE_SYSTEM s;
    s.AddSmokeSource(&owner1, 0, 10.0f, 0.0f, 0.0f, 0.0f);
    SMOKE_SOURCE* src = s.FindSource(&owner1, 0);
    src->timer = 90;
    s.SetSourceParams(&owner1, 0, 20.0f, 1.0f, 2.0f, 3.0f, 9.0f, -1.0f, 3.0f, 15.0f, 39);
    EXPECT_EQ(src->interval, 50);
    EXPECT_EQ(src->timer, 50);
    EXPECT_FLOAT_EQ(src->templ.x, 1.0f);
    EXPECT_FLOAT_EQ(src->templ.z, 3.0f);
    EXPECT_FLOAT_EQ(src->templ.vz, 9.0f / 100000.0f);
    EXPECT_FLOAT_EQ(src->templ.halfWidthGrowth, 0.0005f);
    EXPECT_FLOAT_EQ(src->templ.halfHeightGrowth, 3.0f / 100000.0f);
    EXPECT_FLOAT_EQ(src->templ.fade, 15.0f / 500.0f);
    EXPECT_EQ(src->textureSlot, 39);
}

TEST(SmokeTest, VertexCapLeavesLaterSourcesUndrawn) {
    VelSrand(3);
    SMOKE_SYSTEM s;
    s.AddSmokeSource(&owner1, 0, 0.0f, 0.0f, 0.0f, 0.0f);  // ends up last in the list
    s.AddSmokeSource(&owner2, 0, 0.0f, 0.0f, 0.0f, 0.0f);
    SMOKE_SOURCE* last = s.FindSource(&owner1, 0);
    SMOKE_SOURCE* first = s.FindSource(&owner2, 0);
    ASSERT_EQ(s.GetFirstSource(), first);
    for (int i = 0; i < 310; i++) first->Emit();
    for (int i = 0; i < 5; i++) last->Emit();
    std::vector<unsigned char> buf(SMOKE_SYSTEM::MAXVERTICES * SMOKE_SYSTEM::VERTEXSIZE);
    int written = s.WriteVertices(buf.data(), SMOKE_SYSTEM::MAXVERTICES);
    EXPECT_EQ(written, 1800);
    EXPECT_EQ(first->quads, 600);
    EXPECT_EQ(last->quads, 0);
    // The first vertex is the top-left corner of a fully opaque white quad.
    float xyz[3];
    unsigned colour;
    std::memcpy(xyz, buf.data(), 12);
    std::memcpy(&colour, buf.data() + 12, 4);
    EXPECT_FLOAT_EQ(xyz[0], -0.02f);
    EXPECT_FLOAT_EQ(xyz[1], 0.2f);
    EXPECT_EQ(colour, 0xFFFFFFFFu);
}
