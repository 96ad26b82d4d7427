// Sound set-up: listener, two buffers filled from WAV files, two looping sources.
#pragma once

#include <AL/al.h>

// ---- Owned here: made once by openal_init ----
extern ALfloat listenerPos[3];  // listener position
extern ALfloat listenerVel[3];  // listener velocity
extern ALfloat listenerOri[6];  // "at" vector, then "up" vector
extern ALfloat source0Pos[3];   // footsteps source position
extern ALfloat source0Vel[3];
extern ALfloat source1Pos[3];   // sphere sound source position
extern ALfloat source1Vel[3];
extern ALuint buffer[2];        // 0 footsteps, 1 sphere sound
extern ALuint source[2];        // 0 footsteps (walking), 1 sphere sound (DO on the sphere)
extern ALenum format;           // WAV loader out-values, reused by both loads
extern ALvoid* data;
extern ALsizei size;
extern ALsizei freq;

// Sound files, relative to the working directory.
extern const char* const kFootstepsFile;
extern const char* const kSphereSoundFile;

// Places the listener, fills both buffers and makes both looping sources.
// Ends the process with status 1 if the buffers cannot be made, 2 if the
// sources cannot. A sound file that does not load leaves its buffer empty
// (its source stays silent) and prints one line naming the file.
void openal_init();
