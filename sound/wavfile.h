// Reads a PCM WAV file (RIFF "WAVE" with "fmt " and "data" chunks) through
// the multimedia file calls.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/mmio.h"

// Fills the format and the sample data. Fails (false) for a file that cannot
// be opened, is not a RIFF "WAVE" file, lacks either chunk, is not PCM with 8
// or 16 bits and 1 or 2 channels at 100..100000 Hz, has inconsistent block
// sizes, no samples, or a data chunk that reaches past the end of the file.
// The data size is cut to whole sample frames.
bool ReadWaveFile(const char* fileName, WAVEFORMATEX* format, std::vector<uint8_t>* data);
