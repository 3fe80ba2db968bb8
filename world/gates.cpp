#include "world/gates.h"

#include <cmath>
#include <cstring>

#include "app/recordio.h"
#include "app/startlog.h"

namespace {

using recordio::GetFloat;
using recordio::GetText;
using recordio::GetU32;
using recordio::PutFloat;
using recordio::PutU32;

float ClampAngle(float a) {
    if (!std::isfinite(a)) return 0.0f;
    if (a < 0.0f) return 0.0f;
    if (a > CGates::OPEN_ANGLE) return CGates::OPEN_ANGLE;
    return a;
}

}  // namespace

CGates::CGates() { CopyText(name, sizeof(name), "CGates"); }

void CGates::SetName(const char* text) { CopyText(name, sizeof(name), text ? text : ""); }

void CGates::SetAngle(float value) {
    angle = ClampAngle(value);
    open = angle > OPEN_LIMIT ? 1 : 0;
}

void CGates::Update(int frameTimeMs) {
    float step = (float)frameTimeMs / 20.0f;
    if (angle < target) {
        angle += step;
        if (angle > target) angle = target;
    } else if (angle > target) {
        angle -= step;
        if (angle < target) angle = target;
    }
    angle = ClampAngle(angle);
    open = angle > OPEN_LIMIT ? 1 : 0;
}

void CGates::ToBytes(uint8_t out[RECORD_SIZE]) const {
    std::memset(out, 0, RECORD_SIZE);
    PutU32(out + 0, (uint32_t)open);
    PutFloat(out + 4, angle);
    PutFloat(out + 8, target);
    std::memcpy(out + 12, name, sizeof(name));
    out[12 + sizeof(name) - 1] = 0;
}

void CGates::FromBytes(const uint8_t in[RECORD_SIZE], int* repaired) {
    float a = GetFloat(in + 4);
    float t = GetFloat(in + 8);
    bool changed = !std::isfinite(a) || !std::isfinite(t) || ClampAngle(a) != a;
    angle = ClampAngle(a);
    // Only the two end positions are ever targets; a target that is no
    // number leaves the gate closed.
    target = std::isfinite(t) && t > OPEN_ANGLE / 2.0f ? OPEN_ANGLE : 0.0f;
    open = angle > OPEN_LIMIT ? 1 : 0;
    changed |= GetText(name, in + 12, sizeof(name));
    if (repaired) *repaired = changed ? 1 : 0;
}
