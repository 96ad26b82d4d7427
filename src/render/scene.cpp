// drawShapes and the sphere's animation rules.
#include "render/scene.h"

#include <GL/glut.h>

#include "assets/LoadGLTextures.h"
#include "input/walk.h"
#include "shell/get_random.h"

int sphere_red = 255, sphere_green = 255, sphere_blue = 255;
// The first targets are drawn before main, red first: this seeds the generator.
int random_red = get_random(0, 255);
int random_green = get_random(0, 255);
int random_blue = get_random(0, 255);
float sphere_height = 0.0f;
int sphere_direct = 1;

const RoomGroupLoops kRoomGroups[kRoomGroupCount] = {
    {kTexFloor, 0, 4, 0, 4},    // floor tiles
    {kTexCeiling, 0, 4, 0, 4},  // ceiling tiles
    {kTexWalls, 0, 1, 0, 4},    // side walls: i picks the wall, j the tile
    {kTexWalls, 0, 1, 0, 4},    // end walls
    {kTexWalls, 0, 4, 0, 1},    // platform top over the back strip
    {kTexWalls, 2, 4, 0, 0},    // platform front, right of the corner block
    {kTexWalls, 0, 1, 0, 0},    // corner block front
    {kTexWalls, 0, 1, 0, 0},    // corner block side
};

RoomQuad roomQuad(RoomGroup group, int i, int j)
{
    const float fi = static_cast<float>(i);
    const float fj = static_cast<float>(j);
    const float wall = 5.0f * fi;       // 0 for the first wall of a pair, 5 for the second
    const double facing = 2 * i - 1.0;  // -1 for the first wall of a pair, +1 for the second
    switch (group) {
    case kFloor:
        return {{0, 1, 0}, {{fi - 2.5f, 0, fj}, {fi - 1.5f, 0, fj}, {fi - 1.5f, 0, fj - 1}, {fi - 2.5f, 0, fj - 1}}};
    case kCeiling:
        return {{0, -1, 0}, {{fi - 2.5f, 1, fj}, {fi - 1.5f, 1, fj}, {fi - 1.5f, 1, fj - 1}, {fi - 2.5f, 1, fj - 1}}};
    case kSideWalls:
        return {{facing, 0, 0},
                {{wall - 2.5f, 1, fj}, {wall - 2.5f, 0, fj}, {wall - 2.5f, 0, fj - 1}, {wall - 2.5f, 1, fj - 1}}};
    case kEndWalls:
        return {{0, 0, facing},
                {{fj - 1.5f, 1, wall - 1}, {fj - 1.5f, 0, wall - 1}, {fj - 2.5f, 0, wall - 1}, {fj - 2.5f, 1, wall - 1}}};
    case kPlatformTop:
        return {{0, 1, 0},
                {{fi - 2.5f, 0.25f, fj}, {fi - 1.5f, 0.25f, fj}, {fi - 1.5f, 0.25f, fj - 1}, {fi - 2.5f, 0.25f, fj - 1}}};
    case kPlatformFront:
        return {{0, 0, -1}, {{fi - 1.5f, 0.25f, 1}, {fi - 1.5f, 0, 1}, {fi - 2.5f, 0, 1}, {fi - 2.5f, 0.25f, 1}}};
    case kBlockFront:
        return {{0, 0, -1}, {{fi - 1.5f, 1, 1}, {fi - 1.5f, 0, 1}, {fi - 2.5f, 0, 1}, {fi - 2.5f, 1, 1}}};
    case kBlockSide:
    default:
        return {{-1, 0, 0}, {{-0.5f, 1, fi}, {-0.5f, 0, fi}, {-0.5f, 0, fi - 1}, {-0.5f, 1, fi - 1}}};
    }
}

static void emitGroup(RoomGroup group)
{
    static const float kTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const RoomGroupLoops& loops = kRoomGroups[group];
    for (int i = loops.iFirst; i <= loops.iLast; ++i) {
        for (int j = loops.jFirst; j <= loops.jLast; ++j) {
            const RoomQuad q = roomQuad(group, i, j);
            glNormal3d(q.normal[0], q.normal[1], q.normal[2]);
            for (int c = 0; c < 4; ++c) {
                glTexCoord2f(kTexCoords[c][0], kTexCoords[c][1]);
                glVertex3f(q.corner[c][0], q.corner[c][1], q.corner[c][2]);
            }
        }
    }
}

void bounceStep(float& height, int& direction)
{
    // The limit is tested before the step, so the extremes overshoot by one
    // step and each reversal spends a call of its own.
    if (direction == 1) {
        if (height < 0.25) {
            height = static_cast<float>(height + 0.005);
        } else {
            direction = 0;
        }
    } else {
        if (height > 0) {
            height = static_cast<float>(height - 0.005);
        } else {
            direction = 1;
        }
    }
}

static void driftChannel(int& channel, int target, int& correct_color)
{
    if (channel < target) {
        ++channel;
    } else if (channel > target) {
        --channel;
    } else {
        ++correct_color;
    }
}

void check_colors()
{
    int correct_color = 0;
    driftChannel(sphere_red, random_red, correct_color);
    driftChannel(sphere_green, random_green, correct_color);
    driftChannel(sphere_blue, random_blue, correct_color);
    if (correct_color > 2) {
        random_red = get_random(0, 255);
        random_blue = get_random(0, 255);
        random_green = get_random(0, 255);
    }
}

void drawShapes(GLenum mode)
{
    glInitNames();
    glPushName(0);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);

    glLoadIdentity();
    glPushMatrix();
    glRotatef(static_cast<float>(x_angle), 1.0f, 0.0f, 0.0f);
    glRotatef(360.0f - yrot, 0.0f, 1.0f, 0.0f);
    glRotatef(static_cast<float>(z_angle), 0.0f, 0.0f, 1.0f);
    glTranslatef(-xpos, y_camera, -zpos);

    glPushMatrix();
    if (mode == GL_SELECT) {
        glLoadName(kNameSphere);
    }
    check_colors();
    glColor3f(static_cast<float>(sphere_red / 255.0), static_cast<float>(sphere_green / 255.0),
              static_cast<float>(sphere_blue / 255.0));
    glTranslatef(0.0f, static_cast<float>(sphere_height + 0.5), 0.5f);
    glutSolidSphere(0.1, 20, 20);
    bounceStep(sphere_height, sphere_direct);
    glPopMatrix();

    // F3 tints the room in the sphere's colour, which is still current.
    if (lights_on == 0) {
        glColor3f(1.0f, 1.0f, 1.0f);
    }
    if (mode == GL_SELECT) {
        glLoadName(kNameRoom);
    }
    glEnable(GL_TEXTURE_2D);

    glBindTexture(GL_TEXTURE_2D, texture[kTexFloor]);
    glBegin(GL_QUADS);
    emitGroup(kFloor);
    glEnd();

    glBindTexture(GL_TEXTURE_2D, texture[kTexCeiling]);
    glBegin(GL_QUADS);
    emitGroup(kCeiling);
    glEnd();

    glBindTexture(GL_TEXTURE_2D, texture[kTexWalls]);
    glBegin(GL_QUADS);
    for (int g = kSideWalls; g < kRoomGroupCount; ++g) {
        emitGroup(static_cast<RoomGroup>(g));
    }
    glEnd();

    glPopMatrix();
}
