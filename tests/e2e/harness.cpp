// End-to-end harness: X servers, the game process, input, screenshots and sound measurement.
#include "harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Quotes a word for /bin/sh.
std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// The current environment with NAME=VALUE entries replaced or added.
std::vector<std::string> environmentWith(const std::vector<std::pair<std::string, std::string>>& set) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        bool overridden = false;
        for (const auto& kv : set)
            overridden = overridden || kv.first == name;
        if (!overridden)
            env.push_back(entry);
    }
    for (const auto& kv : set)
        env.push_back(kv.first + "=" + kv.second);
    return env;
}

}  // namespace

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TempDir::TempDir() {
    char templ[] = "/tmp/kelvarine-e2e-XXXXXX";
    if (!mkdtemp(templ))
        throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& workDir, const std::string& outFile, const std::string& errFile,
                 int inheritFd) {
    // Everything the child needs is prepared before fork: between fork and exec only
    // async-signal-safe calls are allowed.
    std::vector<char*> cargv, cenv;
    for (const auto& a : argv)
        cargv.push_back(const_cast<char*>(a.c_str()));
    cargv.push_back(nullptr);
    for (const auto& e : env)
        cenv.push_back(const_cast<char*>(e.c_str()));
    cenv.push_back(nullptr);

    int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int devnull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (out < 0 || err < 0 || devnull < 0)
        throw std::runtime_error("cannot open output files for " + argv[0]);

    pid_ = fork();
    if (pid_ == 0) {
        // A process group of its own keeps terminal signals meant for the test away.
        setpgid(0, 0);
        dup2(devnull, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (inheritFd >= 0)
            fcntl(inheritFd, F_SETFD, 0);
        if (!workDir.empty() && chdir(workDir.c_str()) != 0)
            _exit(126);
        execve(cargv[0], cargv.data(), cenv.data());
        _exit(127);
    }
    close(out);
    close(err);
    close(devnull);
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
}

Process::~Process() { stop(); }

int Process::wait(double timeoutSeconds) {
    auto start = Clock::now();
    while (status_ == kStillRunning) {
        int st = 0;
        pid_t r = waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            break;
        }
        if (r < 0 || secondsSince(start) >= timeoutSeconds)
            break;
        sleepMs(10);
    }
    return status_;
}

void Process::stop() {
    if (pid_ <= 0 || wait(0) != kStillRunning)
        return;
    kill(pid_, SIGTERM);
    if (wait(3) != kStillRunning)
        return;
    kill(pid_, SIGKILL);
    wait(5);
}

std::string shell(const std::string& command, int* status) {
    std::string output;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        if (status)
            *status = -1;
        return output;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        output.append(buf, n);
    int st = pclose(p);
    if (status)
        *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return output;
}

// --- X servers ---------------------------------------------------------------

std::unique_ptr<XServer> XServer::xvfb(int width, int height) {
    std::unique_ptr<XServer> x(new XServer);
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::string why;
    if (!x->start({"/usr/bin/Xvfb", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, 15, &why))
        throw std::runtime_error("Xvfb did not start: " + why);
    return x;
}

std::unique_ptr<XServer> XServer::xorgDummy(std::string* why) {
    if (!fs::exists("/usr/lib/xorg/modules/drivers/dummy_drv.so")) {
        *why = "the Xorg dummy video driver is not installed";
        return nullptr;
    }
    if (geteuid() != 0) {
        *why = "Xorg on the dummy driver needs root here";
        return nullptr;
    }
    std::unique_ptr<XServer> x(new XServer);
    // The dummy driver offers exactly the mode the game asks for, so GLUT's
    // XF86VidMode switch succeeds.
    std::ofstream(x->dir_.file("xorg.conf")) << R"(Section "ServerFlags"
    Option "AutoAddDevices" "false"
EndSection
Section "Monitor"
    Identifier "Monitor0"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
    Modeline "1024x768_72" 77.10 1024 1048 1184 1328 768 771 777 806
EndSection
Section "Device"
    Identifier "Card0"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Screen"
    Identifier "Screen0"
    Device "Card0"
    Monitor "Monitor0"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "1024x768_72"
        Virtual 1024 768
    EndSubSection
EndSection
)";
    if (!x->start({"/usr/bin/Xorg", "-config", x->dir_.file("xorg.conf"), "-logfile", x->dir_.file("Xorg.log"),
                   "-nolisten", "tcp", "-noreset", "-novtswitch", "-sharevts"},
                  20, why)) {
        std::string log = readFile(x->dir_.file("Xorg.log"));
        auto ee = log.find("(EE)");
        if (ee != std::string::npos)
            *why += "; log: " + log.substr(ee, 300);
        return nullptr;
    }
    return x;
}

