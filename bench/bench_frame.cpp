// Frame, floor and pick timings in one process and one GL context, from the game's own units.
//
// A game frame is display() itself. The floor is the cheapest frame that fills
// the screen: clear, one full-screen quad with the floor texture (so it
// follows whatever texture size the asset generator makes), swap. A pick is
// one retrieveObjectID at the sphere's centre. The three are timed in
// batches, interleaved in a rotating order, and reported as medians, so slow
// phases of a shared machine hit all three alike.
//
// With --callgrind N it instead draws a few warm-up frames and then N game
// frames inside countedGameFrames(), for callgrind's --toggle-collect.
#include <GL/glu.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/LoadGLTextures.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "render/cursor.h"
#include "render/scene.h"
#include "shell/frame.h"

namespace {

using Clock = std::chrono::steady_clock;

bool exposed = false;

// Registered so that GLUT's own redisplays (every display() posts one) cost
// nothing while the benchmark drives the frames itself.
void markExposed()
{
    exposed = true;
}

void floorFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture[kTexFloor]);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(1, 1, 0);
    glTexCoord2f(0, 1);
    glVertex3f(-1, 1, 0);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    if (is_light_on == 1) {
        glEnable(GL_LIGHTING);
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glutSwapBuffers();
}

// Window pixel (GLUT's, y down) of the sphere's centre for the height the next
// drawShapes will draw it at: at the start view the centre lies straight
// ahead, 2.5 units away, `sphere_height` above the eye.
void spherePixel(int* x, int* y)
{
    const double halfFov = 22.5 * M_PI / 180.0;
    const double up = sphere_height / 2.5 / std::tan(halfFov) * (kWindowHeight / 2.0);
    *x = kWindowWidth / 2;
    *y = static_cast<int>(std::lround(kWindowHeight / 2.0 - up));
}

int picksMissed = 0;

void pickSphere()
{
    int x = 0, y = 0;
    spherePixel(&x, &y);
    if (retrieveObjectID(x, y) != kNameSphere) {
        ++picksMissed;
    }
}

// Mean milliseconds of one call of `fn` over `count` calls, finished on the GPU.
template <typename Fn>
double batchMs(Fn fn, int count)
{
    glFinish();
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        fn();
    }
    glFinish();
    const std::chrono::duration<double, std::milli> took = Clock::now() - start;
    return took.count() / count;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

void pumpEvents()
{
    glutMainLoopEvent();
}

}  // namespace

// Not static and not inlined: callgrind switches collection on and off at its
// entry and exit.
__attribute__((noinline)) void countedGameFrames(int frames)
{
    for (int i = 0; i < frames; ++i) {
        display();
    }
    glFinish();
}

int main(int argc, char** argv)
{
    int reps = 15, frames = 20, picks = 20, callgrindFrames = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const int value = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--reps") == 0) reps = value;
        else if (std::strcmp(argv[i], "--frames") == 0) frames = value;
        else if (std::strcmp(argv[i], "--picks") == 0) picks = value;
        else if (std::strcmp(argv[i], "--callgrind") == 0) callgrindFrames = value;
    }
    if (reps < 1 || frames < 1 || picks < 1 || callgrindFrames < 0) {
        std::fprintf(stderr, "usage: bench_frame [--reps N] [--frames N] [--picks N] [--callgrind N]\n");
        return 2;
    }

    // The game's window and state as main() makes them. Game mode is left out:
    // it never succeeds under Xvfb, where the game then draws in this window.
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH | GLUT_RGBA);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    window = glutCreateWindow("Kelvarine");
    glutDisplayFunc(markExposed);
    glutReshapeFunc(reshape);
    glutSetCursor(GLUT_CURSOR_NONE);
    InitGL();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (int i = 0; i < 2000 && !exposed; ++i) {
        pumpEvents();
    }
    if (!exposed) {
        std::fprintf(stderr, "bench_frame: the window was never shown\n");
        return 1;
    }
    // The pointer warp at start-up arrives as one passive motion to the centre.
    PassiveMouseFunc(kWindowWidth / 2, kWindowHeight / 2);

    // The first frames compile llvmpipe's shader variants; keep them out.
    // Under callgrind a few are enough, and each costs seconds there.
    const int warmUp = callgrindFrames > 0 ? 3 : 30;
    for (int i = 0; i < warmUp; ++i) {
        display();
        floorFrame();
        pickSphere();
    }
    glFinish();
    pumpEvents();

    if (callgrindFrames > 0) {
        countedGameFrames(callgrindFrames);
        std::printf("callgrind_frames: %d\n", callgrindFrames);
        return 0;
    }

    picksMissed = 0;
    std::vector<double> frame, floor, pick, frameRatio, pickRatio;
    for (int r = 0; r < reps; ++r) {
        double f = 0, fl = 0, p = 0;
        for (int k = 0; k < 3; ++k) {
            switch ((r + k) % 3) {
            case 0: f = batchMs(display, frames); break;
            case 1: fl = batchMs(floorFrame, frames); break;
            default: p = batchMs(pickSphere, picks); break;
            }
            pumpEvents();
        }
        frame.push_back(f);
        floor.push_back(fl);
        pick.push_back(p);
        frameRatio.push_back(f / fl);
        pickRatio.push_back(p / f);
        std::printf("rep %2d: frame %.3f ms, floor %.3f ms, pick %.3f ms\n", r + 1, f, fl, p);
    }
    if (picksMissed > 0) {
        std::fprintf(stderr, "bench_frame: %d of %d picks missed the sphere\n", picksMissed, reps * picks);
        return 1;
    }
    std::printf("frame_ms: %.3f\n", median(frame));
    std::printf("floor_ms: %.3f\n", median(floor));
    std::printf("frame_ratio: %.3f\n", median(frameRatio));
    std::printf("fps_in_process: %.1f\n", 1000.0 / median(frame));
    std::printf("pick_ms: %.3f\n", median(pick));
    std::printf("pick_ratio: %.3f\n", median(pickRatio));
    return 0;
}
