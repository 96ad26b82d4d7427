// LoadGLTextures: decode the six images, then upload each into its slot.
#include "assets/LoadGLTextures.h"

#include <iostream>

#include "assets/LoadTGA.h"

GLuint texture[32] = {};
TGAImageRec* textures[32] = {};

const char* const kTextureFiles[kTextureCount] = {
    "do_alpha32.tga", "eye_alpha.tga",       "talk_alpha32.tga",
    "wood-1.tga",     "hardwoodfloor32.tga", "ceiling.tga",
};

GLenum textureFormat(GLuint bpp)
{
    return bpp == 24 ? GL_RGB : GL_RGBA;
}

GLint uploadAlignment(const TGAImageRec& image)
{
    const unsigned long rowBytes = static_cast<unsigned long>(image.sizeX) * (image.bpp / 8);
    return rowBytes % 4 == 0 ? 4 : 1;
}

void LoadGLTextures(GLuint* tex)
{
    // All decoding first, so every loader message precedes the upload lines.
    // The decoded images are kept for the whole run, reachable from `textures`
    // so that a leak check at exit does not count them as lost.
    TGAImageRec* local_tex[kTextureCount];
    for (int i = 0; i < kTextureCount; ++i) {
        local_tex[i] = LoadTGA(kTextureFiles[i]);
        textures[i] = local_tex[i];
    }

    for (int i = 0; i < kTextureCount; ++i) {
        glGenTextures(1, &tex[i]);
        glBindTexture(GL_TEXTURE_2D, tex[i]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

        const TGAImageRec* image = local_tex[i];
        if (image == nullptr) {
            continue;  // the loader has named the file; the slot stays bindable but empty
        }
        const GLenum type = textureFormat(image->bpp);
        if (type != GL_RGB) {
            std::cout << "Texture " << i << " BPP: " << image->bpp << std::endl;
        }
        const GLint alignment = uploadAlignment(*image);
        if (alignment != 4) {
            glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
        }
        glTexImage2D(GL_TEXTURE_2D, 0, type, image->sizeX, image->sizeY, 0, type, GL_UNSIGNED_BYTE,
                     image->data);
        if (alignment != 4) {
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        }
    }
}
