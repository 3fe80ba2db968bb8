// Angle-usage lists (types whose placed objects tilt with the ground) and the
// links between object types and their sounds.
#pragma once

// Clears every loaded type's angle-usage flag and reads all angle-usage
// lists of the edition.
void LoadUseAngleXZInfo();
// Reads one angle-usage list; 0 when the file cannot be opened.
int ReadUseAngleXZFile(const char* fileName);
// Gives every loaded type its sound link from the sound manager.
void LinkXObjectSounds();
