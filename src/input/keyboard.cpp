// Character keys.
#include "input/keyboard.h"

#include <GL/glut.h>

#include <cstdlib>
#include <iostream>

#include "input/verb.h"
#include "input/walk.h"
#include "shell/frame.h"

int is_light_on = 1;

KeyCommand commandForKey(unsigned char key)
{
    switch (key) {
    case 9:
        return kKeyNextVerb;
    case 10:
        return kKeySawEnter;
    case 13:
        return kKeySawMacEnter;
    case 27:
        return kKeyQuitLeaveFirst;
    case 'L':
    case 'l':
        return kKeyToggleLight;
    case 'Q':
    case 'q':
        return kKeyQuitDestroyFirst;
    case 'X':
        return kKeyTiltUp;
    case 'x':
        return kKeyTiltDown;
    default:
        return kKeyNone;
    }
}

int toggleLightSwitch()
{
    is_light_on = is_light_on == 1 ? 0 : 1;
    return is_light_on;
}

void keyboard(unsigned char key, int, int)
{
    switch (commandForKey(key)) {
    case kKeyNextVerb:
        advanceVerb();
        glutPostRedisplay();
        break;
    case kKeySawEnter:
        std::cout << "Saw ENTER" << std::endl;
        break;
    case kKeySawMacEnter:
        std::cout << "Saw Mac ENTER" << std::endl;
        break;
    case kKeyQuitLeaveFirst:
        glutLeaveGameMode();
        glutDestroyWindow(window);
        std::exit(0);
    case kKeyToggleLight:
        if (toggleLightSwitch() == 1) {
            glEnable(GL_LIGHTING);
        } else {
            glDisable(GL_LIGHTING);
        }
        break;
    case kKeyQuitDestroyFirst:
        glutDestroyWindow(window);
        glutLeaveGameMode();
        std::exit(0);
    case kKeyTiltUp:
        tiltView(-5);
        glutPostRedisplay();
        break;
    case kKeyTiltDown:
        tiltView(5);
        glutPostRedisplay();
        break;
    case kKeyNone:
        break;
    }
}
