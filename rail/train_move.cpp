// Train movement: the speed model, the per-frame move of an engine with the
// vehicles it pushes and pulls, the walk of a vehicle over the track graph
// with switches, ends and control firing, the look-ahead that couples on
// contact and stops at buffers, and the detach-point check.
#include <cmath>
#include <limits>

#include "app/messagequeue.h"
#include "app/myglobs.h"
#include "app/startlog.h"
#include "app/texts.h"
#include "app/gamestate.h"
#include "app/winmain.h"
#include "editor/editor.h"
#include "rail/control.h"
#include "rail/layoutstate.h"
#include "rail/track.h"
#include "rail/train.h"
#include "rail/train_sweep.h"
#include "sound/soundmanager.h"
#include "world/smoke.h"
#include "world/xobject.h"

namespace {
constexpr float CONTACT_EPS = 1e-5f;
constexpr float ZERO_SPEED = 0.001f;

// The stamp of the current engine move; vehicles moved by it carry it in
// moveMark, so a chain that leads around a ring stops where it began.
unsigned moveStamp = 0;

TRAIN_TRIGGER_HOOK triggerHook = nullptr;

void ShowText(int n, uint32_t colour = 0xffffffffu) { messageQueue.AddMessage(texts.Get(n), colour); }

void FireControls(TRAIN* t, TRACK* p, int key) {
    myGlobs.triggeringTrain = t;
    if (triggerHook) triggerHook(p, key, t->controlMask);
    controlList.TriggerByTrack(p, key, t->controlMask);
    myGlobs.triggeringTrain = nullptr;
}

bool IsZeroSpeed(float v) { return std::fabs(v) < ZERO_SPEED; }
} // namespace

using namespace trainsweep;

void SetTrainTriggerHookForTest(TRAIN_TRIGGER_HOOK hook) { triggerHook = hook; }

// ---------------------------------------------------------------------------
// Speed bookkeeping

void TRAIN::SpeedfunctionForMovecheck(int phase) {
    if (phase == 1) {
        lastFrameSpeed = frameSpeed;
        frameSpeed = 0.0f;
        bStarted = bStopped = 0;
    } else if (phase == 2) {
        bool wasZero = IsZeroSpeed(lastFrameSpeed), isZero = IsZeroSpeed(frameSpeed);
        if (wasZero && !isZero) bStarted = 1;
        if (!wasZero && isZero) bStopped = 1;
        if (!wasZero && !isZero && ((lastFrameSpeed > 0.0f) != (frameSpeed > 0.0f))) bStarted = bStopped = 1;
    } else {
        WriteStartLog("Unknown function by TRAIN:SpeedfunctionForMovecheck()");
    }
}

void TRAIN::CountConsist() {
    pushingEngines = 0.0f;
    trailingLoad = 0.0f;
    if (!IsEngine()) return;
    const bool vehicleDrag = (dragState == 173);
    if (vehicleDrag && bSelected) {
        trailingLoad = -1.0f;
        return;
    }
    const int limit = trainList.GetCount() + 1;
    bool ring = false;
    for (int side = 0; side < 2 && trailingLoad >= 0.0f && !ring; side++) {
        TRAIN* cur = GetCoupled(side);
        int entered = GetCoupledEnd(side);
        for (int n = 0; cur && trailingLoad >= 0.0f && n < limit; n++) {
            if (cur == this) {
                // A ring: every vehicle of it was counted from this side.
                ring = true;
                break;
            }
            if (vehicleDrag && cur->bSelected) {
                trailingLoad = -1.0f;
                break;
            }
            if (cur->IsEngine() && std::fabs(cur->setSpeed) > 0.1f) pushingEngines += 1.0f;
            else trailingLoad += 1.0f;
            int out = (entered == 1) ? 0 : 1;
            TRAIN* next = cur->GetCoupled(out);
            entered = cur->GetCoupledEnd(out);
            cur = next;
        }
    }
}

// ---------------------------------------------------------------------------
// The walk of one vehicle