// Starts the server with -displayfd: it chooses a free display number itself and
// writes it to the pipe once it accepts connections, so there is no race with other
// servers on this machine.
bool XServer::start(std::vector<std::string> argv, double timeoutSeconds, std::string* why) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *why = "pipe failed";
        return false;
    }
    argv.insert(argv.begin() + 1, {"-displayfd", std::to_string(fds[1])});
    process_ = std::make_unique<Process>(argv, environmentWith({}), dir_.path(), dir_.file("server.out"),
                                         dir_.file("server.err"), fds[1]);
    close(fds[1]);

    std::string number;
    bool complete = false;
    auto start = Clock::now();
    while (!complete && secondsSince(start) < timeoutSeconds) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char c;
        if (read(fds[0], &c, 1) != 1)
            break;  // the server closed the pipe: it has exited
        if (c == '\n')
            complete = true;
        else
            number += c;
    }
    close(fds[0]);
    if (!complete || number.empty()) {
        int status = process_->wait(1);
        *why = argv[0] + (status == kStillRunning ? " gave no display number in time"
                                                 : " exited with status " + std::to_string(status)) +
               ": " + readFile(dir_.file("server.err")).substr(0, 400);
        return false;
    }
    display_ = ":" + number;
    return true;
}

XServer::~XServer() { process_.reset(); }

int XServer::run(const std::string& command) const {
    int status = 0;
    capture(command, &status);
    return status;
}

std::string XServer::capture(const std::string& command, int* status) const {
    return shell("DISPLAY=" + display_ + " " + command, status);
}

// --- Images ------------------------------------------------------------------

double RegionStats::maxStddev() const { return std::max({stddev[0], stddev[1], stddev[2]}); }

bool Image::contains(int x, int y) const {
    return x >= left && y >= top && x < left + width && y < top + height;
}

Rgb Image::at(int x, int y) const {
    if (!contains(x, y))
        throw std::out_of_range("pixel outside the picture");
    const unsigned char* p = &rgb[3 * (static_cast<size_t>(y - top) * width + (x - left))];
    return {p[0], p[1], p[2]};
}

RegionStats Image::stats(const Rect& r) const {
    RegionStats s;
    double sum[3] = {0, 0, 0}, sq[3] = {0, 0, 0};
    for (int y = std::max(r.y, top); y < std::min(r.y + r.height, top + height); ++y) {
        for (int x = std::max(r.x, left); x < std::min(r.x + r.width, left + width); ++x) {
            Rgb c = at(x, y);
            const int v[3] = {c.r, c.g, c.b};
            for (int i = 0; i < 3; ++i) {
                sum[i] += v[i];
                sq[i] += double(v[i]) * v[i];
            }
            ++s.pixels;
        }
    }
    if (s.pixels == 0)
        return s;
    for (int i = 0; i < 3; ++i) {
        s.mean[i] = sum[i] / s.pixels;
        s.stddev[i] = std::sqrt(std::max(0.0, sq[i] / s.pixels - s.mean[i] * s.mean[i]));
    }
    return s;
}

