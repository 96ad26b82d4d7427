// The texture set: six images decoded at start-up and uploaded into fixed slots.
#pragma once

#include <GL/gl.h>

struct TGAImageRec;

// Texture slots: what each entry of `texture` shows.
enum TextureSlot {
    kTexCursorDo = 0,    // "do_alpha32.tga": the DO verb's cursor
    kTexCursorLook = 1,  // "eye_alpha.tga": the LOOK verb's cursor (also INVENTORY)
    kTexCursorTalk = 2,  // "talk_alpha32.tga": the TALK verb's cursor
    kTexWalls = 3,       // "wood-1.tga": walls, platform and corner block
    kTexFloor = 4,       // "hardwoodfloor32.tga": the floor
    kTexCeiling = 5,     // "ceiling.tga": the ceiling
    kTextureCount = 6,
};

// ---- Owned here: written once by LoadGLTextures ----
extern GLuint texture[32];              // texture names; slots 0 to 5 used, the rest stay 0
extern TGAImageRec* textures[32];       // decoded images, kept by slot for the whole run

// File read for each slot, relative to the working directory.
extern const char* const kTextureFiles[kTextureCount];

// Decodes all six images, then makes one texture per slot in `tex` (room for
// six). A missing image leaves its slot with a name but no picture. Prints
// "Texture i BPP: 32" for each 32-bit image. Needs a current GL context.
void LoadGLTextures(GLuint* tex);

// Pixel format for an image of `bpp` bits: GL_RGB for 24, GL_RGBA otherwise.
GLenum textureFormat(GLuint bpp);
// Unpack alignment an image's rows need: 4 when a row is a multiple of four
// bytes long, else 1, so the upload never reads past the pixel block.
GLint uploadAlignment(const TGAImageRec& image);
