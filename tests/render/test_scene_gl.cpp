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
// One corner as it reached OpenGL: the normal and texture coordinate current
// at its glVertex3f, and the vertex itself.
struct Corner {
    double normal[3];
    float tex[2];
    float vertex[3];
};
// What OpenGL saw when the sphere was drawn.
struct SphereCall {
    GLfloat modelview[16];
    GLfloat colour[4];
};
struct CallCounts {
    int quadBatches = 0;
    int vertices = 0;
    int spheres = 0;
    std::vector<GLuint> names;
    std::vector<GLint> batchTextures;  // texture bound at each glBegin(GL_QUADS)
    std::vector<Corner> corners;
    std::vector<SphereCall> sphereCalls;
    double normal[3] = {0, 0, 1};
    float tex[2] = {0, 0};
} calls;
}  // namespace

extern "C" {
void __real_glBegin(GLenum mode);
void __real_glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void __real_glNormal3d(GLdouble x, GLdouble y, GLdouble z);
void __real_glTexCoord2f(GLfloat s, GLfloat t);
void __real_glLoadName(GLuint name);
void __real_glutSolidSphere(double radius, GLint slices, GLint stacks);

void __wrap_glBegin(GLenum mode)
{
    if (mode == GL_QUADS) {
        ++calls.quadBatches;
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        calls.batchTextures.push_back(bound);
    }
    __real_glBegin(mode);
}
void __wrap_glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    ++calls.vertices;
    calls.corners.push_back({{calls.normal[0], calls.normal[1], calls.normal[2]},
                             {calls.tex[0], calls.tex[1]},
                             {x, y, z}});
    __real_glVertex3f(x, y, z);
}
void __wrap_glNormal3d(GLdouble x, GLdouble y, GLdouble z)
{
    calls.normal[0] = x, calls.normal[1] = y, calls.normal[2] = z;
    __real_glNormal3d(x, y, z);
}
void __wrap_glTexCoord2f(GLfloat s, GLfloat t)
{
    calls.tex[0] = s, calls.tex[1] = t;
    __real_glTexCoord2f(s, t);
}
void __wrap_glLoadName(GLuint name)
{
    calls.names.push_back(name);
    __real_glLoadName(name);
}
void __wrap_glutSolidSphere(double radius, GLint slices, GLint stacks)
{
    ++calls.spheres;
    SphereCall sphere;
    glGetFloatv(GL_MODELVIEW_MATRIX, sphere.modelview);
    glGetFloatv(GL_CURRENT_COLOR, sphere.colour);
    calls.sphereCalls.push_back(sphere);
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
        lights_on = 0;
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

TEST_F(SceneGl, RoomQuadsCarryTheirNormalsTextureCoordinatesAndTextures)
{
    drawShapes(GL_RENDER);
    // Floor, ceiling, then every wooden surface in one batch.
    EXPECT_EQ(calls.batchTextures, (std::vector<GLint>{static_cast<GLint>(texture[kTexFloor]),
                                                       static_cast<GLint>(texture[kTexCeiling]),
                                                       static_cast<GLint>(texture[kTexWalls])}));
    static const float kTex[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    std::vector<Corner> expected;
    for (int g = 0; g < kRoomGroupCount; ++g) {
        const RoomGroupLoops& loops = kRoomGroups[g];
        for (int i = loops.iFirst; i <= loops.iLast; ++i) {
            for (int j = loops.jFirst; j <= loops.jLast; ++j) {
                const RoomQuad q = roomQuad(static_cast<RoomGroup>(g), i, j);
                for (int c = 0; c < 4; ++c) {
                    expected.push_back({{q.normal[0], q.normal[1], q.normal[2]},
                                        {kTex[c][0], kTex[c][1]},
                                        {q.corner[c][0], q.corner[c][1], q.corner[c][2]}});
                }
            }
        }
    }
    ASSERT_EQ(calls.corners.size(), expected.size());
    for (size_t k = 0; k < expected.size(); ++k) {
        const Corner& got = calls.corners[k];
        const Corner& want = expected[k];
        SCOPED_TRACE("corner " + std::to_string(k) + " of quad " + std::to_string(k / 4));
        for (int a = 0; a < 3; ++a) {
            ASSERT_EQ(got.normal[a], want.normal[a]);
            ASSERT_EQ(got.vertex[a], want.vertex[a]);
        }
        ASSERT_EQ(got.tex[0], want.tex[0]);
        ASSERT_EQ(got.tex[1], want.tex[1]);
    }
    // The last quad's normal stays current, for the cursor drawn after the scene.
    GLfloat normal[4];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_EQ(normal[0], -1.0f);
    EXPECT_EQ(normal[1], 0.0f);
    EXPECT_EQ(normal[2], 0.0f);
}

// Where the sphere's centre lands in eye space for a camera state: the scene is
// pitched, then yawed by 360 - yrot, then moved by (-xpos, -0.5, -zpos).
TEST_F(SceneGl, CameraPutsTheSphereWhereThePlayerShouldSeeIt)
{
    const struct {
        const char* what;
        int pitch;
        float yaw, x, z;
        float eye[3];
    } cases[] = {
        {"start: ahead, 2.5 away, 0.1 above the eye", 0, 0, 0, 3, {0, 0.1f, -2.5f}},
        {"moved right and nearer", 0, 0, 1, 2, {-1, 0.1f, -1.5f}},
        {"turned left 90 degrees: on the right", 0, 90, 0, 3, {2.5f, 0.1f, 0}},
        {"moved, then turned: the turn is about the eye", 0, 90, 1, 2, {1.5f, 0.1f, -1}},
        {"turned, then pitched 90: the pitch is about the eye's own x", 90, 90, 0, 3, {2.5f, 0, 0.1f}},
        {"pitched down 90 facing the sphere", 90, 0, 0, 3, {0, 2.5f, 0.1f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        calls = CallCounts{};
        x_angle = c.pitch;
        yrot = c.yaw;
        xpos = c.x;
        zpos = c.z;
        sphere_height = 0.1f;
        sphere_direct = 1;
        drawShapes(GL_RENDER);
        ASSERT_EQ(calls.sphereCalls.size(), 1u);
        const GLfloat* m = calls.sphereCalls[0].modelview;
        // The centre is drawn at the height from before this call's bounce step.
        EXPECT_NEAR(m[12], c.eye[0], 1e-5f);
        EXPECT_NEAR(m[13], c.eye[1], 1e-5f);
        EXPECT_NEAR(m[14], c.eye[2], 1e-5f);
        EXPECT_NEAR(sphere_height, 0.105f, 1e-6f);
    }
    x_angle = 0;
}

TEST_F(SceneGl, SphereShowsTheDriftedColourAndTheRoomIsWhiteUnlessTinted)
{
    for (int tint : {0, 1}) {
        SCOPED_TRACE(tint ? "tinted" : "white");
        calls = CallCounts{};
        lights_on = tint;
        sphere_red = 100, sphere_green = 51, sphere_blue = 0;
        random_red = 200, random_green = 0, random_blue = 0;
        drawShapes(GL_RENDER);
        // The drift step comes before the sphere is coloured.
        ASSERT_EQ(calls.sphereCalls.size(), 1u);
        const GLfloat* colour = calls.sphereCalls[0].colour;
        EXPECT_EQ(colour[0], static_cast<float>(101 / 255.0));
        EXPECT_EQ(colour[1], static_cast<float>(50 / 255.0));
        EXPECT_EQ(colour[2], 0.0f);
        GLfloat room[4];
        glGetFloatv(GL_CURRENT_COLOR, room);
        if (tint) {
            EXPECT_EQ(room[0], colour[0]);
            EXPECT_EQ(room[1], colour[1]);
            EXPECT_EQ(room[2], colour[2]);
        } else {
            EXPECT_EQ(room[0] + room[1] + room[2], 3.0f);
        }
    }
    lights_on = 0;
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
    EXPECT_EQ(calls.vertices, 87 * 4);
    EXPECT_EQ(calls.spheres, 1);
}

TEST_F(SceneGl, PickingAdvancesTheBounceAndTheDriftByOneStep)
{
    sphere_red = 10, random_red = 20;
    sphere_green = random_green = 30;
    sphere_blue = 40, random_blue = 0;
    retrieveObjectID(512, 384);
    EXPECT_NEAR(sphere_height, 0.105f, 1e-6f);
    EXPECT_EQ(sphere_red, 11);
    EXPECT_EQ(sphere_green, 30);
    EXPECT_EQ(sphere_blue, 39);
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