float TRAIN::MoveAlongTrack(float distance, int fire) {
    if (!pTrack || distance == 0.0f || !std::isfinite(distance)) return 0.0f;
    if (pTrack->IsSwitch() && pTrack->switchState != branch) {
        // The switch was thrown under the vehicle.
        bActive = 0;
        ShowText(260);
    }
    const float sign0 = distance > 0.0f ? 1.0f : -1.0f;
    const int powerMode = layoutState.GetMode() == 1;
    float travelled = 0.0f;
    float remaining = distance;
    for (int steps = 0; remaining != 0.0f && steps < trainsweep::MAXSWEEPSTEPS; steps++) {
        const float len = pTrack->length;
        if (!(len > 0.0f) || !std::isfinite(len)) break;
        const float oldPos = posDistance;
        const float oldPercent = posPercent;
        posDistance += remaining;
        posPercent = posDistance * 100.0f / len;
        if (fire && IsEngine() && ((oldPercent > 50.0f) != (posPercent > 50.0f)))
            FireControls(this, pTrack, oldPercent > 50.0f ? 2 : 3);
        int exitEnd;
        float rest;
        if (posPercent >= 100.0f) {
            exitEnd = (pTrack->IsSwitch() && branch == 1) ? 2 : 1;
            rest = posDistance - len;
            travelled += std::fabs(len - oldPos);
            posDistance = len;
            posPercent = 100.0f;
        } else if (posPercent <= 0.0f) {
            exitEnd = 0;
            rest = posDistance;
            travelled += std::fabs(oldPos);
            posDistance = 0.0f;
            posPercent = 0.0f;
        } else {
            travelled += std::fabs(remaining);
            remaining = 0.0f;
            break;
        }
        const TRACK_END& link = pTrack->end[exitEnd];
        const bool linked = link.state == END_CONNECTED && link.pTrack && link.conEnd >= 0 && link.conEnd <= 2;
        if (!linked || link.pTrack->bEndPiece) {
            // Nothing more ahead: a step that ends exactly at the end stands
            // there; one that runs on leaves the track.
            if (rest != 0.0f) bActive = 0;
            break;
        }
        TRACK* next = link.pTrack;
        const int f = link.conEnd;
        if (next->IsSwitch() && ((f == 1 && next->switchState == 1) || (f == 2 && next->switchState == 2))) {
            bActive = 0;
            ShowText(260);
            break;
        }
        branch = (f == 0) ? next->switchState : (f == 1 ? 2 : 1);
        pTrack = next;
        posDistance = (f == 0) ? 0.0f : next->length;
        posPercent = (f == 0) ? 0.0f : 100.0f;
        if ((exitEnd == 0) == (f == 0)) {
            speed = -speed;
            rest = -rest;
            orientation = -orientation;
            if (!powerMode) setSpeed = -setSpeed;
        }
        remaining = rest;
    }
    posDistance = posPercent * pTrack->length / 100.0f;
    return sign0 * travelled;
}

// ---------------------------------------------------------------------------
// Look-ahead and detach points

int TRAIN::LookAhead(int side, float* step) {
    if (!step || *step == 0.0f) return 0;
    float cpos = 0.0f;
    int flip = 0, cbr = branch;
    TRACK* c = GetCouplingPoint(side, &cpos, &flip, &cbr);
    if (!c || c->bEndPiece) {
        *step = 0.0f;
        return 0;
    }
    const float sign = *step > 0.0f ? 1.0f : -1.0f;
    const float dist = flip ? -*step : *step;
    float best = std::numeric_limits<float>::infinity();
    TRAIN* bestTrain = nullptr;
    int bestSide = 0;
    auto onSpan = [&](TRACK* piece, float from, float to, float before) {
        const float lo = std::fmin(from, to) - CONTACT_EPS, hi = std::fmax(from, to) + CONTACT_EPS;
        for (TRAIN* o = trainList.GetFirst(); o; o = o->pNext) {
            if (o == this || !o->bFreeCoupler || !o->pTrack) continue;
            if (o->pCoupled0 && o->pCoupled1) continue;
            // Only vehicles standing near the piece can have a coupler on it.
            const float reach = o->halfLength + o->pTrack->length + piece->length + 1.0f;
            const float dx = o->pTrack->x - piece->x, dy = o->pTrack->y - piece->y;
            if (dx * dx + dy * dy > reach * reach) continue;
            for (int k = 0; k < 2; k++) {
                if (o->GetCoupled(k)) continue;
                float q = 0.0f;
                int f = 0;
                if (o->GetCouplingPoint(k, &q, &f) != piece) continue;
                if (q < lo || q > hi) continue;
                float d = before + std::fabs(q - from);
                if (d < best) {
                    best = d;
                    bestTrain = o;
                    bestSide = k;
                }
            }
        }
        return bestTrain != nullptr;
    };
    float travelled = 0.0f;
    int result = SweepTrack(c, cpos, cbr, dist, onSpan, &travelled);
    if (bestTrain) {
        Couple(this, side, bestTrain, bestSide);
        *step = sign * std::fmin(best, std::fabs(*step));
        return 1;
    }
    if (result == SWEEP_END) *step = sign * std::fmin(travelled, std::fabs(*step));
    return 0;
}

