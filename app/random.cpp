#include "app/random.h"

namespace {
unsigned int randState = 1;
}

// Linear congruential generator with the classic constants; the high bits
// give a value in 0..32767.
int VelRand() {
    randState = randState * 214013u + 2531011u;
    return static_cast<int>((randState >> 16) & 0x7fff);
}

void VelSrand(unsigned int seed) { randState = seed; }
