// Walking and the other special keys.
#include "input/walk.h"

#include <AL/al.h>
#include <GL/glut.h>
#include <GL/glx.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <cmath>
#include <iostream>

#include "assets/openal_mac.h"

int x_angle = 0;
float yrot = 0.0f;
float heading = 0.0f;
float xpos = 0.0f;
float zpos = 3.0f;
const float piover180 = 0.0174532925f;
Vector3D egoPosition(0.0f, 0.0f, 3.0f);
Vector3D egoVelocity(0.0f, 0.0f, 0.05f);
const float egoRadius = 1.5f;
int isDirectionalKeyDown = 0;
int fullscreen = 1;
int window_xpos = 20, window_ypos = 20;
int window_xsize = 800, window_ysize = 600;
int lights_on = 0;

// The only obstacle: the plane z = 0, seen from both of its sides.
static const Vector3D world_normals[2] = {Vector3D(0.0f, 0.0f, -1.0f), Vector3D(0.0f, 0.0f, 1.0f)};

// A step's displacement for the current heading; also egoVelocity's x and z.
static void stepDisplacement(float& dx, float& dz)
{
    const float a = heading * piover180;
    const float s = static_cast<float>(std::sin(static_cast<double>(a)));
    const float c = static_cast<float>(std::cos(static_cast<double>(a)));
    dx = s * 0.05f;
    dz = c * 0.05f;
}

bool stepPlayer(bool forward)
{
    const Vector3D egoPosAfter = forward ? egoPosition - egoVelocity : egoPosition + egoVelocity;
    bool is_collision = false;
    for (int i = 0; i < 2; ++i) {
        const float D0 = egoPosition.dotProduct(world_normals[i]);
        const float D1 = egoPosAfter.dotProduct(world_normals[i]);
        if (forward) {
            std::cout << "i: " << i << " ";
        }
        std::cout << "D0: " << D0 << " D1: " << D1 << std::endl;
        if (egoRadius > std::fabs(D1)) {
            std::cout << "The sphere is too close to the plane!" << std::endl;
            is_collision = true;
        }
        if ((D0 > 0 && D1 < 0) || (D0 < 0 && D1 > 0)) {
            std::cout << "The sphere passed through the plane" << std::endl;
            is_collision = true;
        }
    }
    if (is_collision) {
        return false;
    }

    egoPosition = egoPosAfter;
    float dx, dz;
    stepDisplacement(dx, dz);
    if (forward) {
        xpos = xpos - dx;
        zpos = zpos - dz;
    } else {
        xpos = xpos + dx;
        zpos = zpos + dz;
    }
    std::cout << (forward ? "UP" : "DOWN") << " ego Position: ";
    egoPosition.printComponents();
    std::cout << "xpos: " << xpos << " zpos: " << zpos << "\n" << std::endl;
    return true;
}

void turnPlayer(float degrees)
{
    heading = heading + degrees;
    yrot = heading;
    float dx, dz;
    stepDisplacement(dx, dz);
    egoVelocity.setVector(dx, 0.0f, dz);
}

int tiltedAngle(int angle, int delta)
{
    return (angle + delta) % 360;
}

void tiltView(int delta)
{
    x_angle = tiltedAngle(x_angle, delta);
}

void toggleRoomTint()
{
    lights_on = lights_on == 1 ? 0 : 1;
}

static void walk(bool forward)
{
    if (stepPlayer(forward) && isDirectionalKeyDown == 0) {
        alSourcePlay(source[0]);
        isDirectionalKeyDown = 1;
    }
    glutPostRedisplay();
}

static void toggleFullScreen()
{
    fullscreen = fullscreen == 0 ? 1 : 0;
    if (fullscreen == 1) {
        window_xpos = glutGet(GLUT_WINDOW_X);
        window_ypos = glutGet(GLUT_WINDOW_Y);
        window_xsize = glutGet(GLUT_WINDOW_WIDTH);
        window_ysize = glutGet(GLUT_WINDOW_HEIGHT);
        glutFullScreen();
    } else {
        glutReshapeWindow(window_xsize, window_ysize);
        glutPositionWindow(window_xpos, window_ypos);
    }
    glutPostRedisplay();
}

// Set when the X server cannot deliver auto-repeat as presses alone: its
// repeats then come as release-and-press pairs while the key stays held.
static bool repeatsComeAsReleasePressPairs = false;

void useDetectableKeyRepeat()
{
    Display* display = glXGetCurrentDisplay();
    if (display != nullptr) {
        Bool supported = False;
        const Bool set = XkbSetDetectableAutoRepeat(display, True, &supported);
        repeatsComeAsReleasePressPairs = set != True || supported != True;
    }
}

// Whether a release of a walking key is only the first half of an auto-repeat:
// without detectable auto-repeat the key is then still down on the server, or
// the repeat's press is already waiting as the next event.
static bool isRepeatRelease(int key)
{
    Display* display = glXGetCurrentDisplay();
    if (!repeatsComeAsReleasePressPairs || display == nullptr) {
        return false;
    }
    // A round trip: events the server sent before its answer are queued after it.
    char keys[32];
    XQueryKeymap(display, keys);
    XEvent next;
    const bool pressQueued = XEventsQueued(display, QueuedAlready) > 0 &&
                             (XPeekEvent(display, &next), next.type == KeyPress);
    const KeySym main = key == GLUT_KEY_UP ? XK_Up : XK_Down;
    const KeySym keypad = key == GLUT_KEY_UP ? XK_KP_Up : XK_KP_Down;
    for (const KeySym sym : {main, keypad}) {
        const KeyCode code = XKeysymToKeycode(display, sym);
        if (code == 0) {
            continue;
        }
        if ((keys[code >> 3] & (1 << (code & 7))) != 0 || (pressQueued && next.xkey.keycode == code)) {
            return true;
        }
    }
    return false;
}

void specialKeys(int key, int, int)
{
    switch (key) {
    case GLUT_KEY_F1:
        toggleFullScreen();
        break;
    case GLUT_KEY_F3:
        toggleRoomTint();  // the idle loop's next frame shows it
        break;
    case GLUT_KEY_LEFT:
        turnPlayer(2.0f);
        glutPostRedisplay();
        break;
    case GLUT_KEY_RIGHT:
        turnPlayer(-2.0f);
        glutPostRedisplay();
        break;
    case GLUT_KEY_UP:
        walk(true);
        break;
    case GLUT_KEY_DOWN:
        walk(false);
        break;
    case GLUT_KEY_PAGE_UP:
        tiltView(-5);
        glutPostRedisplay();
        break;
    case GLUT_KEY_PAGE_DOWN:
        tiltView(5);
        glutPostRedisplay();
        break;
    default:
        break;
    }
}

void specialKeysUp(int key, int, int)
{
    switch (key) {
    case GLUT_KEY_UP:
    case GLUT_KEY_DOWN:
        if (isRepeatRelease(key)) {
            break;  // the key is held: the footsteps go on with the repeated steps
        }
        alSourceStop(source[0]);
        isDirectionalKeyDown = 0;
        glutPostRedisplay();
        break;
    case GLUT_KEY_LEFT:
    case GLUT_KEY_RIGHT:
        glutPostRedisplay();
        break;
    default:
        break;
    }
}
