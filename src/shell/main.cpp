// Program entry: window, game mode, start-up of textures and sound, callbacks, main loop.
#include <AL/alut.h>
#include <GL/glut.h>

#include <cstdio>

#include "assets/openal_mac.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "input/walk.h"
#include "render/cursor.h"
#include "shell/frame.h"

int main(int argc, char** argv)
{
    // Line-buffer standard output even into a pipe or file, so every console
    // line arrives as it is written, in order, whichever way it was printed.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH | GLUT_RGBA);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    alutInit(&argc, argv);
    window = glutCreateWindow("Kelvarine");
    // freeglut refuses to run a window without a display callback. When game
    // mode succeeds the game draws in the game-mode window and this one stays
    // behind it; when game mode fails this one is the game's window and gets
    // the real callbacks below.
    glutDisplayFunc(displayBlank);
    glutGameModeString("1024x768:24@72");
    glutEnterGameMode();
    glutSetCursor(GLUT_CURSOR_NONE);

    InitGL();
    openal_init();

    glutReshapeFunc(reshape);
    glutIdleFunc(Idle);
    glutDisplayFunc(display);
    glutMouseFunc(processMouse);
    glutPassiveMotionFunc(PassiveMouseFunc);
    glutMotionFunc(MovingMouseFunc);
    glutEntryFunc(EntryFunc);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(specialKeys);
    glutSpecialUpFunc(specialKeysUp);
    useDetectableKeyRepeat();

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glutMainLoop();
    return 0;
}
