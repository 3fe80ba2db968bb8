// Direct3D 8's fixed-function vertex stage as GLSL vertex programs: vertex
// blending, the world, view and projection transforms, lighting, the vertex
// fog factor, texture coordinate generation and texture transforms, with the
// same formulas as the CPU stage (d3d8_vertex.cpp). Only the vertex stage is
// a program; the pixel stage stays GL's fixed-function texture combiners and
// fog, which read the program's colours, fog coordinate and texture
// coordinates.
//
// One program is generated per combination of the features a draw needs (its
// vertex format, the states that change the code and the number of lights of
// each type, so that every light is straight-line code); matrices, colours
// and light values are uniforms, uploaded only when they change.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d8_internal.h"

namespace plat::d3d {

constexpr int kMaxProgramLights = 16;
constexpr int kMaxBlendMatrices = 4;

// Attribute locations, the same in every program.
enum VertexAttribute : unsigned {
    kAttrPosition = 0,
    kAttrWeights = 1,
    kAttrNormal = 2,
    kAttrDiffuse = 3,
    kAttrSpecular = 4,
    kAttrTex0 = 5,  // texture coordinate set i at kAttrTex0 + i
    kAttrCount = kAttrTex0 + 8,
};

// The features a program is generated for. Fields that do not apply are 0,
// so equal needs give equal keys.
struct VertexProgramKey {
    uint8_t pretransformed = 0;
    uint8_t blendWeights = 0;  // weights read from the vertex (0..3)
    uint8_t hasNormal = 0, hasDiffuse = 0, hasSpecular = 0;
    uint8_t lighting = 0;
    uint8_t lights[3] = {};  // directional, point and spot lights, in this order in the light uniforms
    uint8_t diffuseSource = 0, ambientSource = 0, specularSource = 0, emissiveSource = 0;  // 0 material, 1 diffuse, 2 specular
    uint8_t specular = 0, localViewer = 0, normalize = 0;
    uint8_t fog = 0;  // 0 none, 1 specular alpha, 2 linear, 3 exp, 4 exp2
    uint8_t rangeFog = 0;
    uint8_t clipVertex = 0;
    uint8_t units = 0;  // texture stages with coordinates
    uint8_t texGen[kMaxStages] = {};     // 0 from the vertex, 1 camera-space position, 2 normal, 3 reflection
    uint8_t texSet[kMaxStages] = {};     // coordinate set + 1 (0 = the vertex has none)
    uint8_t texDim[kMaxStages] = {};     // components of that set
    uint8_t texFlags[kMaxStages] = {};   // transform count, + 8 when projected

    bool operator<(const VertexProgramKey& o) const;
    // The coordinate sets the program reads, as a bit set.
    unsigned TexSetsRead() const;
};

// Which features a draw needs; false when the CPU stage must draw it
// (indexed vertex blending, more lights than the programs take, no position).
bool MakeVertexProgramKey(const DeviceState& st, const FvfLayout& layout, int units, const int lightCounts[3],
                          VertexProgramKey* key);

// The GLSL source of a program.
std::string VertexProgramSource(const VertexProgramKey& key);

class VertexPrograms {
public:
    VertexPrograms();
    ~VertexPrograms();
    // Makes the program for the draw current, building it when new, and
    // uploads the uniforms that changed. False when the draw needs the CPU
    // stage. lightsVersion changes whenever a light or its enable changes.
    bool Use(const DeviceState& st, const FvfLayout& layout, int units, unsigned lightsVersion, bool clipVertex,
             const VertexProgramKey** keyOut);
    // Leaves program mode (the CPU stage draws with fixed-function GL).
    void Unbind();
    // Deletes every program (the context must be current).
    void Release();
    size_t ProgramCount() const { return programs_.size(); }

private:
    struct Program;
    std::unique_ptr<Program> Build(const VertexProgramKey& key);
    void PrepareLights(const DeviceState& st, unsigned lightsVersion);
    void Upload(Program& p, const VertexProgramKey& key, const DeviceState& st);

    std::map<VertexProgramKey, std::unique_ptr<Program>> programs_;
    Program* current_ = nullptr;
    bool bound_ = false;

    // Derived values kept between draws.
    struct Blend {
        D3DMATRIX world{}, view{};
        bool valid = false;
        float wv[16] = {}, normal[16] = {};
    } blend_[kMaxBlendMatrices];
    unsigned lightsVersion_ = ~0u;
    D3DMATRIX lightsView_{};
    int lightCounts_[3] = {};  // directional, point, spot
    std::vector<float> lightData_;  // per light: 7 vec4 (see PrepareLights)
};

}  // namespace plat::d3d
