// openal_init: the two sounds the game plays, set up once before the first frame.
#include "assets/openal_mac.h"

#include <AL/alut.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

ALfloat listenerPos[3] = {0.0f, 0.0f, 4.0f};
ALfloat listenerVel[3] = {0.0f, 0.0f, 0.0f};
ALfloat listenerOri[6] = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f};
ALfloat source0Pos[3] = {-2.0f, 0.0f, 0.0f};
ALfloat source0Vel[3] = {0.0f, 0.0f, 0.0f};
ALfloat source1Pos[3] = {2.0f, 0.0f, 0.0f};
ALfloat source1Vel[3] = {0.0f, 0.0f, 0.0f};
ALuint buffer[2] = {0, 0};
ALuint source[2] = {0, 0};
ALenum format = 0;
ALvoid* data = nullptr;
ALsizei size = 0;
ALsizei freq = 0;

const char* const kFootstepsFile = "Footsteps.wav";
const char* const kSphereSoundFile = "a.wav";

// Loads one WAV file into `into`. The out-values are cleared first, so a
// failed load can never hand the previous file's released samples on.
static void fillBuffer(ALuint into, const char* fileName)
{
    ALboolean loop = AL_FALSE;
    format = 0;
    data = nullptr;
    size = 0;
    freq = 0;
    alutLoadWAVFile(const_cast<ALbyte*>(reinterpret_cast<const ALbyte*>(fileName)), &format, &data,
                    &size, &freq, &loop);
    if (data == nullptr) {
        std::printf("Error: could not load sound file %s\n", fileName);
        return;
    }
    alBufferData(into, format, data, size, freq);
    alutUnloadWAV(format, data, size, freq);
}

static void configureSource(ALuint s, const ALfloat* pos, const ALfloat* vel, ALuint b)
{
    alSourcef(s, AL_PITCH, 1.0f);
    alSourcef(s, AL_GAIN, 1.0f);
    alSourcefv(s, AL_POSITION, pos);
    alSourcefv(s, AL_VELOCITY, vel);
    alSourcei(s, AL_BUFFER, static_cast<ALint>(b));
    alSourcei(s, AL_LOOPING, AL_TRUE);
}

void openal_init()
{
    alListenerfv(AL_POSITION, listenerPos);
    alListenerfv(AL_VELOCITY, listenerVel);
    alListenerfv(AL_ORIENTATION, listenerOri);
    alGetError();  // only buffer creation decides whether sound works

    alGenBuffers(2, buffer);
    if (alGetError() != AL_NO_ERROR) {
        std::cout << "- Error creating buffers !!" << std::endl;
        std::exit(1);
    }
    std::cout << "init() - No errors yet." << std::endl;

    fillBuffer(buffer[0], kFootstepsFile);
    fillBuffer(buffer[1], kSphereSoundFile);
    alGetError();  // a bad sound file leaves a silent buffer, not a dead game

    alGenSources(2, source);
    if (alGetError() != AL_NO_ERROR) {
        std::cout << "- Error creating sources !!" << std::endl;
        std::exit(2);
    }
    std::cout << "init - no errors after alGenSources" << std::endl;

    configureSource(source[0], source0Pos, source0Vel, buffer[0]);
    configureSource(source[1], source1Pos, source1Vel, buffer[1]);
}
