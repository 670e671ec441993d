#include "render/billboards.h"

#include "render/gl_caps.h"
#include "render/material.h"
#include "track/objects.h"

#include <cmath>

int billboards_drawn = 0;

namespace
{

struct Span {
    float left[2], right[2]; // horizontal ends (x, z) relative to the camera
};

float cross(const float *u, const float *v)
{
    return u[0] * v[1] - v[0] * u[1];
}

Span span_of(const Billboard &b, const float camera[3], const float right[3])
{
    float half = b.size * b.aspect / 2;
    float x = b.x - camera[0], z = b.z - camera[2];
    return {{x - right[0] * half, z - right[2] * half}, {x + right[0] * half, z + right[2] * half}};
}

bool overlap(const Span &a, const Span &b)
{
    return cross(b.right, a.left) < 0 && cross(a.right, b.left) < 0;
}

// The horizontal right direction of a camera; false when it looks straight
// up or down.
bool right_of(const float backward[3], float right[3])
{
    float length = std::sqrt(backward[0] * backward[0] + backward[2] * backward[2]);
    if (length == 0)
        return false;
    right[0] = backward[2] / length;
    right[1] = 0;
    right[2] = -backward[0] / length;
    return true;
}

uint32_t depth_key(double depth)
{
    double k = std::floor(depth * 1024 + 16777216.0);
    return k <= 0 ? 0 : k >= 4294967295.0 ? 0xffffffffu : (uint32_t)k;
}

} // namespace

void radix_sort_by_key(std::vector<int> *indices, const std::vector<uint32_t> &keys)
{
    std::vector<int> scratch(indices->size());
    for (int shift = 0; shift < 32; shift += 8) {
        size_t start[257] = {};
        for (int i : *indices)
            ++start[((keys[i] >> shift) & 255) + 1];
        for (int b = 0; b < 256; ++b)
            start[b + 1] += start[b];
        for (int i : *indices)
            scratch[start[(keys[i] >> shift) & 255]++] = i;
        indices->swap(scratch);
    }
}

std::vector<int> billboard_order(const Billboard *list, int count, const float camera[3], const float backward[3],
                                 int lookahead)
{
    std::vector<int> order;
    float right[3];
    if (!right_of(backward, right))
        return order;
    auto dot = [&](const Billboard &b) { return backward[0] * b.x + backward[1] * b.y + backward[2] * b.z; };
    uint32_t camera_key = depth_key(backward[0] * camera[0] + backward[1] * camera[1] + backward[2] * camera[2]);
    std::vector<uint32_t> keys(count);
    for (int i = 0; i < count; ++i) {
        const Billboard &b = list[i];
        float extra = i < ROOST_PARTICLE_SLOTS ? b.size * b.aspect : 0;
        keys[i] = depth_key((double)dot(b) + extra);
        if (b.texture && b.colour[3] > 0 && keys[i] < camera_key)
            order.push_back(i);
    }
    radix_sort_by_key(&order, keys);
    if (lookahead <= 1)
        return order;
    for (size_t l = 0; l + 2 < order.size(); ++l) {
        unsigned texture = list[order[l]].texture;
        size_t last = std::min(order.size() - 1, l + (size_t)lookahead - 1);
        size_t m = l + 1;
        while (m <= last && list[order[m]].texture != texture)
            ++m;
        if (m > last || m < l + 2)
            continue;
        Span candidate = span_of(list[order[m]], camera, right);
        bool blocked = false;
        for (size_t j = l + 1; j < m && !blocked; ++j)
            blocked = overlap(candidate, span_of(list[order[j]], camera, right));
        if (blocked)
            continue;
        int moved = order[m];
        for (size_t j = m; j > l + 1; --j)
            order[j] = order[j - 1];
        order[l + 1] = moved;
    }
    return order;
}

void draw_billboards(const Billboard *list, int count, const float camera[3], const float backward[3], int lookahead)
{
    float right[3];
    billboards_drawn = 0;
    if (!right_of(backward, right))
        return;
    std::vector<int> order = billboard_order(list, count, camera, backward, lookahead);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDepthMask(GL_FALSE);
    unsigned bound = 0;
    bool open = false;
    for (int i : order) {
        const Billboard &b = list[i];
        if (b.texture != bound) {
            if (open)
                glEnd();
            glBindTexture(GL_TEXTURE_2D, b.texture);
            bound = b.texture;
            ++texture_changes;
            glBegin(GL_QUADS);
            open = true;
        }
        float half = b.size * b.aspect / 2;
        float lx = b.x - right[0] * half, lz = b.z - right[2] * half;
        float rx = b.x + right[0] * half, rz = b.z + right[2] * half;
        glColor4ubv(b.colour);
        glTexCoord2f(0, 1);
        glVertex3f(lx, b.y, lz);
        glTexCoord2f(1, 1);
        glVertex3f(rx, b.y, rz);
        glTexCoord2f(1, 0);
        glVertex3f(rx, b.y + b.size, rz);
        glTexCoord2f(0, 0);
        glVertex3f(lx, b.y + b.size, lz);
        ++billboards_drawn;
    }
    if (open)
        glEnd();
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
}
