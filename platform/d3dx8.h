// The Direct3D extension library subset: maths, textures from files, meshes.
#pragma once

#include "platform/d3d8.h"
#include "platform/d3dx8math.h"
#include "platform/d3dx8tex.h"
#include "platform/d3dx8mesh.h"
