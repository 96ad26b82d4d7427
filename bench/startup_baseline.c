/* The least a game of this kind does before its first frame: GLUT and ALUT
 * initialised, a 1024x768 double-buffered window, one cleared frame swapped
 * from the display callback once the window is shown. The start-up benchmark
 * times the game against this. */
#include <AL/alut.h>
#include <GL/glut.h>

static void display(void)
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH | GLUT_RGBA);
    glutInitWindowSize(1024, 768);
    alutInit(&argc, argv);
    glutCreateWindow("baseline");
    glutDisplayFunc(display);
    glutMainLoop();
    return 0;
}
