// Gate records of placed gate objects: a barrier that swings between closed
// (0 degrees) and open (80 degrees) when controls open or close it.
#pragma once

#include <cstddef>
#include <cstdint>

class CGates {
public:
    static constexpr int RECORD_SIZE = 76;  // bytes of one gate record in a layout file
    static constexpr float OPEN_ANGLE = 80.0f;
    static constexpr float OPEN_LIMIT = 75.0f;  // beyond this angle the gate counts as open

    CGates();

    void Open() { target = OPEN_ANGLE; }
    void Close() { target = 0.0f; }
    // Moves the angle toward the target by frameTimeMs / 20 degrees.
    void Update(int frameTimeMs);
    float GetAngle() const { return angle; }
    float GetTarget() const { return target; }
    int IsOpen() const { return open; }
    const char* GetName() const { return name; }
    void SetName(const char* text);
    void SetAngle(float value);

    // Layout-file form: open (int32), angle, target (floats), name (64 bytes),
    // little-endian. Reading keeps the angle within 0..80 (an angle that is no
    // number closes the gate), the target at one of its two ends and the name
    // terminated; *repaired = 1 when a field had to be changed.
    void ToBytes(uint8_t out[RECORD_SIZE]) const;
    void FromBytes(const uint8_t in[RECORD_SIZE], int* repaired = nullptr);

    int open = 0;
    float angle = 0.0f;
    float target = 0.0f;
    char name[64] = {};
};
