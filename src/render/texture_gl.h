// Texture uploads to GL for the texture cache.
#pragma once

// Makes the texture cache upload through the current GL context.
void texture_gl_install();
