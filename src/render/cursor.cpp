// Verb cursor overlay: drawing and pointer tracking.
#include "render/cursor.h"

#include <GL/glut.h>

#include <iostream>

#include "assets/LoadGLTextures.h"
#include "input/verb.h"
#include "shell/frame.h"

int mouse_entry = 1;
int mouse_x = 0;
int mouse_y = kWindowHeight;
float cursor_x = 0.0f;
float cursor_y = 0.0f;
float old_x = 0.0f;
float old_y = static_cast<float>(kWindowHeight);
// Close to 1/1024 and 1/768: the square's corner tracks the hidden pointer
// within half a percent on a 1024 x 768 screen.
const float mouse_sensitivity = 0.0009799849f;
const float mouse_sensitivity_y = 0.0013f;
const float cursor_size = 0.05f;

int cursorTextureSlot(int verb)
{
    switch (verb) {
    case DO:
        return kTexCursorDo;
    case TALK:
        return kTexCursorTalk;
    default:
        return kTexCursorLook;
    }
}

void draw_cursor(int, int)
{
    glBindTexture(GL_TEXTURE_2D, texture[cursorTextureSlot(cursor_type)]);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    // z = 1 is the near face of the box: the square passes the depth test
    // over everything the scene drew.
    glBegin(GL_QUADS);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(cursor_x, cursor_y, 1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(cursor_x + cursor_size, cursor_y, 1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(cursor_x + cursor_size, cursor_y + cursor_size, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(cursor_x, cursor_y + cursor_size, 1.0f);
    glEnd();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();

    glutPostRedisplay();
}

void PassiveMouseFunc(int x, int y)
{
    mouse_x = x;
    mouse_y = y;
    if (mouse_entry == 1) {
        const float fx = static_cast<float>(x);
        const float fy = static_cast<float>(y);
        cursor_x = cursor_x + (fx - old_x) * mouse_sensitivity;
        // Window y grows downwards, the overlay's upwards.
        cursor_y = cursor_y + (-mouse_sensitivity_y) * (fy - old_y);
        old_x = fx;
        old_y = fy;
    }
}

void MovingMouseFunc(int, int)
{
}

void EntryFunc(int state)
{
    if (state == GLUT_LEFT) {
        mouse_entry = 0;
        std::cout << "Mouse left: " << mouse_entry << std::endl;
    } else {
        mouse_entry = 1;
        std::cout << "Mouse entered: " << mouse_entry << std::endl;
    }
}
