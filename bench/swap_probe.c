/* Preloaded into the game and the start-up baseline: watches glXSwapBuffers.
 *
 * KELVARINE_SWAP_LOG names a file that receives "SWAPS SECONDS" (seconds on the
 * monotonic clock), rewritten through a rename so a reader always sees a whole
 * line, at most ten times a second. With KELVARINE_EXIT_AT_FIRST_SWAP set, the
 * first swap is waited for at the X server, logged, and the process ends there:
 * that is the moment a start-up measurement stops its clock. */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static unsigned long long swaps;
static double last_report = -1;

static double now_seconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

static void report(double now)
{
    const char* path = getenv("KELVARINE_SWAP_LOG");
    if (!path || !*path)
        return;
    char tmp[4096];
    if (snprintf(tmp, sizeof tmp, "%s.tmp", path) >= (int)sizeof tmp)
        return;
    int fd = open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    char line[96];
    int n = snprintf(line, sizeof line, "%llu %.6f\n", swaps, now);
    int ok = n > 0 && write(fd, line, (size_t)n) == n;
    close(fd);
    if (ok)
        rename(tmp, path);
}

void glXSwapBuffers(Display* dpy, GLXDrawable drawable)
{
    static void (*real)(Display*, GLXDrawable);
    if (!real)
        real = (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
    if (real)
        real(dpy, drawable);
    ++swaps;
    const char* exit_now = getenv("KELVARINE_EXIT_AT_FIRST_SWAP");
    if (exit_now && *exit_now) {
        XSync(dpy, False);
        report(now_seconds());
        _exit(0);
    }
    double now = now_seconds();
    if (last_report < 0 || now - last_report >= 0.1) {
        last_report = now;
        report(now);
    }
}
