// openal_init against a real OpenAL Soft device (null backend): what it leaves
// behind, how it copes with bad sound files, and when it ends the process.
#include <AL/alut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/openal_mac.h"

namespace fs = std::filesystem;

namespace {

const char kBuffersMade[] = "init() - No errors yet.\n";
const char kSourcesMade[] = "init - no errors after alGenSources\n";

// What a WAV file's own header says about its samples.
struct WavFacts {
    int channels = 0;
    int bits = 0;
    int rate = 0;
    int dataBytes = 0;
};

std::uint32_t le(const std::string& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

// Walks the RIFF chunks for "fmt " and "data".
WavFacts readWavFacts(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string b{std::istreambuf_iterator<char>(in), {}};
    WavFacts f;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::string tag = b.substr(at, 4);
        const std::uint32_t len = le(b, at + 4, 4);
        if (tag == "fmt " && at + 24 <= b.size()) {
            f.channels = static_cast<int>(le(b, at + 10, 2));
            f.rate = static_cast<int>(le(b, at + 12, 4));
            f.bits = static_cast<int>(le(b, at + 22, 2));
        } else if (tag == "data") {
            f.dataBytes = static_cast<int>(len);
        }
        at += 8 + len + (len & 1);
    }
    return f;
}

ALint bufferInt(ALuint b, ALenum what) {
    ALint v = -1;
    alGetBufferi(b, what, &v);
    return v;
}

ALint sourceInt(ALuint s, ALenum what) {
    ALint v = -1;
    alGetSourcei(s, what, &v);
    return v;
}

ALfloat sourceFloat(ALuint s, ALenum what) {
    ALfloat v = -1;
    alGetSourcef(s, what, &v);
    return v;
}

void expectTriple(const ALfloat* got, const ALfloat* want) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(got[i], want[i]) << "component " << i;
}

// A folder holding copies of the generated sounds, made the working directory
// while openal_init runs, since it reads its files from there.
class SoundFolder {
public:
    SoundFolder() {
        char pattern[] = "/tmp/kelvarine_al_XXXXXX";
        path_ = mkdtemp(pattern);
        for (const char* name : {kFootstepsFile, kSphereSoundFile})
            fs::copy_file(fs::path(KELVARINE_ASSET_DIR) / name, path_ / name);
    }
    ~SoundFolder() { fs::remove_all(path_); }
    fs::path file(const char* name) const { return path_ / name; }

    // Runs openal_init inside the folder and returns what it printed.
    std::string runOpenalInit() const {
        const fs::path before = fs::current_path();
        fs::current_path(path_);
        std::fflush(stdout);
        testing::internal::CaptureStdout();
        openal_init();
        std::fflush(stdout);
        const std::string out = testing::internal::GetCapturedStdout();
        fs::current_path(before);
        return out;
    }

private:
    fs::path path_;
};

class OpenalInit : public testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("ALSOFT_DRIVERS", "null", 1);  // a real device that plays nothing aloud
        unsetenv("ALSOFT_CONF");
        ASSERT_EQ(AL_TRUE, alutInit(nullptr, nullptr)) << alutGetErrorString(alutGetError());
    }
    static void TearDownTestSuite() { alutExit(); }
};

TEST_F(OpenalInit, LeavesTwoLoopingSourcesReadyOnTheirFilesBuffers) {
    SoundFolder folder;
    EXPECT_EQ(std::string(kBuffersMade) + kSourcesMade, folder.runOpenalInit());
    ASSERT_EQ(AL_NO_ERROR, alGetError());

    ALfloat v[6];
    alGetListenerfv(AL_POSITION, v);
    expectTriple(v, listenerPos);
    alGetListenerfv(AL_VELOCITY, v);
    expectTriple(v, listenerVel);
    alGetListenerfv(AL_ORIENTATION, v);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(v[i], listenerOri[i]) << "orientation " << i;

    ASSERT_NE(buffer[0], buffer[1]);
    ASSERT_NE(source[0], source[1]);
    const char* const files[2] = {kFootstepsFile, kSphereSoundFile};
    const ALfloat* const positions[2] = {source0Pos, source1Pos};
    const ALfloat* const velocities[2] = {source0Vel, source1Vel};
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(files[k]);
        ASSERT_TRUE(alIsSource(source[k]));
        ASSERT_TRUE(alIsBuffer(buffer[k]));
        EXPECT_EQ(AL_TRUE, sourceInt(source[k], AL_LOOPING));
        EXPECT_EQ(1.0f, sourceFloat(source[k], AL_PITCH));
        EXPECT_EQ(1.0f, sourceFloat(source[k], AL_GAIN));
        EXPECT_EQ(AL_INITIAL, sourceInt(source[k], AL_SOURCE_STATE));
        alGetSourcefv(source[k], AL_POSITION, v);
        expectTriple(v, positions[k]);
        alGetSourcefv(source[k], AL_VELOCITY, v);
        expectTriple(v, velocities[k]);
        EXPECT_EQ(static_cast<ALint>(buffer[k]), sourceInt(source[k], AL_BUFFER));

        const WavFacts wav = readWavFacts(folder.file(files[k]));
        ASSERT_GT(wav.dataBytes, 0);
        EXPECT_EQ(wav.rate, bufferInt(buffer[k], AL_FREQUENCY));
        EXPECT_EQ(wav.bits, bufferInt(buffer[k], AL_BITS));
        EXPECT_EQ(wav.channels, bufferInt(buffer[k], AL_CHANNELS));
        EXPECT_EQ(wav.dataBytes, bufferInt(buffer[k], AL_SIZE));
    }
    EXPECT_NE(bufferInt(buffer[0], AL_SIZE), bufferInt(buffer[1], AL_SIZE))
        << "both buffers hold the same sound";

    // Each source plays on its own, keeps playing (it loops), and stops.
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(files[k]);
        alSourcePlay(source[k]);
        usleep(50 * 1000);
        EXPECT_EQ(AL_PLAYING, sourceInt(source[k], AL_SOURCE_STATE));
        EXPECT_NE(AL_PLAYING, sourceInt(source[1 - k], AL_SOURCE_STATE));
        alSourceStop(source[k]);
        EXPECT_EQ(AL_STOPPED, sourceInt(source[k], AL_SOURCE_STATE));
    }
    EXPECT_EQ(AL_NO_ERROR, alGetError());
}