void TRAIN::CheckDetachPoints(float distance, int side) {
    TRAIN* other = GetCoupled(side);
    if (!other || distance == 0.0f) return;
    float cpos = 0.0f;
    int flip = 0, cbr = branch;
    TRACK* c = GetCouplingPoint(side, &cpos, &flip, &cbr);
    if (!c) return;
    bool crossed = false;
    auto onSpan = [&](TRACK* piece, float from, float to, float) {
        if (!piece->bDetach || !piece->bDetachActive) return false;
        const float mid = piece->length / 2.0f;
        if ((from > mid) != (to > mid)) crossed = true;
        return crossed;
    };
    float travelled = 0.0f;
    SweepTrack(c, cpos, cbr, flip ? -distance : distance, onSpan, &travelled);
    if (crossed) Uncouple(this, side, other, GetCoupledEnd(side), 1);
}

// ---------------------------------------------------------------------------
// Moves

float TRAIN::CoupledMove(float distance, float absSpeed, TRAIN* mover, int side, int pull, int addDistance) {
    if (moveMark == moveStamp) return 0.0f; // around a ring: already moved
    moveMark = moveStamp;
    if (!bActive || !pTrack || !mover) return -distance;
    const int lead = pull ? side : 1 - side;
    const int other = 1 - side;
    const float wanted = halfLength + mover->halfLength + (addDistance ? distance : 0.0f);
    float d = distance;
    float measured = 0.0f;
    if (mover->DistanceTo(this, &measured) && std::fabs(measured - wanted) < MAXCONDELTA)
        d = distance + (pull ? measured - wanted : wanted - measured);
    if (!(d >= 0.0f)) d = 0.0f;
    const float sgn = (lead == 0) ? static_cast<float>(orientation) : static_cast<float>(-orientation);
    if (pull) CheckDetachPoints(sgn * d, other);
    float chainExtra = 0.0f;
    if (TRAIN* w = GetCoupled(other)) chainExtra = w->CoupledMove(d, absSpeed, this, GetCoupledEnd(other), pull, 0);
    frameSpeed += (lead == 0) ? absSpeed : -absSpeed;
    float mine = pull ? d : d + chainExtra;
    if (!(mine >= 0.0f)) mine = 0.0f;
    float signedStep = sgn * mine;
    const bool free0 = !pCoupled0, free1 = !pCoupled1;
    if (!GetCoupled(lead)) LookAhead(lead, &signedStep);
    const int wasActive = bActive;
    float moved = (signedStep != 0.0f) ? MoveAlongTrack(signedStep, 1) : 0.0f;
    if (wasActive && !bActive) {
        // A crash ends a coupling made during this move.
        if (free0 && pCoupled0) Uncouple(this, 0, pCoupled0, coupled0End, 0);
        if (free1 && pCoupled1) Uncouple(this, 1, pCoupled1, coupled1End, 0);
    }
    float extra = std::fabs(moved) - d;
    if (pull) extra += chainExtra;
    return extra;
}

