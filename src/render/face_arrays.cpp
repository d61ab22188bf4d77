#include "render/face_arrays.h"

#include <cstddef>
#include <unordered_set>

#include "textures/texture.h"

FaceArrays::FaceArrays(const Subobject& s, bool smooth_) : smooth(smooth_) {
    bool first = true;
    for (const Face* f : s.faces.as<Face>()) {
        float red = 1.0f, green = 1.0f, blue = 1.0f;
        if (!f->textured) {
            red = f->colour[0] / 255.0f;
            green = f->colour[1] / 255.0f;
            blue = f->colour[2] / 255.0f;
        }
        const int32_t start = static_cast<int32_t>(vertices.size());
        const int32_t n = f->vertexCount;
        for (int32_t i = 0; i + 2 < n; ++i) {
            const int32_t corners[3] = {i + 1, i + 2, 0};
            const bool edges[3] = {true, i + 3 == n, i == 0};
            for (int k = 0; k < 3; ++k) {
                const FaceVertex& c = f->corners[corners[k]];
                const Vector& p = s.vertices[c.vertex];
                const Vector& normal = smooth ? s.normals[c.vertex] : f->normal;
                vertices.push_back({{p.x, p.y, p.z},
                                    {normal.x, normal.y, normal.z},
                                    {c.u, c.v},
                                    {red, green, blue, s.alphas[c.vertex]},
                                    static_cast<GLboolean>(edges[k] ? GL_TRUE : GL_FALSE)});
            }
        }
        const int32_t count = static_cast<int32_t>(vertices.size()) - start;
        Texture* texture = f->textured ? f->texture->texture : nullptr;
        if (first) firstFace = {start, count, texture};
        first = false;
        if (!runs.empty() && runs.back().texture == texture) runs.back().count += count;
        else runs.push_back({start, count, texture});
    }
}

const FaceArrays& faceArraysOf(const Subobject& s, bool smooth) {
    auto* arrays = static_cast<FaceArrays*>(s.drawing.get());
    if (arrays == nullptr || arrays->smooth != smooth) {
        s.drawing = std::make_unique<FaceArrays>(s, smooth);
        arrays = static_cast<FaceArrays*>(s.drawing.get());
    }
    return *arrays;
}

std::vector<Texture*> makeFaceArrays(const PolyModel& model, bool smooth) {
    std::vector<Texture*> textures;
    std::unordered_set<const Texture*> seen;
    for (const RefNode<Subobject>* node : model.allSubobjects->as<RefNode<Subobject>>()) {
        const Subobject& s = *node->target;
        if (s.faces.first == nullptr) continue;
        for (const FaceRun& run : faceArraysOf(s, smooth).runs)
            if (run.texture != nullptr && seen.insert(run.texture).second) textures.push_back(run.texture);
    }
    return textures;
}

void useFaceArrays(const FaceArrays& arrays, bool filled) {
    constexpr GLsizei stride = sizeof(ArrayVertex);
    const ArrayVertex* v = arrays.vertices.data();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, v->position);
    if (filled) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, v->normal);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, stride, v->texCoord);
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, stride, v->colour);
    } else {
        glEnableClientState(GL_EDGE_FLAG_ARRAY);
        glEdgeFlagPointer(stride, &v->edge);
    }
}

void releaseFaceArrays(bool filled) {
    glDisableClientState(GL_VERTEX_ARRAY);
    if (filled) {
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
    } else {
        glDisableClientState(GL_EDGE_FLAG_ARRAY);
        // The current edge flag is undefined after an array draw; the markers'
        // polygons and faces drawn one by one expect it set.
        glEdgeFlag(GL_TRUE);
    }
}
