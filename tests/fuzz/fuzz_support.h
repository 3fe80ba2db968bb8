// What the fuzz targets share: the program started once per process on a
// headless device in a fresh folder that holds the generated sample content,
// frames stepped on it, and inputs written as files of that folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velfuzz {

// Starts the program (content, display, fonts, object types, the editor on a
// new layout) the first time; later calls return at once. False when the
// content or the program cannot be started.
bool StartProgram();
// Runs n turns of the frame loop (frame logic, update and render).
void RunFrames(int n);
// Writes the bytes as a file of the working folder (folders are made).
bool WriteInput(const std::string& name, const uint8_t* data, size_t size);

}  // namespace velfuzz

// The entry points that libFuzzer calls and the replay driver feeds.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
