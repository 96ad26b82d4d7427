// Window, persistent OpenGL state and the per-frame loop (display, idle, reshape).
#pragma once

#include <GL/gl.h>

// ---- Owned here: the window and the light, fixed once at start-up ----
constexpr int kWindowWidth = 1024;  // requested window width, pixels
constexpr int kWindowHeight = 768;  // requested window height, pixels
extern int window;                  // id from glutCreateWindow; the quit keys destroy it

constexpr float l1z_pos = 3.5f;        // light 1 sits this far behind the eye
extern GLfloat specular[4];            // material specular colour
extern GLfloat shininess[1];           // material shininess
extern GLfloat LightAmbient[4];        // light 1 ambient colour
extern GLfloat LightDiffuse[4];        // light 1 diffuse colour
extern GLfloat LightPosition[4];       // light 1 position in eye space (w = 1: a point light)

// ---- Reserved: part of the world state, read and written by nothing yet ----
extern int light1_on;
extern int directional_key;
extern float cursor_z;
extern float x_camera;
extern float z_camera;
extern int y_angle;
extern GLfloat xrot, xspeed, yspeed, walkbias, walkbiasangle, lookupdown;

// Loads the textures, centres the pointer and sets every piece of OpenGL
// state that stays for the whole run: depth, shading, projection, material, light.
void InitGL();
// GLUT reshape callback: viewport and projection for a w x h window (h 0 taken as 1).
void reshape(int w, int h);
// GLUT idle callback: asks for the next frame.
void Idle();
// GLUT display callback: scene, verb cursor, swap.
void display();
// Display callback for the window made before game mode: it only clears, since
// the game draws in the game-mode window whenever game mode is active.
void displayBlank();
