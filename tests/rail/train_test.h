// Shared set-up of the vehicle tests: vehicle types in the object table, the
// running game state and helpers that lay small layouts and place vehicles.
#pragma once

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/gamestate.h"
#include "gfx/render.h"
#include "rail/train.h"
#include "track_test.h"
#include "world/xobject.h"

// Each test writes its own start log, so that tests running side by side in
// the shared working folder do not read each other's lines.
inline std::string TrainLogName() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("startlog_") + (info ? info->test_suite_name() : "x") + "_" + (info ? info->name() : "y") +
           ".txt";
}
inline void StartOwnLog() {
    static std::string name;
    name = TrainLogName();
    ResetStartLogForTest(name.c_str());
}
inline std::string ReadOwnLog() {
    std::ifstream in(TrainLogName());
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Vehicle types of the tests.
constexpr int WAGON = 10;        // cargo wagon, half length 0.5
constexpr int ENGINE = 20;       // engine, half length 0.5, base speed 20, traction 22
constexpr int PWAGON = 30;       // passenger wagon, half length 0.5
constexpr int STEAM = 1260;      // animated engine, half length 0.5
constexpr int BOGIED = 40;       // wagon with a bogie distance of 0.3

class TrainTest : public TrackTest {
protected:
    void SetUp() override {
        TrackTest::SetUp();
        ClearIdTable();
        int xid = 0;
        AddType(xid++, WAGON, CWAGON_TYPE, 0.5f, 0, 22);
        AddType(xid++, ENGINE, ENGINE_TYPE, 0.5f, 20, 22);
        AddType(xid++, PWAGON, PWAGON_TYPE, 0.5f, 0, 22);
        AddType(xid++, STEAM, ENGINE_TYPE, 0.5f, 20, 22);
        AddType(xid, BOGIED, CWAGON_TYPE, 0.5f, 0, 22);
        myGlobs.xObjects[xid].vehicleLength2 = 0.3f;
        myGlobs.xObjectCount = xid + 1;
        gameState = EDITOR_RUN_STATE;
        dragState = 1;
        myGlobs.crashState = 0;
        myGlobs.crashedTrain = nullptr;
        placeVehicleDirection = 1;
    }
    void TearDown() override {
        trainList.DeleteAll();
        trainList.ClearDetachRules();
        SetTrainTriggerHookForTest(nullptr);
        ResetStartLogForTest(nullptr);
        std::remove(TrainLogName().c_str());
    }

    static void AddType(int xid, int objId, int type, float halfLength, int param, int traction) {
        XOBJECT& x = myGlobs.xObjects[xid];
        x.objId = objId;
        x.type = type;
        x.halfLength = halfLength;
        x.vehicleParam = param;
        x.traction = traction;
        x.sphereRadius = 1.0f;
        SetXID(objId, xid);
    }

    // A vehicle placed at percent of a piece, facing along the piece (+1) or
    // against it (-1), standing still.
    TRAIN* Place(TRACK* p, float percent, int objId, int direction = 1, float setSpeed = 0.0f) {
        placeVehicleDirection = direction;
        TRAIN* t = trainList.AddNew();
        EXPECT_NE(t, nullptr);
        int type = CWAGON_TYPE;
        GetObjType(objId, &type);
        t->PlaceOnTrack(p, 0.0f, type, objId, percent);
        t->setSpeed = setSpeed;
        return t;
    }

    // A straight run of n pieces of a type along x from x0, joined end 1 to
    // end 0.
    std::vector<TRACK*> Run(int n, int type = 1, float x0 = 0.0f) {
        std::vector<TRACK*> run;
        float len = 1.0f;
        trackList.GetTypeValues(type, &len, nullptr, nullptr, nullptr, nullptr);
        for (int i = 0; i < n; i++) {
            run.push_back(Make(type, x0 + len * (i + 0.5f), 0.0f, 0.0f));
            if (i > 0) Link(run[i - 1], 1, run[i], 0);
        }
        return run;
    }

    // Moves the piece so that its end 0 lies at (x, y) and stores its ends.
    static void PutEnd0At(TRACK* p, float x, float y) {
        float pts[6];
        DetCPos(p, pts);
        p->x += x - pts[0];
        p->y += y - pts[1];
        DetCPos(p, pts);
        p->StoreEnds(pts);
    }

    // A closed loop of 16 curves joined end 1 to end 0.
    std::vector<TRACK*> CurveLoop() {
        std::vector<TRACK*> loop;
        float x = 0.0f, y = 0.0f;
        for (int i = 0; i < 16; i++) {
            TRACK* p = Make(2, 0.0f, 0.0f, 22.5f * i);
            PutEnd0At(p, x, y);
            x = p->end[1].x;
            y = p->end[1].y;
            if (i > 0) Link(loop.back(), 1, p, 0);
            loop.push_back(p);
        }
        Link(loop.back(), 1, loop.front(), 0);
        return loop;
    }

    // Frames of the list's move and pose passes.
    static void Frames(int n) {
        for (int i = 0; i < n; i++) {
            trainList.Move();
            trainList.UpdatePoses();
        }
    }

    // Whether the couplers of a coupled pair lie together.
    static bool CouplersClose(const TRAIN* a, int side) {
        const TRAIN* b = a->GetCoupled(side);
        if (!b) return false;
        float pa = 0, pb = 0;
        int f = 0;
        TRACK* ta = a->GetCouplingPoint(side, &pa, &f);
        TRACK* tb = b->GetCouplingPoint(a->GetCoupledEnd(side), &pb, &f);
        return IsCouplingClose(ta, pa, tb, pb) != 0;
    }
};
