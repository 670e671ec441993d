// The five shading programs that light models per pixel, with normal maps,
// specular maps and environment reflections. Program 0 is fixed function.
#pragma once

enum {
    PROGRAM_FIXED = 0,
    PROGRAM_LIT = 1,
    PROGRAM_ENV = 2,
    PROGRAM_NORM_LIT = 3,
    PROGRAM_NORM_ENV = 4,
    PROGRAM_NORM_SPEC_LIT = 5,
    PROGRAM_COUNT = 6,
};

// Program switches since the scene last reset the count.
extern int shader_changes;

// Builds programs 1..5; on any failure deletes them all and turns shaders
// off (fixed function everywhere). Returns 1 when all five were built.
int shaders_init();

// Makes a program current (0: fixed function); counts real switches only.
void use_program(int index);

// Hands the camera orientation (eye to world, row by row) to the reflection
// programs.
void set_env_matrix(const float rows[9]);

// The GL program object of a slot (0 when not built).
unsigned program_object(int index);

// The name of a program slot ("lit", "env", ...).
const char *program_name(int index);
