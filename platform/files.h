// File helpers of the platform layer beyond the Win32 file search: flushing
// written files and folder entries to the disk, so that a file replaced by a
// rename survives a crash or a power cut.
#pragma once

#include <cstdio>

namespace plat {

// Writes the stream's buffer to its file and the file to the disk (fflush,
// then fsync). False when either fails; the stream stays open.
bool FlushFile(FILE* file);

// Writes the folder that holds a file name to the disk (fsync of the folder),
// so that a rename or removal of the name in it lasts. False when it fails.
bool FlushFolderOf(const char* name);

// Tests: after `skip` more flushes of either kind, the next `count` fail (0
// ends that); and the number of flushes asked for since the start.
void FailFileFlushesForTest(int count, int skip = 0);
int FileFlushCountForTest();

}  // namespace plat
