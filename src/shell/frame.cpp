// Frame loop and the OpenGL state the whole run relies on.
#include "shell/frame.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include "assets/LoadGLTextures.h"
#include "input/keyboard.h"
#include "render/cursor.h"
#include "render/scene.h"

int window = 0;

GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
GLfloat shininess[1] = {100.0f};
GLfloat LightAmbient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
GLfloat LightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
GLfloat LightPosition[4] = {0.0f, 0.5f, l1z_pos, 1.0f};

int light1_on = 0;
int directional_key = 0;
float cursor_z = 0.0f;
float x_camera = 0.0f;
float z_camera = -3.0f;
int y_angle = 0;
GLfloat xrot = 0.0f, xspeed = 0.0f, yspeed = 0.0f, walkbias = 0.0f, walkbiasangle = 0.0f,
        lookupdown = 0.0f;

void InitGL()
{
    LoadGLTextures(texture);
    glutWarpPointer(kWindowWidth / 2, kWindowHeight / 2);

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    glViewport(0, 0, kWindowWidth, kWindowHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<float>(kWindowWidth) / static_cast<float>(kWindowHeight), 0.1f,
                   100.0);
    glMatrixMode(GL_MODELVIEW);

    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);

    // Given once while the model-view matrix is the identity, so the light
    // stays fixed relative to the eye and travels with the player.
    glLightfv(GL_LIGHT1, GL_AMBIENT, LightAmbient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, LightDiffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, LightPosition);
    if (is_light_on == 1) {
        glEnable(GL_LIGHTING);
    }
    glEnable(GL_LIGHT1);
}

void reshape(int w, int h)
{
    if (h == 0) {
        h = 1;  // a minimised window must not divide the aspect by zero
    }
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<float>(w) / static_cast<float>(h), 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Idle()
{
    glutPostRedisplay();
}

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawShapes(GL_RENDER);

    // The verb cursor is laid over the finished scene at half opacity and
    // must not hide anything from the next frame's depth test.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    draw_cursor(mouse_x, mouse_y);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);

    glutSwapBuffers();
    glFlush();
}

void displayBlank()
{
    glClear(GL_COLOR_BUFFER_BIT);
    glutSwapBuffers();
}
