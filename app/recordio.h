// Little-endian field writers and readers of the binary records kept in
// layout files, and small helpers for reading data files.
#pragma once

#include <cstdint>
#include <cstdio>

namespace recordio {

inline void PutInt(unsigned char* p, int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
    p[2] = static_cast<unsigned char>(u >> 16);
    p[3] = static_cast<unsigned char>(u >> 24);
}
inline int32_t GetInt(const unsigned char* p) {
    uint32_t u = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    return static_cast<int32_t>(u);
}
inline void PutU32(unsigned char* p, uint32_t v) { PutInt(p, static_cast<int32_t>(v)); }
inline uint32_t GetU32(const unsigned char* p) { return static_cast<uint32_t>(GetInt(p)); }
void PutFloat(unsigned char* p, float v);
float GetFloat(const unsigned char* p);
// Copies a text field of size bytes; the last byte is always written as NUL
// when the text would not fit.
void PutText(unsigned char* p, const char* text, int size);
// Whether a text field of size bytes holds a terminating NUL.
int IsTextTerminated(const unsigned char* p, int size);
// Copies a text field of size bytes into out (size bytes); a field that fills
// its whole width is cut at its last byte. Answers whether it had to be cut.
bool GetText(char* out, const unsigned char* p, int size);

// Stored numbers that the program later computes with or converts to
// integers. A value that is not finite becomes the fallback; a finite one is
// held within -limit..limit (BoundFloat) or lo..hi (BoundInt, where any value
// outside becomes the fallback). Each answers whether the value changed.
bool BoundFloat(float* v, float limit, float fallback);
bool BoundInt(int32_t* v, int32_t lo, int32_t hi, int32_t fallback);

// Bytes from the current position to the end of the file; -1 when the file
// cannot tell.
long BytesLeft(FILE* file);

// Reads the next whitespace-separated token; longer tokens are consumed whole
// and cut to outSize - 1 characters. Answers false at the end of the file.
bool ReadToken(FILE* file, char* out, int outSize);

}  // namespace recordio
