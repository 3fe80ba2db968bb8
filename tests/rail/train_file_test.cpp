// The vehicle section of the layout file: the record, the round trip with
// its fix-ups, version 10 records and records that do not resolve.
#include <cstring>
#include <fstream>
#include <sstream>

#include "train_test.h"

namespace {

class TrainFile : public TrainTest {
protected:
    // Numbers the pieces and vehicles and writes the vehicle section.
    FILE* SaveSection() {
        saveCounter.Reset();
        trackList.NumberPieces();
        trainList.NumberTrains();
        trainList.SaveIds();
        FILE* f = std::tmpfile();
        EXPECT_NE(nullptr, f);
        EXPECT_EQ(1, trainList.Save(f));
        std::rewind(f);
        return f;
    }
    // Empties the vehicle list and reads the section back with fix-ups.
    void LoadSection(FILE* f, int version) {
        trainList.DeleteAll();
        myGlobs.loadFileVersion = version;
        EXPECT_EQ(1, trainList.Load(f));
        trainList.RestoreLinks();
        std::fclose(f);
    }
    static std::string Log() { return ReadOwnLog(); }
    static std::vector<TRAIN*> All() {
        std::vector<TRAIN*> v;
        for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) v.push_back(t);
        return v;
    }
};

TEST_F(TrainFile, RecordFieldsSitAtTheirOffsets) {
    TRAIN t;
    EXPECT_EQ(0.0f, t.speed);
    EXPECT_EQ(10.0f, t.setSpeed);
    EXPECT_EQ(1, t.bActive);
    EXPECT_EQ(0, t.rootCheck.rowCount);
    t.objId = 1234;
    t.type = ENGINE_TYPE;
    CopyText(t.name, TRAINNAMELEN, "Loco");
    t.halfLength = 0.75f;
    t.orientation = -1;
    t.posPercent = 12.5f;
    t.controlMask = 6;
    t.coupled0Id = 7;
    t.coupled1Id = 9;
    t.coupled1End = 1;
    t.pointCount = 2;
    t.vPoints[9] = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
    CopyText(t.rootCheck.rows[49].name, 17, "sixteen chars...");
    t.rootCheck.failedRow = 3;
    t.lastFrameSpeed = -2.5f;
    unsigned char rec[TRAINRECORDSIZE];
    t.WriteRecord(rec);
    EXPECT_EQ(1234, recordio::GetInt(rec + 48));
    EXPECT_EQ(ENGINE_TYPE, recordio::GetInt(rec + 44));
    EXPECT_EQ(0, std::memcmp(rec + 52, "Loco", 5));
    EXPECT_EQ(0.75f, recordio::GetFloat(rec + 84));
    EXPECT_EQ(-1, recordio::GetInt(rec + 116));
    EXPECT_EQ(12.5f, recordio::GetFloat(rec + 144));
    EXPECT_EQ(9, recordio::GetInt(rec + 36));
    EXPECT_EQ(7, recordio::GetInt(rec + 40));
    EXPECT_EQ(1, recordio::GetInt(rec + 24));
    EXPECT_EQ(3.0f, recordio::GetFloat(rec + 252 + 9 * 12 + 8));
    EXPECT_EQ(2, recordio::GetInt(rec + 372));
    EXPECT_EQ(0, std::memcmp(rec + 376 + 49 * 92, "sixteen chars...", 17));
    EXPECT_EQ(3, recordio::GetInt(rec + 376 + 4600 + 24));
    EXPECT_EQ(-2.5f, recordio::GetFloat(rec + 5004));
    EXPECT_EQ(6, recordio::GetInt(rec + 5020));
    EXPECT_EQ(0, recordio::GetInt(rec + 8)); // links are placeholders

    TRAIN back;
    back.ReadRecord(rec, TRAINRECORDSIZE);
    EXPECT_EQ(1234, back.objId);
    EXPECT_STREQ("Loco", back.name);
    EXPECT_EQ(6, back.controlMask);
    EXPECT_EQ(3, back.rootCheck.failedRow);
    EXPECT_STREQ("sixteen chars...", back.rootCheck.rows[49].name);
    EXPECT_EQ(3.0f, back.vPoints[9].z);
    TRAIN shortRec;
    shortRec.ReadRecord(rec, TRAINRECORDSIZE_V10);
    EXPECT_EQ(0, shortRec.controlMask);
    EXPECT_EQ(1234, shortRec.objId);

    // An unterminated name is cut.
    std::memset(rec + 52, 'x', TRAINNAMELEN);
    back.ReadRecord(rec, TRAINRECORDSIZE);
    EXPECT_EQ(TRAINNAMELEN - 1, static_cast<int>(std::strlen(back.name)));
}

TEST_F(TrainFile, SectionRoundTripKeepsOrderPiecesAndCouplings) {
    auto run = Run(3);
    TRAIN* e = Place(run[1], 50.0f, ENGINE, -1, 10.0f);
    TRAIN* w = Place(run[1], 75.0f, WAGON);
    Place(run[2], 50.0f, PWAGON);
    TRAIN::Couple(e, 0, w, 0);
    e->SetFlags(3);
    struct Kept {
        int objId, orientation;
        float percent;
    };
    std::vector<Kept> before;
    for (TRAIN* t : All()) before.push_back({t->objId, t->orientation, t->posPercent});
    FILE* f = SaveSection();
    LoadSection(f, 15);
    std::vector<TRAIN*> after = All();
    ASSERT_EQ(3u, after.size());
    for (size_t i = 0; i < 3; i++) {
        EXPECT_EQ(before[i].objId, after[i]->objId);
        EXPECT_EQ(before[i].orientation, after[i]->orientation);
        EXPECT_FLOAT_EQ(before[i].percent, after[i]->posPercent);
    }
    TRAIN* e2 = after[2];
    TRAIN* w2 = after[1];
    EXPECT_EQ(run[1], e2->pTrack);
    EXPECT_EQ(run[2], after[0]->pTrack);
    EXPECT_EQ(w2, e2->pCoupled0);
    EXPECT_EQ(e2, w2->pCoupled0);
    EXPECT_EQ(nullptr, e2->pCoupled1);
    EXPECT_EQ(3, e2->GetFlags());
    EXPECT_FLOAT_EQ(10.0f, e2->setSpeed);
    EXPECT_EQ(e2, trainList.FindBySaveNumber(e2->saveNumber));
    EXPECT_EQ(1, trainList.CheckTrainObjects());
}

