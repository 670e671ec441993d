#include "render/material.h"

#include "render/gl_caps.h"
#include "render/shaders.h"

int texture_changes;
float rider_alpha = 1;

namespace
{

bool shaders()
{
    return gl_caps.has_fragment_shader != 0;
}

// Binds a map on a texture unit, switching the unit's texturing with it.
void bind_unit(int unit, unsigned *bound, unsigned texture)
{
    if (*bound == texture)
        return;
    glext.ActiveTextureARB(GL_TEXTURE0_ARB + unit);
    if (texture) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    glext.ActiveTextureARB(GL_TEXTURE0_ARB);
    *bound = texture;
    ++texture_changes;
}

} // namespace

void material_begin(MaterialState *state)
{
    *state = MaterialState();
    glEnable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const float white[4] = {1, 1, 1, rider_alpha};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, white);
    glColor4fv(white);
    if (shaders()) {
        // The programs always apply the fog density; without fog it is 0.
        if (!glIsEnabled(GL_FOG))
            glFogf(GL_FOG_DENSITY, 0);
        use_program(PROGRAM_LIT);
    }
}

void material_bind(MaterialState *state, unsigned colour, unsigned normal, unsigned specular)
{
    if (colour != state->colour) {
        if (colour) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, colour);
        } else {
            glDisable(GL_TEXTURE_2D);
        }
        state->colour = colour;
        ++texture_changes;
    }
    if (!shaders())
        return;
    if (gl_caps.texture_units >= 2)
        bind_unit(1, &state->normal, normal);
    if (gl_caps.texture_units >= 3)
        bind_unit(2, &state->specular, specular);
    use_program(state->specular && state->normal ? PROGRAM_NORM_SPEC_LIT
                : state->normal                  ? PROGRAM_NORM_LIT
                                                 : PROGRAM_LIT);
}

void material_begin_reflective(MaterialState *state, unsigned environment)
{
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    if (shaders() && gl_caps.texture_units >= 3)
        bind_unit(2, &state->specular, 0);
    state->colour = ~0u;
    material_bind_reflective_normal(state, state->normal);
    if (environment != state->colour) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, environment);
        state->colour = environment;
        ++texture_changes;
    }
    state->reflective = true;
}

void material_bind_reflective_normal(MaterialState *state, unsigned normal)
{
    if (!shaders())
        return;
    if (gl_caps.texture_units >= 2)
        bind_unit(1, &state->normal, normal);
    use_program(state->normal ? PROGRAM_NORM_ENV : PROGRAM_ENV);
}

void material_end(MaterialState *state)
{
    if (shaders()) {
        bind_unit(2, &state->specular, 0);
        bind_unit(1, &state->normal, 0);
        use_program(PROGRAM_FIXED);
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    *state = MaterialState();
}
