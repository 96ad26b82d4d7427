// The scene and the overlay against real OpenGL (Mesa) on a private Xvfb: calls made, names, state left.
#include <gtest/gtest.h>

#include <GL/glu.h>
#include <GL/freeglut.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <vector>

#include "assets/LoadGLTextures.h"
#include "harness.h"
#include "input/mouse.h"
#include "input/walk.h"
#include "render/cursor.h"
#include "render/scene.h"
#include "shell/frame.h"

// Counts of the GL calls the scene makes, gathered through linker wrappers
// that pass every call on to the real library.
namespace {
struct CallCounts {
    int quadBatches = 0;
    int vertices = 0;
    int spheres = 0;
    std::vector<GLuint> names;
} calls;
}  // namespace

extern "C" {
void __real_glBegin(GLenum mode);
void __real_glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void __real_glLoadName(GLuint name);
void __real_glutSolidSphere(double radius, GLint slices, GLint stacks);

void __wrap_glBegin(GLenum mode)
{
    if (mode == GL_QUADS) {
        ++calls.quadBatches;
    }
    __real_glBegin(mode);
}
void __wrap_glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    ++calls.vertices;
    __real_glVertex3f(x, y, z);
}
void __wrap_glLoadName(GLuint name)
{
    calls.names.push_back(name);
    __real_glLoadName(name);
}
void __wrap_glutSolidSphere(double radius, GLint slices, GLint stacks)
{
    ++calls.spheres;
    __real_glutSolidSphere(radius, slices, stacks);
}
}

namespace {

// One X server and one GL window for the whole test program.
class GlWindow : public ::testing::Environment {
public:
    void SetUp() override
    {
        x_ = e2e::XServer::xvfb();
        ASSERT_TRUE(x_) << "Xvfb did not start";
        ASSERT_EQ(chdir(KELVARINE_ASSET_DIR), 0);
        std::string display = x_->display();
        std::vector<char*> argv = {const_cast<char*>("test_scene_gl"), const_cast<char*>("-display"),
                                   display.data(), nullptr};
        int argc = 3;
        glutInit(&argc, argv.data());
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH | GLUT_RGBA);
        glutInitWindowSize(kWindowWidth, kWindowHeight);
        window = glutCreateWindow("Kelvarine scene test");
        InitGL();
    }
    void TearDown() override
    {
        glutDestroyWindow(window);
        glutExit();  // closes the X connection before its server goes away
        x_.reset();
    }

private:
    std::unique_ptr<e2e::XServer> x_;
};

const auto* const kWindow = ::testing::AddGlobalTestEnvironment(new GlWindow);

std::vector<GLfloat> matrix(GLenum which)
{
    std::vector<GLfloat> m(16);
    glGetFloatv(which, m.data());
    return m;
}

bool isIdentity(const std::vector<GLfloat>& m)
{
    for (int i = 0; i < 16; ++i) {
        if (m[i] != (i % 5 == 0 ? 1.0f : 0.0f)) {
            return false;
        }
    }
    return true;
}

class SceneGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        calls = CallCounts{};
        xpos = 0.0f;
        zpos = 3.0f;
        yrot = heading = 0.0f;
        x_angle = 0;
        sphere_height = 0.1f;
        sphere_direct = 1;
        glMatrixMode(GL_MODELVIEW);
        glDisable(GL_TEXTURE_2D);
    }
};

TEST_F(SceneGl, RenderPassDraws87QuadsAndOneSphereWithoutNames)
{
    drawShapes(GL_RENDER);
    EXPECT_EQ(calls.quadBatches, 3);  // floor, ceiling, everything of wood
    EXPECT_EQ(calls.vertices, 87 * 4);
    EXPECT_EQ(calls.spheres, 1);
    EXPECT_TRUE(calls.names.empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    EXPECT_TRUE(isIdentity(matrix(GL_MODELVIEW_MATRIX)));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture[kTexWalls]);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0] + clear[1] + clear[2] + clear[3], 4.0f);
    EXPECT_NE(sphere_height, 0.1f);  // the bounce advanced
}

TEST_F(SceneGl, SelectionPassNamesTheSphereThenTheRoom)
{
    GLuint buffer[32] = {};
    glSelectBuffer(32, buffer);
    glRenderMode(GL_SELECT);
    drawShapes(GL_SELECT);
    const GLint hits = glRenderMode(GL_RENDER);
    ASSERT_EQ(hits, 2);
    EXPECT_EQ(buffer[0], 1u);
    EXPECT_EQ(buffer[3], static_cast<GLuint>(kNameSphere));
    EXPECT_EQ(buffer[4], 1u);
    EXPECT_EQ(buffer[7], static_cast<GLuint>(kNameRoom));
    EXPECT_EQ(calls.names, (std::vector<GLuint>{kNameSphere, kNameRoom}));
}

// Window pixel (GLUT's, origin top-left) of the sphere's centre at the start view.
void sphereOnScreen(int& x, int& y)
{
    GLdouble model[16], proj[16];
    GLint viewport[4] = {0, 0, kWindowWidth, kWindowHeight};
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45.0, 1024.0 / 768.0, 0.1, 150.0);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, -0.5f, -3.0f);
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glPopMatrix();
    GLdouble wx, wy, wz;
    gluProject(0.0, sphere_height + 0.5, 0.5, model, proj, viewport, &wx, &wy, &wz);
    x = static_cast<int>(std::lround(wx));
    y = kWindowHeight - static_cast<int>(std::lround(wy));
}

TEST_F(SceneGl, PickingFindsSphereRoomOrNothingAndRestoresState)
{
    const std::vector<GLfloat> projection = matrix(GL_PROJECTION_MATRIX);
    int sx, sy;
    sphereOnScreen(sx, sy);
    EXPECT_EQ(retrieveObjectID(sx, sy), kNameSphere) << sx << "," << sy;
    EXPECT_EQ(retrieveObjectID(100, 700), kNameRoom);  // the floor near the player

    // From outside the room, looking away from it, nothing is under the pointer.
    zpos = 10.0f;
    yrot = 180.0f;
    EXPECT_EQ(retrieveObjectID(512, 384), kNameNothing);

    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetIntegerv(GL_RENDER_MODE, &mode);
    EXPECT_EQ(mode, GL_RENDER);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneGl, CursorOverlayRestoresBothMatrices)
{
    drawShapes(GL_RENDER);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);  // something that is not the identity
    const std::vector<GLfloat> model = matrix(GL_MODELVIEW_MATRIX);
    const std::vector<GLfloat> projection = matrix(GL_PROJECTION_MATRIX);
    calls = CallCounts{};
    draw_cursor(0, 0);
    EXPECT_EQ(calls.vertices, 4);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), model);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glLoadIdentity();
}

TEST_F(SceneGl, ReshapeToZeroHeightKeepsAFiniteProjection)
{
    reshape(640, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 1);
    for (GLfloat v : matrix(GL_PROJECTION_MATRIX)) {
        EXPECT_TRUE(std::isfinite(v));
    }
    reshape(800, 600);
    const std::vector<GLfloat> p = matrix(GL_PROJECTION_MATRIX);
    // Aspect 4:3: the x scale is the y scale divided by the aspect.
    EXPECT_NEAR(p[0], p[5] / (800.0f / 600.0f), 1e-5f);
    EXPECT_TRUE(isIdentity(matrix(GL_MODELVIEW_MATRIX)));
    reshape(kWindowWidth, kWindowHeight);
}

}  // namespace
