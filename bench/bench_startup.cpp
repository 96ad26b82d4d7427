// Start-up time of the game against a minimal GLUT + ALUT window program.
//
// Each run is timed from just before fork() to the first swap, which the
// preloaded swap probe waits for at the X server, logs on the monotonic clock
// and ends the process at. Game and baseline runs alternate; the first pair
// only warms the page cache and Mesa's shader cache and is not counted.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

double nowSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// Milliseconds from fork to the first swap of `program`, or a negative value
// when it did not swap within the time limit or failed.
double timeStartup(const std::string& program, const std::string& workDir, const std::string& preload,
                   const std::string& log)
{
    std::remove(log.c_str());
    const double start = nowSeconds();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return -1;
    }
    if (pid == 0) {
        if (chdir(workDir.c_str()) != 0) _exit(126);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        setenv("LD_PRELOAD", preload.c_str(), 1);
        setenv("KELVARINE_SWAP_LOG", log.c_str(), 1);
        setenv("KELVARINE_EXIT_AT_FIRST_SWAP", "1", 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    pid_t done = 0;
    for (int waited = 0; waited < 3000 && done == 0; ++waited) {
        done = waitpid(pid, &status, WNOHANG);
        if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        std::fprintf(stderr, "bench_startup: %s did not swap within 30 s\n", program.c_str());
        return -1;
    }
    std::ifstream in(log);
    unsigned long long swaps = 0;
    double swapped = 0;
    if (!(in >> swaps >> swapped) || swaps != 1) {
        std::fprintf(stderr, "bench_startup: %s ended without a swap (status %d)\n", program.c_str(), status);
        return -1;
    }
    return (swapped - start) * 1000.0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: bench_startup GAME BASELINE WORKDIR PRELOAD REPS\n");
        return 2;
    }
    const std::string game = argv[1], baseline = argv[2], workDir = argv[3], preload = argv[4];
    const int reps = std::atoi(argv[5]);
    char dirTemplate[] = "/tmp/bench_startup.XXXXXX";
    if (reps < 1 || mkdtemp(dirTemplate) == nullptr) {
        std::fprintf(stderr, "bench_startup: need REPS >= 1 and a temporary folder\n");
        return 2;
    }
    const std::string log = std::string(dirTemplate) + "/swap.log";

    std::vector<double> gameMs, baseMs, ratios;
    for (int r = 0; r <= reps; ++r) {
        // Alternate which goes first, so neither always follows the other.
        const bool gameFirst = r % 2 == 0;
        double g = 0, b = 0;
        for (int k = 0; k < 2; ++k) {
            if ((k == 0) == gameFirst) g = timeStartup(game, workDir, preload, log);
            else b = timeStartup(baseline, workDir, preload, log);
        }
        if (g < 0 || b < 0) {
            std::remove(log.c_str());
            rmdir(dirTemplate);
            return 1;
        }
        if (r == 0) continue;  // warm-up pair
        gameMs.push_back(g);
        baseMs.push_back(b);
        ratios.push_back(g / b);
        std::printf("rep %2d: game %.1f ms, baseline %.1f ms\n", r, g, b);
    }
    std::remove(log.c_str());
    std::remove((log + ".tmp").c_str());
    rmdir(dirTemplate);
    std::printf("startup_ms: %.1f\n", median(gameMs));
    std::printf("startup_baseline_ms: %.1f\n", median(baseMs));
    std::printf("startup_ratio: %.3f\n", median(ratios));
    return 0;
}