Image Image::readPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    Image img;
    in >> magic >> img.width >> img.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || img.width <= 0 || img.height <= 0)
        throw std::runtime_error("not an 8-bit binary PPM: " + path);
    img.rgb.resize(static_cast<size_t>(img.width) * img.height * 3);
    in.read(reinterpret_cast<char*>(img.rgb.data()), img.rgb.size());
    if (!in)
        throw std::runtime_error("truncated PPM: " + path);
    return img;
}

bool Image::savePng(const std::string& path) const {
    std::string ppm = path + ".ppm";
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << width << " " << height << "\n255\n";
        out.write(reinterpret_cast<const char*>(rgb.data()), rgb.size());
    }
    int status = 0;
    shell("convert " + quote(ppm) + " " + quote(path) + " 2>&1", &status);
    std::remove(ppm.c_str());
    return status == 0;
}

Image screenshot(const XServer& x) {
    TempDir dir;
    std::string ppm = dir.file("shot.ppm");
    int status = 0;
    std::string msg = x.capture("import -window root -depth 8 " + quote("ppm:" + ppm) + " 2>&1", &status);
    if (status != 0)
        throw std::runtime_error("screenshot failed: " + msg);
    return Image::readPpm(ppm);
}

// --- The game ----------------------------------------------------------------

Game::Game(const XServer& x, GameOptions options) : x_(x) {
    std::vector<std::pair<std::string, std::string>> env = {
        {"DISPLAY", x.display()},
        // Mesa's shader cache would otherwise land in the user's home and be shared.
        {"XDG_CACHE_HOME", dir_.file("cache")},
        {"ALSOFT_DRIVERS", options.soundDriver},
    };
    if (options.soundDriver == "wave") {
        std::ofstream(dir_.file("alsoft.conf")) << "[general]\nsample-type = int16\nchannels = mono\nfrequency = "
                                                << options.sampleRate << "\n[wave]\nfile = " << wavFile() << "\n";
        env.push_back({"ALSOFT_CONF", dir_.file("alsoft.conf")});
    }
    std::string preload = options.preload;
    if (options.logAlCalls) {
        preload = std::string(KELVARINE_AL_SHIM) + (preload.empty() ? "" : ":" + preload);
        env.push_back({"KELVARINE_AL_LOG", dir_.file("al.log")});
    }
    if (!preload.empty())
        env.push_back({"LD_PRELOAD", preload});
    for (const auto& kv : options.env)
        env.push_back(kv);

    std::vector<std::string> argv = {KELVARINE_BINARY};
    argv.insert(argv.end(), options.args.begin(), options.args.end());
    std::string workDir = options.workDir.empty() ? std::string(KELVARINE_ASSET_DIR) : options.workDir;
    process_ = std::make_unique<Process>(argv, environmentWith(env), workDir, dir_.file("stdout"),
                                         dir_.file("stderr"));
}

Game::~Game() { process_.reset(); }

std::string Game::out() const { return readFile(dir_.file("stdout")); }
std::string Game::err() const { return readFile(dir_.file("stderr")); }

bool Game::waitForOutput(const std::string& text, double timeoutSeconds) const {
    auto start = Clock::now();
    do {
        if (out().find(text) != std::string::npos)
            return true;
        sleepMs(20);
    } while (secondsSince(start) < timeoutSeconds);
    return false;
}

bool Game::waitForWindow(const std::string& title, double timeoutSeconds) {
    // freeglut sets neither _NET_WM_PID nor WM_CLASS, so the title is all there is.
    // Short searches, so that a game that dies during start-up fails the wait at once.
    auto start = Clock::now();
    windowId_.clear();
    while (windowId_.empty()) {
        if (!process_->running() || secondsSince(start) >= timeoutSeconds)
            return false;
        std::istringstream ids(x_.capture("timeout 0.5 xdotool search --sync --onlyvisible --name " +
                                          quote("^" + title + "$") + " 2>/dev/null"));
        ids >> windowId_;
    }
    std::istringstream shellVars(x_.capture("xdotool getwindowgeometry --shell " + windowId_));
    std::string line;
    while (std::getline(shellVars, line)) {
        auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string name = line.substr(0, eq);
        int value = std::atoi(line.c_str() + eq + 1);
        if (name == "X")
            geometry_.x = value;
        else if (name == "Y")
            geometry_.y = value;
        else if (name == "WIDTH")
            geometry_.width = value;
        else if (name == "HEIGHT")
            geometry_.height = value;
    }
    return true;
}

