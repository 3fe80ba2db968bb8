// The one pseudo-random source of the program: 15-bit values 0..32767, as the
// classic C library generator gives them, shared by every subsystem.
#pragma once

constexpr int VEL_RAND_MAX = 32767;

int VelRand();
void VelSrand(unsigned int seed);
