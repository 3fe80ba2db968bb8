// The generator of the bundled sample content. Each part of the content
// registers a generator that writes its files into the output folder.
#pragma once

#include <functional>
#include <string>

namespace content {

using Generator = std::function<bool(const std::string& outDir)>;

// Registers a named generator; generators run in name order.
bool Register(const char* name, Generator gen);

// Writes a file (creating folders), returning false on failure.
bool WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace content

#define VEL_CONTENT_GENERATOR(name, fn) \
    static const bool vel_content_registered_##fn = ::content::Register(name, fn)
