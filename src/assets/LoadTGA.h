// Decoder for the one TGA form the game ships: uncompressed true-colour, 24 or 32 bits.
#pragma once

#include <GL/gl.h>

// A decoded image: pixels in R, G, B (and A) order, rows in the order the file
// stores them, no padding between rows.
struct TGAImageRec {
    GLubyte* data;  // sizeX * sizeY * bpp / 8 bytes, owned with the record
    GLuint bpp;     // bits per pixel: 24 or 32
    GLuint sizeX;   // width in pixels, 1 to 65535
    GLuint sizeY;   // height in pixels, 1 to 65535
};

// Loads `filename` (relative names from the working directory). Returns a new
// record with its pixel block, or null when the file is missing, of another
// kind, or shorter than the pixels it declares. Prints one error line when the
// header test fails. The caller owns the result; release it with FreeTGA.
TGAImageRec* LoadTGA(const char* filename);

// Releases a record returned by LoadTGA and its pixel block; null is allowed.
void FreeTGA(TGAImageRec* image);
