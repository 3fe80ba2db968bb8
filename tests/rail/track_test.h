// Shared set-up of the track tests: the standard types, flat ground and a
// piece placed where the test asks.
#pragma once

#include <gtest/gtest.h>

#include <cmath>

#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "app/startlog.h"
#include "rail/idpool.h"
#include "rail/layoutfile.h"
#include "rail/layoutstate.h"
#include "rail/power.h"
#include "rail/track.h"
#include "rail/trackaddition.h"
#include "rail/xtrack.h"

void SetTrackObjectMeshForTest(int objId, const XVERTEX* v, int vertexCount, const WORD* idx, int faceCount);

inline float g_testGround = 0.0f;
inline float TestGround(float, float) { return g_testGround; }

class TrackTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (trackList.GetTypeCount() == 0) trackList.InitTrackTypes();
        trackList.DeleteAll();
        trackList.ClearClipboard();
        powerList.RemoveAll();
        powerList.SetNameCounter(1);
        trackAdditionList.RemoveAll();
        idPool.Reset();
        trackList.SetSwitchCounter(1);
        trackList.SetDetachCounter(1);
        trackList.SetTTableCounter(1);
        g_testGround = 0.0f;
        SetTrackGroundForTest(TestGround);
        messageQueue.Reset();
        layoutState.SetMode(0);
        layoutState.SetPaused(0);
        layoutState.SetGroundPoint(0.0f, 0.0f);
        myGlobs.maxAscent = 0.1f;
        myGlobs.loadFileVersion = 15;
        frameTime = 100;
    }

    // A new piece of a standard type with its reference point at (x, y, z).
    TRACK* Make(int type, float x, float y, float heading, float z = -0.01f) {
        SetTrackPickForTest(1, x, y, z);
        buildAngle = heading;
        TRACK* p = trackList.AddNewTrack(type);
        EXPECT_NE(p, nullptr);
        return p;
    }

    // Joins two ends directly (the walk and the power only follow links).
    static void Link(TRACK* a, int i, TRACK* b, int j) {
        a->end[i].pTrack = b;
        a->end[i].conEnd = j;
        a->end[i].state = END_CONNECTED;
        b->end[j].pTrack = a;
        b->end[j].conEnd = i;
        b->end[j].state = END_CONNECTED;
    }
};

#define EXPECT_POINT(p, ex, ey) \
    do {                         \
        EXPECT_NEAR((p).x, (ex), 1e-4); \
        EXPECT_NEAR((p).y, (ey), 1e-4); \
    } while (0)
