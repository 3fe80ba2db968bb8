// The one resolver for every file name the program opens. Names use Windows
// conventions: '\' separates components, a leading '\' means the working
// folder, and components match case-insensitively.
#pragma once

#include <cstdio>
#include <string>

namespace plat {

// Maps a program file name to a real path. Each existing component is matched
// case-insensitively against the folder's entries; components that do not
// exist yet (a file about to be created) keep their spelling.
std::string ResolvePath(const char* name);

// fopen through the resolver.
FILE* OpenFile(const char* name, const char* mode);

// True when the name resolves to an existing regular file.
bool FileExists(const char* name);

}  // namespace plat
