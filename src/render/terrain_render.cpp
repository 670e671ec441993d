// The ground renderer: loading steps, per-frame refinement and the fans.
#include "render/terrain_render.h"

#include "render/gl_caps.h"
#include "track/terrain.h"
#include "track/track_settings.h"

#include <algorithm>
#include <cmath>
#include <vector>

GroundRenderer ground;

namespace
{

struct FanVertex {
    float position[3];
    float texcoord[2];
};

// The fans of one ground texture, as triangles, drawn together: the
// software renderer pays for every draw call.
struct FanBatch {
    unsigned texture = 0;
    std::vector<FanVertex> vertices; // each fan's own, once
    std::vector<GLuint> triangles;   // indices into them
};

// Adds one fan, with the ground texture that covers its node, to its
// texture's batch (or, without vertex arrays, draws it at once).
void draw_fan(const GroundFan &fan, std::vector<FanBatch> *batches, unsigned *bound)
{
    const Terrain &t = *ground.terrain;
    int n = (t.points_per_side - 1) >> fan.level;
    GroundChoice choice = ground_texture_for(ground.textures, fan.a * n / 2, fan.b * n / 2, std::max(1, n / 2));
    FanVertex vertices[10];
    for (int k = 0; k < fan.count; ++k) {
        int i = fan.points[k][0], j = fan.points[k][1];
        FanVertex &v = vertices[k];
        v.position[0] = (float)i * t.spacing;
        v.position[1] = t.heights[(size_t)j * t.points_per_side + i];
        v.position[2] = (float)j * t.spacing;
        v.texcoord[0] = (float)(i - choice.origin_i) / (float)choice.span;
        v.texcoord[1] = (float)(j - choice.origin_j) / (float)choice.span;
    }
    ground.triangles += fan.count - 2;
    if (ground.vertex_arrays) {
        FanBatch *batch = nullptr;
        for (FanBatch &b : *batches)
            if (b.texture == choice.texture)
                batch = &b;
        if (!batch) {
            batches->emplace_back();
            batch = &batches->back();
            batch->texture = choice.texture;
        }
        GLuint first = (GLuint)batch->vertices.size();
        batch->vertices.insert(batch->vertices.end(), vertices, vertices + fan.count);
        for (int k = 1; k + 1 < fan.count; ++k) {
            batch->triangles.push_back(first);
            batch->triangles.push_back(first + (GLuint)k);
            batch->triangles.push_back(first + (GLuint)k + 1);
        }
        return;
    }
    if (choice.texture != *bound) {
        glBindTexture(GL_TEXTURE_2D, choice.texture);
        *bound = choice.texture;
    }
    glBegin(GL_TRIANGLE_FAN);
    for (int k = 0; k < fan.count; ++k) {
        glTexCoord2fv(vertices[k].texcoord);
        glVertex3fv(vertices[k].position);
    }
    glEnd();
}

} // namespace

void terrain_low_detail(Terrain *t)
{
    low_detail_textures_build(&ground.textures, *t);
}

void terrain_ground_textures(Terrain *t)
{
    ground_textures_create(&ground.textures, *t, ground.texture_settings);
    ground.recentre = true;
}

void terrain_free_drawing(Terrain *t)
{
    if (ground.terrain != t)
        return;
    ground_textures_free(&ground.textures);
    ground.lod = TerrainLod();
    ground.terrain = nullptr;
}

void terrain_render_settings(float tolerance, const GroundTextureSettings &textures, bool vertex_arrays)
{
    ground.tolerance = tolerance;
    ground.texture_settings = textures;
    ground.vertex_arrays = vertex_arrays;
}

void terrain_build_lod(Terrain *t)
{
    ground.terrain = t;
    lod_reset(&ground.lod, *t, ground.tolerance);
    lod_compute(&ground.lod, *t, 0);
}

int terrain_update()
{
    if (!ground.terrain)
        return 0;
    low_detail_refresh_one(&ground.textures, *ground.terrain);
    return lod_compute(&ground.lod, *ground.terrain, 1000);
}

void terrain_rebuild()
{
    if (!ground.terrain)
        return;
    const Terrain &t = *ground.terrain;
    lod_reset(&ground.lod, t, ground.tolerance);
    lod_compute(&ground.lod, t, 0);
    low_detail_textures_build(&ground.textures, t);
    for (GroundSlot &slot : ground.textures.coarse)
        slot.ready = false;
    ground.recentre = true;
}

void terrain_add_decal(Terrain *t, const Decal &)
{
    if (ground.terrain == t && !t->decals.empty())
        ground_add_decal(&ground.textures, *t, (int)t->decals.size() - 1);
}

void terrain_remove_decal(Terrain *t, int index)
{
    if (ground.terrain == t && index >= 0 && index < (int)t->decals.size())
        ground_remove_decal(&ground.textures, *t, index);
}

void terrain_paint(const float eye[3])
{
    if (!ground.terrain || ground.textures.coarse.empty())
        return;
    ground_windows_update(&ground.textures, *ground.terrain, eye[0], eye[2], ground.recentre);
    ground.recentre = false;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    bool back_buffer = !ground.textures.target.use_fbo;
    int painted = ground_paint_due(&ground.textures, *ground.terrain);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    // Painting in the back buffer left its pictures in the frame.
    if (painted && (back_buffer || !ground.textures.target.use_fbo))
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void terrain_draw(const float eye[3], const float forward[3], const Frustum *frustum)
{
    ground.triangles = 0;
    const Terrain *t = ground.terrain;
    if (!t || ground.lod.level < 0 || t->heights.empty())
        return;
    lod_select(&ground.lod, *t, eye[0], eye[2]);

    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glPushMatrix();
    glTranslatef(-eye[0], -eye[1], -eye[2]);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1, 1, 1, 1);
    if (ground.vertex_arrays) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
    }
    unsigned bound = ~0u;
    static std::vector<FanBatch> batches;
    if (batches.size() > 256)
        batches.clear(); // textures of grounds long gone
    for (FanBatch &b : batches) {
        b.vertices.clear();
        b.triangles.clear();
    }
    lod_fans(ground.lod, *t, eye, forward, frustum,
             [&bound](const GroundFan &fan) { draw_fan(fan, &batches, &bound); });
    for (FanBatch &b : batches) {
        if (b.triangles.empty())
            continue;
        glBindTexture(GL_TEXTURE_2D, b.texture);
        glVertexPointer(3, GL_FLOAT, sizeof(FanVertex), b.vertices[0].position);
        glTexCoordPointer(2, GL_FLOAT, sizeof(FanVertex), b.vertices[0].texcoord);
        glDrawElements(GL_TRIANGLES, (GLsizei)b.triangles.size(), GL_UNSIGNED_INT, b.triangles.data());
    }
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}
