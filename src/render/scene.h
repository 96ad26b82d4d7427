// The room scene: camera, the bobbing colour-drifting sphere, 87 textured quads.
#pragma once

#include <GL/gl.h>

// ---- Owned here: the sphere's animation, one step per drawShapes ----
extern int sphere_red, sphere_green, sphere_blue;  // current colour, 0..255 per channel
extern int random_red, random_green, random_blue;  // colour being drifted toward
extern float sphere_height;                        // height above rest, world units
extern int sphere_direct;                          // 1 rising, 0 sinking

// Selection names loaded in GL_SELECT mode.
enum SelectionName { kNameNothing = 0, kNameSphere = 1, kNameRoom = 2 };

// Draws camera, sphere and room, advancing colour drift and bounce by one
// step. In GL_SELECT mode also loads name 1 for the sphere and 2 for the room.
// Leaves the model-view matrix the identity and texturing enabled.
void drawShapes(GLenum mode);
// One step of the colour drift: each channel one unit toward its target; new
// targets (red, blue, green) once all three already matched.
void check_colors();
// One step of the bounce between 0 and just above 0.25; a reversal takes a step.
void bounceStep(float& height, int& direction);

// ---- The room's geometry, described once for drawing and for tests ----
enum RoomGroup {
    kFloor,
    kCeiling,
    kSideWalls,
    kEndWalls,
    kPlatformTop,
    kPlatformFront,
    kBlockFront,
    kBlockSide,
    kRoomGroupCount,
};

// Which texture slot a group shows and the inclusive ranges of its loops.
struct RoomGroupLoops {
    int slot;
    int iFirst, iLast;
    int jFirst, jLast;
};
extern const RoomGroupLoops kRoomGroups[kRoomGroupCount];

struct RoomQuad {
    double normal[3];
    float corner[4][3];  // texture coordinates are (0,0) (1,0) (1,1) (0,1) in corner order
};
// The quad of `group` at loop indices i and j (j is ignored by one-loop groups).
RoomQuad roomQuad(RoomGroup group, int i, int j);
