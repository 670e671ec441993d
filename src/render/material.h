// Texture units and shading programs for models: the colour texture on
// unit 0, the normal map on unit 1 and the specular map on unit 2, with the
// program chosen by which maps there are. Without shaders only unit 0 is
// used. Binds happen only on change and are counted.
#pragma once

struct MaterialState {
    unsigned colour = ~0u, normal = 0, specular = 0;
    bool reflective = false;
};

// Texture binds of the statue, rider and billboard passes since the scene
// last reset the count.
extern int texture_changes;

// Alpha of the material colour of riders and statues; 1 but while a fading
// ghost rider is drawn.
extern float rider_alpha;

// Opaque pass: lighting on, blending (source alpha, one minus source alpha),
// modulate, material colour white with the rider alpha, program "lit".
void material_begin(MaterialState *state);

// Binds a part's textures (0: none) and the program that suits them.
void material_bind(MaterialState *state, unsigned colour, unsigned normal, unsigned specular);

// Reflective pass: lighting off, additive blending, the environment picture
// on unit 0, program "env".
void material_begin_reflective(MaterialState *state, unsigned environment);

// A reflective part's normal map (0: none) with "norm_env" or "env".
void material_bind_reflective_normal(MaterialState *state, unsigned normal);

// Units 1 and 2 off, blending and lighting off, program 0.
void material_end(MaterialState *state);
