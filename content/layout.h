// Shared facts of the sample content: where the regions of the plant texture
// lie, and the paths under which the generated files are referenced.
#pragma once

namespace content {

// A rectangle of a texture in texture coordinates (0..1).
struct UvRect {
    float u0, v0, u1, v1;
};

// The plant texture (one 256 x 256 image shared by every plant, so that the
// placed plants can be merged into one batch).
constexpr int PLANT_TEXTURE_SIZE = 256;
constexpr UvRect PLANT_LEAVES{0.02f, 0.02f, 0.48f, 0.48f};      // broad-leaved foliage
constexpr UvRect PLANT_NEEDLES{0.52f, 0.02f, 0.98f, 0.48f};     // conifer foliage
constexpr UvRect PLANT_BARK{0.02f, 0.52f, 0.48f, 0.98f};        // bark
constexpr UvRect PLANT_BLOSSOM{0.52f, 0.52f, 0.98f, 0.73f};     // autumn / blossom foliage
constexpr UvRect PLANT_BUSH{0.52f, 0.77f, 0.98f, 0.98f};        // light bush green

// The plant texture as the meshes name it (its file-name part is the plant
// texture name that the texture manager maps to its global slot).
constexpr const char* PLANT_TEXTURE_REF = "Scenes\\ember\\noveny.dds";

}  // namespace content
