// End-to-end harness: runs the real game under its own X server and drives it like a player.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// waitExit() result while the process is still running after the timeout.
constexpr int kStillRunning = -1;

// A directory under /tmp that is removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A child process started by fork/exec, with stdout and stderr in files. Only this
// process is ever signalled, by its own PID.
class Process {
public:
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& workDir, const std::string& outFile, const std::string& errFile,
            int inheritFd = -1);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Exit status, 128 + signal number when killed by a signal, or kStillRunning.
    int wait(double timeoutSeconds);
    bool running() { return wait(0) == kStillRunning; }
    // SIGTERM, then SIGKILL if it has not gone after a grace period.
    void stop();
    int pid() const { return pid_; }

private:
    int pid_ = -1;
    int status_ = kStillRunning;
};

// Runs a shell command and returns its standard output; `status` receives its exit status.
std::string shell(const std::string& command, int* status = nullptr);

// One X server per test: freeglut does not redraw a covered window, so games sharing a
// display disturb each other.
class XServer {
public:
    // Xvfb with one screen of the given size; the server picks a free display itself.
    static std::unique_ptr<XServer> xvfb(int width = 1024, int height = 768);
    // Xorg with the dummy video driver: the only server here on which GLUT game mode can
    // change the video mode. Returns null and sets `why` if it cannot start.
    static std::unique_ptr<XServer> xorgDummy(std::string* why);
    ~XServer();

    const std::string& display() const { return display_; }
    // Runs a shell command with DISPLAY pointing at this server; returns its exit status.
    int run(const std::string& command) const;
    // Same, returning the command's standard output.
    std::string capture(const std::string& command, int* status = nullptr) const;

private:
    XServer() = default;
    bool start(std::vector<std::string> argv, double timeoutSeconds, std::string* why);

    TempDir dir_;
    std::unique_ptr<Process> process_;
    std::string display_;
};

struct Rgb {
    int r = 0, g = 0, b = 0;
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

struct RegionStats {
    double mean[3] = {0, 0, 0};    // R, G, B
    double stddev[3] = {0, 0, 0};  // R, G, B
    long pixels = 0;
    // Largest standard deviation over the three channels: near 0 for a flat colour.
    double maxStddev() const;
};

// An RGB picture. Coordinates given to it are in the frame of whatever it was taken of
// (screen or game window); `left`/`top` say where its first pixel lies in that frame.
struct Image {
    int width = 0, height = 0;
    int left = 0, top = 0;
    std::vector<unsigned char> rgb;

    bool contains(int x, int y) const;
    Rgb at(int x, int y) const;
    // Statistics over the part of `r` that the picture covers.
    RegionStats stats(const Rect& r) const;
    RegionStats stats() const { return stats({left, top, width, height}); }
    bool savePng(const std::string& path) const;
    static Image readPpm(const std::string& path);
};

// Whole-screen screenshot of a display.
Image screenshot(const XServer& x);

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

struct GameOptions {
    // Working directory, from which the game reads its images and sounds; empty means
    // the generated asset folder.
    std::string workDir;
    std::vector<std::string> args;
    // OpenAL Soft backend. "wave" records the mix to wavFile() in real time; any other
    // name is passed as is ("null" plays silently, an unknown name leaves no device).
    std::string soundDriver = "wave";
    int sampleRate = 22050;
    // Preloads the shim that logs every alSourcePlay/alSourceStop (see alCalls()).
    bool logAlCalls = false;
    // Further LD_PRELOAD objects, colon-separated.
    std::string preload;
    // NAME=VALUE pairs applied last, overriding everything above.
    std::vector<std::pair<std::string, std::string>> env;
};

// The game binary running on an X server, with its own temporary folder for shader
// cache, sound recording and logs.
class Game {
public:
    explicit Game(const XServer& x, GameOptions options = {});
    ~Game();

    std::string out() const;
    std::string err() const;
    bool waitForOutput(const std::string& text, double timeoutSeconds) const;
    // Waits until a visible window with this title exists and remembers it as the one
    // that mouse coordinates refer to.
    bool waitForWindow(const std::string& title, double timeoutSeconds);
    // Position of the remembered window's inside on the screen, and its size.
    Geometry windowGeometry() const;
    int waitExit(double timeoutSeconds) { return process_->wait(timeoutSeconds); }
    bool running() { return process_->running(); }
    // Process id of the game, e.g. to read its /proc/PID/status.
    int pid() const { return process_->pid(); }

    // Input through XTEST, as a player would give it. Keys take X keysym names.
    void key(const std::string& keysym) const;
    void keyDown(const std::string& keysym) const;
    void keyUp(const std::string& keysym) const;
    // Pointer position in the game window's pixels (origin top-left).
    void mouseMove(int x, int y) const;
    void mouseMoveRelative(int dx, int dy) const;
    void click(int button) const;
    void mouseDown(int button) const;
    void mouseUp(int button) const;
    // Lets the game draw a few frames after an input.
    static void settle(int milliseconds = 150);

    // Screenshot cut to the part of the game window on screen, in window coordinates.
    Image windowShot() const;
    // RMS amplitude of the recorded sound over [start, start + length) seconds.
    double rms(double startSeconds, double lengthSeconds) const;
    std::string wavFile() const { return dir_.file("out.wav"); }
    // Lines "play N" / "stop N" for each alSourcePlay / alSourceStop, in call order.
    std::vector<std::string> alCalls() const;
    const TempDir& dir() const { return dir_; }

private:
    void xdotool(const std::string& args) const;

    const XServer& x_;
    TempDir dir_;
    std::string windowId_;
    Geometry geometry_;
    std::unique_ptr<Process> process_;
};

// Copies the generated images and sounds into `dir`, so a test can alter or remove some.
void copyAssets(const std::string& dir);

// Reads a whole file; empty if it does not exist.
std::string readFile(const std::string& path);

}  // namespace e2e