TEST_F(TrainFile, VersionTenRecordsAreWidened) {
    auto run = Run(2);
    TRAIN* e = Place(run[0], 50.0f, ENGINE);
    e->SetFlags(7);
    saveCounter.Reset();
    trackList.NumberPieces();
    trainList.NumberTrains();
    trainList.SaveIds();
    FILE* f = std::tmpfile();
    unsigned char head[4], rec[TRAINRECORDSIZE];
    recordio::PutInt(head, 2);
    std::fwrite(head, 4, 1, f);
    e->WriteRecord(rec);
    std::fwrite(rec, TRAINRECORDSIZE_V10, 1, f);
    recordio::PutInt(rec + 44, 5); // not a vehicle: dropped
    std::fwrite(rec, TRAINRECORDSIZE_V10, 1, f);
    recordio::PutInt(head, 12345);
    std::fwrite(head, 4, 1, f); // whatever follows the section
    std::rewind(f);
    trainList.DeleteAll();
    myGlobs.loadFileVersion = 10;
    EXPECT_EQ(1, trainList.Load(f));
    unsigned char next[4];
    EXPECT_EQ(1u, std::fread(next, 4, 1, f));
    EXPECT_EQ(12345, recordio::GetInt(next));
    std::fclose(f);
    trainList.RestoreLinks();
    ASSERT_EQ(1, trainList.GetCount());
    EXPECT_EQ(0, trainList.GetFirst()->controlMask);
    EXPECT_EQ(run[0], trainList.GetFirst()->pTrack);
}

TEST_F(TrainFile, UnresolvedPiecesAndOneSidedCouplingsAreDroppedWithALogLine) {
    auto run = Run(3);
    TRAIN* a = Place(run[0], 50.0f, ENGINE);
    TRAIN* b = Place(run[1], 50.0f, WAGON);
    TRAIN* c = Place(run[2], 50.0f, WAGON);
    TRAIN::Couple(a, 0, b, 1);
    TRAIN::Couple(b, 0, c, 1);
    saveCounter.Reset();
    trackList.NumberPieces();
    trainList.NumberTrains();
    trainList.SaveIds();
    // b's piece does not exist; a's coupling is answered; c points at b one way.
    b->trackId = 999;
    c->coupled1Id = a->saveNumber; // a answers b, not c
    FILE* f = std::tmpfile();
    ASSERT_EQ(1, trainList.Save(f));
    std::rewind(f);
    StartOwnLog();
    LoadSection(f, 15);
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Vehicle dropped, its piece does not resolve"));
    EXPECT_NE(std::string::npos, log.find("One-sided vehicle coupling cut"));
    ASSERT_EQ(2, trainList.GetCount());
    for (TRAIN* t = trainList.GetFirst(); t; t = t->pNext) {
        EXPECT_EQ(nullptr, t->pCoupled0);
        EXPECT_EQ(nullptr, t->pCoupled1);
        EXPECT_NE(nullptr, t->pTrack);
    }
}

TEST_F(TrainFile, UnknownTypesMissingObjectsAndBrokenSections) {
    auto run = Run(1);
    TRAIN* a = Place(run[0], 50.0f, ENGINE);
    saveCounter.Reset();
    trackList.NumberPieces();
    trainList.NumberTrains();
    trainList.SaveIds();
    unsigned char rec[TRAINRECORDSIZE];
    a->WriteRecord(rec);
    FILE* f = std::tmpfile();
    unsigned char head[4];
    recordio::PutInt(head, 3);
    std::fwrite(head, 4, 1, f);
    recordio::PutInt(rec + 44, 3); // a house
    std::fwrite(rec, TRAINRECORDSIZE, 1, f);
    recordio::PutInt(rec + 44, ENGINE_TYPE);
    recordio::PutInt(rec + 48, 777); // no such object type
    std::fwrite(rec, TRAINRECORDSIZE, 1, f);
    std::fwrite(rec, 100, 1, f); // the file ends inside the third record
    std::rewind(f);
    trainList.DeleteAll();
    myGlobs.loadFileVersion = 15;
    StartOwnLog();
    EXPECT_EQ(0, trainList.Load(f));
    std::fclose(f);
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Unknown type among loaded trains !!!"));
    EXPECT_NE(std::string::npos, log.find("  type: 3"));
    EXPECT_NE(std::string::npos, log.find("Vehicle section ends early"));
    EXPECT_EQ(0, trainList.GetCount());

    // A kept version-10 vehicle whose type is not loaded is reported.
    TRAIN t;
    t.objId = 777;
    t.type = CWAGON_TYPE;
    trainList.AddLoadedTrain(t);
    StartOwnLog();
    EXPECT_EQ(0, trainList.CheckTrainObjects());
    EXPECT_NE(std::string::npos, Log().find("Missing trainobject: 777"));
}

} // namespace
