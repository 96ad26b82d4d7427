// Picking and the mouse buttons.
#include "input/mouse.h"

#include <AL/al.h>
#include <GL/glu.h>
#include <GL/glut.h>

#include <iostream>

#include "assets/openal_mac.h"
#include "input/verb.h"
#include "render/scene.h"
#include "shell/frame.h"

int objectID = 0;
int isSphereNoisy = 0;

// Room for eight hit records of four words; the scene makes at most two.
constexpr int kSelectBufferSize = 32;

int nearestHit(const GLuint* selectBuffer, int objectsFound)
{
    if (objectsFound <= 0) {
        return kNameNothing;  // nothing hit, or the buffer overflowed
    }
    GLuint lowestDepth = selectBuffer[1];
    int selectedObject = static_cast<int>(selectBuffer[3]);
    for (int i = 1; i < objectsFound && 4 * i + 3 < kSelectBufferSize; ++i) {
        if (selectBuffer[4 * i + 1] < lowestDepth) {
            lowestDepth = selectBuffer[4 * i + 1];
            selectedObject = static_cast<int>(selectBuffer[4 * i + 3]);
        }
    }
    return selectedObject;
}

int retrieveObjectID(int x, int y)
{
    int objectsFound = 0;
    GLint viewportCoords[4] = {0, 0, 0, 0};
    GLuint selectBuffer[kSelectBufferSize] = {};

    glSelectBuffer(kSelectBufferSize, selectBuffer);
    glGetIntegerv(GL_VIEWPORT, viewportCoords);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glRenderMode(GL_SELECT);
    glLoadIdentity();
    gluPickMatrix(static_cast<double>(x), static_cast<double>(viewportCoords[3] - y), 2, 2,
                  viewportCoords);
    // Picking keeps the start-up aspect and looks further than the display does.
    gluPerspective(45.0, static_cast<float>(kWindowWidth) / static_cast<float>(kWindowHeight), 0.1f,
                   150.0);
    glMatrixMode(GL_MODELVIEW);
    drawShapes(GL_SELECT);
    objectsFound = glRenderMode(GL_RENDER);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    return nearestHit(selectBuffer, objectsFound);
}

void processMouse(int button, int state, int x, int y)
{
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN) {
        objectID = retrieveObjectID(x, y);
        if (objectID == kNameSphere && cursor_type == DO) {
            if (isSphereNoisy == 0) {
                alSourcePlay(source[1]);
                isSphereNoisy = 1;
            } else if (isSphereNoisy == 1) {
                alSourceStop(source[1]);
                isSphereNoisy = 0;
            }
        }
        glutPostRedisplay();
    } else if (button == GLUT_MIDDLE_BUTTON) {
        std::cout << "Middle button" << std::endl;
    } else if (button == GLUT_RIGHT_BUTTON && state == GLUT_DOWN) {
        advanceVerb();
        glutPostRedisplay();
    }
}
