// Unit tests of the texture set's rules that need no GL context: format, row alignment, slot files.
#include <gtest/gtest.h>

#include "assets/LoadGLTextures.h"
#include "assets/LoadTGA.h"

namespace {

TEST(TextureFormat, FollowsTheImageDepth)
{
    EXPECT_EQ(static_cast<GLenum>(GL_RGB), textureFormat(24));
    EXPECT_EQ(static_cast<GLenum>(GL_RGBA), textureFormat(32));
}

struct AlignmentCase {
    GLuint bpp;
    GLuint width;
    GLint alignment;
};

class UploadAlignment : public ::testing::TestWithParam<AlignmentCase> {};

// GL reads each row from a start rounded up to the unpack alignment; the last row
// ends after width * bpp / 8 bytes. Whatever alignment is chosen, that extent must
// stay within the decoded block, and rows that already fill whole words keep the
// default alignment of 4.
TEST_P(UploadAlignment, ReadsNoFurtherThanThePixelBlock)
{
    const AlignmentCase c = GetParam();
    const GLuint height = 3;
    TGAImageRec image{nullptr, c.bpp, c.width, height};

    const GLint alignment = uploadAlignment(image);
    EXPECT_EQ(c.alignment, alignment);

    const unsigned long rowBytes = static_cast<unsigned long>(c.width) * (c.bpp / 8);
    const unsigned long stride = (rowBytes + alignment - 1) / alignment * alignment;
    EXPECT_LE(stride * (height - 1) + rowBytes, rowBytes * height);
}

INSTANTIATE_TEST_SUITE_P(Widths, UploadAlignment,
                         ::testing::Values(AlignmentCase{24, 1, 1}, AlignmentCase{24, 2, 1},
                                           AlignmentCase{24, 3, 1}, AlignmentCase{24, 4, 4},
                                           AlignmentCase{24, 5, 1}, AlignmentCase{24, 64, 4},
                                           AlignmentCase{24, 65535, 1}, AlignmentCase{32, 1, 4},
                                           AlignmentCase{32, 3, 4}, AlignmentCase{32, 65535, 4}));

// The generator writes these names and the scene and cursor bind by slot, so a
// swapped entry would put the floor on the ceiling or a wrong verb on the cursor.
TEST(TextureFiles, EachSlotReadsItsOwnImage)
{
    EXPECT_STREQ("do_alpha32.tga", kTextureFiles[kTexCursorDo]);
    EXPECT_STREQ("eye_alpha.tga", kTextureFiles[kTexCursorLook]);
    EXPECT_STREQ("talk_alpha32.tga", kTextureFiles[kTexCursorTalk]);
    EXPECT_STREQ("wood-1.tga", kTextureFiles[kTexWalls]);
    EXPECT_STREQ("hardwoodfloor32.tga", kTextureFiles[kTexFloor]);
    EXPECT_STREQ("ceiling.tga", kTextureFiles[kTexCeiling]);
}

}  // namespace