void TRAIN::Move(int drag, float dragDistance) {
    if (!bActive) return;
    if (!IsEngine() && !drag) return;
    if (trailingLoad < 0.0f && !drag) return;
    if (!pTrack) return;

    // Set speed by mode.
    const int powerMode = layoutState.GetMode() == 1;
    if (myGlobs.crashState) {
        setSpeed = 0.0f;
    } else if (powerMode) {
        setSpeed = static_cast<float>(pTrack->powerValue) * static_cast<float>(baseSpeed) / 10.0f;
    } else if (pTrack->bBarrier) {
        if (setSpeed != 0.0f) {
            if (pTrack->barrierShown == 1 &&
                ((pTrack->barrierSide == 0 && setSpeed > 0.0f) || (pTrack->barrierSide == 1 && setSpeed < 0.0f)))
                setSpeed = 0.0f;
        } else if (pTrack->barrierShown == 2) {
            setSpeed = static_cast<float>(pTrack->barrierSide == 1 ? -baseSpeed : baseSpeed);
        }
    }

    // Target from the load.
    int traction = GetObjTraction(objId);
    if (traction < 1) traction = 22;
    float engines = pushingEngines + 1.0f;
    if (!(engines >= 1.0f)) engines = 1.0f;
    float load = trailingLoad / static_cast<float>(traction) / engines;
    if (load > 1.0f) load = 1.0f;
    if (!(load >= 0.0f)) load = 0.0f;
    targetSpeed = (1.0f - load) * setSpeed / engines;

    // Approach.
    const float before = speed;
    const float oldAbs = std::fabs(speed);
    speed += static_cast<float>(frameTime) / 500.0f * (targetSpeed - speed);
    if ((before < targetSpeed && speed > targetSpeed) || (before > targetSpeed && speed < targetSpeed))
        speed = targetSpeed;
    if (std::fabs(speed) < 0.2f && targetSpeed == 0.0f) speed = 0.0f;
    if (myGlobs.crashState) speed = 0.0f;
    if (!std::isfinite(speed)) speed = 0.0f;

    // Step.
    float step = drag ? dragDistance : static_cast<float>(frameTime) * speed / 5000.0f;
    frameSpeed += static_cast<float>(orientation) * speed;
    if (step == 0.0f || !std::isfinite(step)) return;

    moveStamp++;
    if (moveStamp == 0) moveStamp = 1;
    moveMark = moveStamp;
    const int lead = (static_cast<float>(orientation) * step > 0.0f) ? 0 : 1;
    const int trail = 1 - lead;
    const float planned = std::fabs(step);
    float absStep = planned;

    // Push what stands ahead.
    if (TRAIN* v = GetCoupled(lead)) {
        absStep += v->CoupledMove(absStep, std::fabs(speed), this, GetCoupledEnd(lead), 0, 0);
        if (!(absStep >= 0.0f)) absStep = 0.0f;
    }
    float signedStep = step > 0.0f ? absStep : -absStep;

    int coupled = 0;
    if (!GetCoupled(lead)) coupled = LookAhead(lead, &signedStep);
    CheckDetachPoints(signedStep, trail);
    float moved = (signedStep != 0.0f) ? MoveAlongTrack(signedStep, 1) : 0.0f;
    if (!coupled && planned > 0.0f) speed *= std::fabs(moved) / planned;

    // Pull what hangs behind.
    if (TRAIN* v = GetCoupled(trail)) v->CoupledMove(std::fabs(moved), std::fabs(speed), this, GetCoupledEnd(trail), 1, 1);

    if (myGlobs.secondEdition && oldAbs < 0.2f && std::fabs(speed) >= 0.2f && pTrack->groundState != GROUND_UNDER &&
        pTrack->groundState != GROUND_DEEP) {
        int volume = 0, pan = 0;
        DetSoundVolumePan(vPos, &volume, &pan);
        soundManager.PlaySound("qm_ego", volume, pan, 100.0f, 1);
    }
}

// ---------------------------------------------------------------------------
// The list's move pass

void TRAIN_LIST::Move() {
    if (gameState != EDITOR_RUN_STATE || layoutState.IsPaused()) return;
    for (TRAIN* t = pHead; t; t = t->pNext) {
        if (!t->bActive) {
            StartCrash(t);
            continue;
        }
        if (t->pCoupled0) TRAIN::CheckCoupling(t, 0, t->pCoupled0, t->coupled0End);
        if (t->pCoupled1) TRAIN::CheckCoupling(t, 1, t->pCoupled1, t->coupled1End);
    }
    if (myGlobs.crashState)
        for (TRAIN* t = pHead; t; t = t->pNext) t->speed = t->setSpeed = 0.0f;
    for (TRAIN* t = pHead; t; t = t->pNext) {
        t->SpeedfunctionForMovecheck(1);
        t->bFreeCoupler = (t->pCoupled0 && t->pCoupled1) ? 0 : 1;
    }
    for (TRAIN* t = pHead; t; t = t->pNext) t->CountConsist();
    for (TRAIN* t = pHead; t; t = t->pNext) t->Move(0, 0.0f);
    for (TRAIN* t = pHead; t; t = t->pNext) t->SpeedfunctionForMovecheck(2);
}

void TRAIN_LIST::StartCrash(TRAIN* t) {
    if (!t || myGlobs.crashState) return;
    SaveStartPositions();
    myGlobs.crashState = 1;
    myGlobs.crashedTrain = t;
    if (t->IsEngine()) smokeSystem.RemoveSmokeSource(t, 0);
    smokeSystem.AddSmokeSource(t, 3, 80.0f, t->vPos.x, t->vPos.y, t->vPos.z);
    smokeSystem.AddSmokeSource(t, 1, 10.0f, t->vPos.x, t->vPos.y, t->vPos.z);
    smokeSystem.SetSourceParams(t, 1, 5.0f, t->vPos.x, t->vPos.y, t->vPos.z, 20.0f, 100.0f, 100.0f, -1.0f, 0);
    ShowText(296, 0xffff0000u);
    ShowText(297, 0xffff0000u);
}
