// Bridge between the file parser interface objects and the .x reader's tree,
// used by the mesh loaders.
#pragma once

#include <memory>

#include "platform/dxfile.h"
#include "platform/xfile.h"

namespace plat {

// The reader objects behind a data object made by this layer's parser; false
// for a null or foreign object.
bool GetXObject(IDirectXFileData* data, std::shared_ptr<xf::XFile>& file, xf::XObject*& object);

// Reads and parses a program file name (through the path resolver) with the
// standard templates plus `extra`. Failures are described in `error`.
HRESULT LoadXFile(const char* name, std::shared_ptr<xf::XFile>& file, std::string& error,
                  xf::XTemplateSet* templates = nullptr);

// Maps a reader result to the parser interface's HRESULT.
HRESULT XResultToHResult(int result);

}  // namespace plat
