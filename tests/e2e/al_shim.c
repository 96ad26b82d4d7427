/* Preloaded into the game by end-to-end tests: logs each alSourcePlay/alSourceStop call. */
#define _GNU_SOURCE
#include <AL/al.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* One write(2) per line on an O_APPEND descriptor, opened per call, so the log is
   complete at any moment a test reads it, even if the game is killed. */
static void log_call(const char* what, ALuint source) {
    const char* path = getenv("KELVARINE_AL_LOG");
    if (!path || !*path)
        return;
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    char line[64];
    int n = snprintf(line, sizeof line, "%s %u\n", what, (unsigned)source);
    if (n > 0 && write(fd, line, (size_t)n) != n)
        perror("kelvarine_al_shim");
    close(fd);
}

AL_API void AL_APIENTRY alSourcePlay(ALuint source) {
    static void (*real)(ALuint);
    if (!real)
        real = (void (*)(ALuint))dlsym(RTLD_NEXT, "alSourcePlay");
    log_call("play", source);
    if (real)
        real(source);
}

AL_API void AL_APIENTRY alSourceStop(ALuint source) {
    static void (*real)(ALuint);
    if (!real)
        real = (void (*)(ALuint))dlsym(RTLD_NEXT, "alSourceStop");
    log_call("stop", source);
    if (real)
        real(source);
}
