// The verb cursor: a half-transparent square over the scene, moved by relative pointer motion.
#pragma once

// ---- Owned here: pointer tracking and the square's place ----
extern int mouse_entry;                  // 1 while the pointer is inside the window
extern int mouse_x, mouse_y;             // last passive pointer position, window pixels
extern float cursor_x, cursor_y;         // square's lower-left corner, overlay units (0..1)
extern float old_x, old_y;               // pointer position of the last applied motion, pixels
extern const float mouse_sensitivity;    // overlay units per pixel, horizontally
extern const float mouse_sensitivity_y;  // overlay units per pixel, vertically
extern const float cursor_size;          // side of the square, overlay units

// Texture slot showing verb `verb`: DO 0, LOOK 1, TALK 2, anything else LOOK's.
int cursorTextureSlot(int verb);

// Draws the square with the current verb's image on top of the frame and asks
// for the next frame. x and y are accepted but do not place the square.
void draw_cursor(int x, int y);
// GLUT passive motion: moves the square by the pointer's motion while inside.
void PassiveMouseFunc(int x, int y);
// GLUT motion with a button held: ignored, the square stands still in a drag.
void MovingMouseFunc(int x, int y);
// GLUT entry: tracks whether the pointer is inside and logs each change.
void EntryFunc(int state);
