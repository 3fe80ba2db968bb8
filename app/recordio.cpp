#include "app/recordio.h"

#include <cctype>
#include <cmath>
#include <cstring>

namespace recordio {

void PutFloat(unsigned char* p, float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    PutU32(p, u);
}

float GetFloat(const unsigned char* p) {
    uint32_t u = GetU32(p);
    float v;
    std::memcpy(&v, &u, 4);
    return v;
}

void PutText(unsigned char* p, const char* text, int size) {
    std::memset(p, 0, size);
    if (!text) return;
    int n = static_cast<int>(strnlen(text, size - 1));
    std::memcpy(p, text, n);
}

int IsTextTerminated(const unsigned char* p, int size) { return std::memchr(p, 0, size) != nullptr; }

bool GetText(char* out, const unsigned char* p, int size) {
    if (size <= 0) return false;
    std::memcpy(out, p, static_cast<size_t>(size));
    if (IsTextTerminated(p, size)) return false;
    out[size - 1] = 0;
    return true;
}

bool BoundFloat(float* v, float limit, float fallback) {
    if (!std::isfinite(*v)) {
        *v = fallback;
        return true;
    }
    if (*v > limit || *v < -limit) {
        *v = *v > 0.0f ? limit : -limit;
        return true;
    }
    return false;
}

bool BoundInt(int32_t* v, int32_t lo, int32_t hi, int32_t fallback) {
    if (*v >= lo && *v <= hi) return false;
    *v = fallback;
    return true;
}

long BytesLeft(FILE* file) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0) return -1;
    return end >= here ? end - here : -1;
}

bool ReadToken(FILE* file, char* out, int outSize) {
    int c;
    do {
        c = std::fgetc(file);
    } while (c != EOF && std::isspace(static_cast<unsigned char>(c)));
    if (c == EOF) return false;
    int n = 0;
    while (c != EOF && !std::isspace(static_cast<unsigned char>(c))) {
        if (n < outSize - 1) out[n++] = static_cast<char>(c);
        c = std::fgetc(file);
    }
    out[n] = 0;
    return true;
}

}  // namespace recordio
