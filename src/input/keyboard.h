// Character keys: quit, lighting, tilt, the verb, and two keys that only report themselves.
#pragma once

// ---- Owned here ----
extern int is_light_on;  // 1 while OpenGL lighting is enabled

// What a character key does.
enum KeyCommand {
    kKeyNone,
    kKeyNextVerb,         // Tab
    kKeySawEnter,         // line feed
    kKeySawMacEnter,      // carriage return
    kKeyQuitLeaveFirst,   // Esc: leave game mode, then destroy the window
    kKeyToggleLight,      // L, l
    kKeyQuitDestroyFirst, // Q, q: destroy the window, then leave game mode
    kKeyTiltUp,           // X: x_angle - 5
    kKeyTiltDown,         // x: x_angle + 5
};
KeyCommand commandForKey(unsigned char key);

// Flips is_light_on (any value but 1 counts as off); returns the new value.
int toggleLightSwitch();

// GLUT keyboard callback.
void keyboard(unsigned char key, int x, int y);