enum class Fault { Missing, Text, Truncated };

struct BadSoundCase {
    const char* name;
    std::vector<std::pair<const char*, Fault>> damaged;  // in load order
};

// A bad file costs its own buffer only: the buffer stays empty, one line names
// the file, and the set-up goes on. A failed second load must not hand the
// first file's (already released) samples on to its buffer.
TEST_F(OpenalInit, BadSoundFileLeavesOnlyItsBufferEmptyAndNamesIt) {
    const std::vector<BadSoundCase> cases = {
        {"second_missing", {{kSphereSoundFile, Fault::Missing}}},
        {"second_text", {{kSphereSoundFile, Fault::Text}}},
        {"first_truncated", {{kFootstepsFile, Fault::Truncated}}},
        {"both_missing", {{kFootstepsFile, Fault::Missing}, {kSphereSoundFile, Fault::Missing}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SoundFolder folder;
        bool bad[2] = {false, false};
        std::string errorLines;
        for (const auto& [file, fault] : c.damaged) {
            const fs::path path = folder.file(file);
            if (fault == Fault::Missing) {
                fs::remove(path);
            } else if (fault == Fault::Text) {
                std::ofstream(path) << "not a sound\n";
            } else {
                fs::resize_file(path, fs::file_size(path) / 2);
            }
            bad[std::string(file) == kSphereSoundFile] = true;
            errorLines += std::string("Error: could not load sound file ") + file + "\n";
        }

        EXPECT_EQ(kBuffersMade + errorLines + kSourcesMade, folder.runOpenalInit());
        alGetError();
        for (int k = 0; k < 2; ++k) {
            SCOPED_TRACE(k);
            const WavFacts wav = readWavFacts(folder.file(k == 0 ? kFootstepsFile : kSphereSoundFile));
            EXPECT_EQ(bad[k] ? 0 : wav.dataBytes, bufferInt(buffer[k], AL_SIZE));
            EXPECT_EQ(static_cast<ALint>(buffer[k]), sourceInt(source[k], AL_BUFFER));
            EXPECT_EQ(AL_TRUE, sourceInt(source[k], AL_LOOPING));
            // The game may still play and stop the source; an empty one stays silent.
            alSourcePlay(source[k]);
            EXPECT_EQ(bad[k] ? AL_STOPPED : AL_PLAYING, sourceInt(source[k], AL_SOURCE_STATE));
            alSourceStop(source[k]);
            EXPECT_EQ(AL_NO_ERROR, alGetError());
        }
    }
}

// Death tests re-run the binary, so each child opens (or does not open) its own device.
class OpenalInitExit : public testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// A working folder for a death test's child. The child ends through exit, which
// runs no destructors, so the folder is removed by an exit handler instead.
fs::path childFolderRemovedAtExit() {
    static fs::path path;
    char pattern[] = "/tmp/kelvarine_al_XXXXXX";
    path = mkdtemp(pattern);
    std::atexit([] {
        std::error_code ec;
        fs::remove_all(path, ec);
    });
    fs::current_path(path);
    return path;
}

// Sends what the set-up prints to stderr, which the death test matches; what
// the test runner printed before is flushed to the old stdout first.
void stdoutJoinsStderr() {
    std::fflush(stdout);
    dup2(2, 1);
}

TEST_F(OpenalInitExit, WithoutAnAudioContextPrintsOnlyTheBufferErrorAndEndsWithOne) {
    // No alutInit, so there is no context and buffer creation fails. The folder
    // has no sound files: any attempt to read one would print a line of its own.
    EXPECT_EXIT(
        {
            childFolderRemovedAtExit();
            stdoutJoinsStderr();
            openal_init();
        },
        testing::ExitedWithCode(1), "^- Error creating buffers !!\n$");
}

TEST_F(OpenalInitExit, WhenSourcesCannotBeMadePrintsTheSourceErrorAndEndsWithTwo) {
    EXPECT_EXIT(
        {
            const fs::path dir = childFolderRemovedAtExit();
            for (const char* name : {kFootstepsFile, kSphereSoundFile})
                fs::copy_file(fs::path(KELVARINE_ASSET_DIR) / name, dir / name);
            // OpenAL Soft's source limit of one makes the request for two fail.
            std::ofstream(dir / "alsoft.conf") << "[general]\nsources = 1\n";
            setenv("ALSOFT_DRIVERS", "null", 1);
            setenv("ALSOFT_CONF", (dir / "alsoft.conf").c_str(), 1);
            if (alutInit(nullptr, nullptr) != AL_TRUE) std::exit(99);
            stdoutJoinsStderr();
            openal_init();
        },
        // OpenAL Soft may add its own complaint about the device left open.
        testing::ExitedWithCode(2),
        "^init\\(\\) - No errors yet\\.\n- Error creating sources !!\n(AL lib: [^\n]*\n)*$");
}

}  // namespace
