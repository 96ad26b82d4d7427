// Special keys: walking with collision, turning, tilting, full screen and the room tint.
#pragma once

#include "shell/Vector3D.h"

// ---- Owned here: the player, the camera and the display switches ----
constexpr float y_camera = -0.5f;  // scene moved down so the eye is 0.5 above the floor
constexpr int z_angle = 0;         // roll of the view, degrees; nothing changes it
extern int x_angle;                // pitch, degrees, steps of 5, truncating remainder 360
extern float yrot;                 // yaw of the view, degrees: a copy of heading
extern float heading;              // player's facing, degrees, never wrapped
extern float xpos, zpos;           // player's place on the floor; camera translation
extern const float piover180;      // degrees to radians, single precision
extern Vector3D egoPosition;       // player's position for the collision test
extern Vector3D egoVelocity;       // one step's displacement, from heading
extern const float egoRadius;      // player's collision radius
extern int isDirectionalKeyDown;   // 1 while the footsteps play for a held walking key
extern int fullscreen;             // 1 while the window is to be full screen
extern int window_xpos, window_ypos;    // windowed position, restored when leaving full screen
extern int window_xsize, window_ysize;  // windowed size, restored likewise
extern int lights_on;              // 0 room drawn white; otherwise in the sphere's colour

// One step forward (`forward` true) or back, tested against the collision
// plane first; writes the distance lines and, when accepted, the new
// position. Returns whether the step was taken.
bool stepPlayer(bool forward);
// Turns by `degrees` (+ left) and recomputes egoVelocity from the new heading.
void turnPlayer(float degrees);
// Tilts by `delta` degrees, keeping the truncating remainder modulo 360.
void tiltView(int delta);
// (angle + delta) remainder 360, with the sign of the dividend.
int tiltedAngle(int angle, int delta);
// Flips lights_on between 0 and 1.
void toggleRoomTint();

// GLUT special key press and release callbacks.
void specialKeys(int key, int x, int y);
void specialKeysUp(int key, int x, int y);

// Makes a held key arrive as repeated presses and one release, instead of X's
// release-and-press pairs, so a held walking key keeps its footsteps playing.
// On a server that cannot do this, specialKeysUp instead ignores a walking
// key's release while the key is still down. Needs the game's GL context current.
void useDetectableKeyRepeat();
