#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "world/gates.h"

TEST(GatesTest, OpensInStepsOfFrameTimeOverTwenty) {
    CGates g;
    EXPECT_STREQ(g.GetName(), "CGates");
    g.SetAngle(70.0f);
    g.Open();
    g.Update(100);
    EXPECT_FLOAT_EQ(g.GetAngle(), 75.0f);
    EXPECT_EQ(g.IsOpen(), 0);
    g.Update(100);
    EXPECT_FLOAT_EQ(g.GetAngle(), 80.0f);
    EXPECT_EQ(g.IsOpen(), 1);
    // At the target nothing moves any more.
    g.Update(100);
    EXPECT_FLOAT_EQ(g.GetAngle(), 80.0f);
}

TEST(GatesTest, ClosingStopsAtZeroAndNeverOvershoots) {
    CGates g;
    g.SetAngle(3.0f);
    g.Close();
    g.Update(100);
    EXPECT_FLOAT_EQ(g.GetAngle(), 0.0f);
    g.Open();
    g.Update(10000);  // a long frame still ends at the open angle
    EXPECT_FLOAT_EQ(g.GetAngle(), 80.0f);
    g.Close();
    g.Update(1000);  // 50 degrees
    EXPECT_FLOAT_EQ(g.GetAngle(), 30.0f);
    EXPECT_EQ(g.IsOpen(), 0);
}

TEST(GatesTest, RecordRoundTripAndValidation) {
    CGates g;
    g.SetName("Level crossing north");
    g.SetAngle(77.0f);
    g.Open();
    uint8_t bytes[CGates::RECORD_SIZE];
    g.ToBytes(bytes);
    // open flag, angle and target are little-endian at the front
    EXPECT_EQ(bytes[0], 1);
    float angle;
    std::memcpy(&angle, bytes + 4, 4);
    EXPECT_FLOAT_EQ(angle, 77.0f);

    CGates r;
    int repaired = 1;
    r.FromBytes(bytes, &repaired);
    EXPECT_EQ(repaired, 0);
    EXPECT_STREQ(r.GetName(), "Level crossing north");
    EXPECT_FLOAT_EQ(r.GetAngle(), 77.0f);
    EXPECT_FLOAT_EQ(r.GetTarget(), 80.0f);
    EXPECT_EQ(r.IsOpen(), 1);

    // An unterminated name is cut, a wild angle is kept in range.
    std::memset(bytes + 12, 'x', 64);
    float wild = 500.0f;
    std::memcpy(bytes + 4, &wild, 4);
    r.FromBytes(bytes, &repaired);
    EXPECT_EQ(repaired, 1);
    EXPECT_EQ(std::strlen(r.GetName()), 63u);
    EXPECT_FLOAT_EQ(r.GetAngle(), 80.0f);

    // An angle or target that is no number leaves a closed gate with its name.
    float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(bytes + 4, &nan, 4);
    std::memcpy(bytes + 8, &nan, 4);
    CGates closed;
    closed.FromBytes(bytes, &repaired);
    EXPECT_EQ(repaired, 1);
    EXPECT_FLOAT_EQ(closed.GetAngle(), 0.0f);
    EXPECT_FLOAT_EQ(closed.GetTarget(), 0.0f);
    EXPECT_EQ(closed.IsOpen(), 0);
    EXPECT_EQ(std::strlen(closed.GetName()), 63u);
}