Geometry Game::windowGeometry() const { return geometry_; }

void Game::xdotool(const std::string& args) const {
    int status = 0;
    std::string msg = x_.capture("timeout 10 xdotool " + args + " 2>&1", &status);
    if (status != 0)
        throw std::runtime_error("xdotool " + args + " failed: " + msg);
}

void Game::key(const std::string& keysym) const { xdotool("key " + quote(keysym)); }
void Game::keyDown(const std::string& keysym) const { xdotool("keydown " + quote(keysym)); }
void Game::keyUp(const std::string& keysym) const { xdotool("keyup " + quote(keysym)); }

void Game::mouseMove(int x, int y) const {
    xdotool("mousemove " + std::to_string(geometry_.x + x) + " " + std::to_string(geometry_.y + y));
}

void Game::mouseMoveRelative(int dx, int dy) const {
    xdotool("mousemove_relative -- " + std::to_string(dx) + " " + std::to_string(dy));
}

void Game::click(int button) const { xdotool("click " + std::to_string(button)); }
void Game::mouseDown(int button) const { xdotool("mousedown " + std::to_string(button)); }
void Game::mouseUp(int button) const { xdotool("mouseup " + std::to_string(button)); }

void Game::settle(int milliseconds) { sleepMs(milliseconds); }

Image Game::windowShot() const {
    Image screen = screenshot(x_);
    // Keep only the window's part of the screen; window pixel (x, y) is screen pixel
    // (x + geometry.x, y + geometry.y), and the window may hang off the screen's edge.
    int x0 = std::max(0, geometry_.x), y0 = std::max(0, geometry_.y);
    int x1 = std::min(screen.width, geometry_.x + geometry_.width);
    int y1 = std::min(screen.height, geometry_.y + geometry_.height);
    Image w;
    w.width = std::max(0, x1 - x0);
    w.height = std::max(0, y1 - y0);
    w.left = x0 - geometry_.x;
    w.top = y0 - geometry_.y;
    for (int y = y0; y < y1; ++y) {
        auto row = screen.rgb.begin() + 3 * (static_cast<size_t>(y) * screen.width + x0);
        w.rgb.insert(w.rgb.end(), row, row + 3 * w.width);
    }
    return w;
}

double Game::rms(double startSeconds, double lengthSeconds) const {
    // The game ends through exit() without closing the device, so the WAV header may be
    // unfinished; --ignore-length reads whatever samples are there.
    char range[64];
    std::snprintf(range, sizeof range, "%.3f %.3f", startSeconds, lengthSeconds);
    int status = 0;
    std::string report = shell("sox --ignore-length " + quote(wavFile()) + " -n trim " + range + " stat 2>&1", &status);
    auto at = report.find("RMS     amplitude:");
    if (status != 0 || at == std::string::npos)
        throw std::runtime_error("sox could not measure " + wavFile() + ": " + report);
    return std::atof(report.c_str() + at + std::strlen("RMS     amplitude:"));
}

std::vector<std::string> Game::alCalls() const {
    std::vector<std::string> calls;
    std::istringstream in(readFile(dir_.file("al.log")));
    std::string line;
    while (std::getline(in, line))
        calls.push_back(line);
    return calls;
}

void copyAssets(const std::string& dir) {
    for (const auto& entry : fs::directory_iterator(KELVARINE_ASSET_DIR))
        if (entry.is_regular_file())
            fs::copy_file(entry.path(), fs::path(dir) / entry.path().filename(),
                          fs::copy_options::overwrite_existing);
}

}  // namespace e2e
