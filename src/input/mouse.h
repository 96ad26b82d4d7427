// Mouse buttons: picking through OpenGL selection mode, the verb, the sphere's sound.
#pragma once

#include <GL/gl.h>

// ---- Owned here ----
extern int objectID;       // name under the pointer at the last left press: 0, 1 sphere, 2 room
extern int isSphereNoisy;  // 1 while the sphere's sound plays

// The name of the hit record with the smallest minimum depth (the earlier
// record on a tie) among `objectsFound` four-word records in `selectBuffer`
// (count, min depth, max depth, name). 0 when the count is 0 or negative.
int nearestHit(const GLuint* selectBuffer, int objectsFound);

// Draws the scene in selection mode through a 2 x 2 pixel region around
// window pixel (x, y) and returns the nearest object's name, 0 for none.
int retrieveObjectID(int x, int y);

// GLUT mouse callback.
void processMouse(int button, int state, int x, int y);
