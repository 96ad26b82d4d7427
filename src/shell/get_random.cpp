// get_random: rand() reduced to an inclusive range; seeds on first use.
#include "shell/get_random.h"

#include <cstdlib>
#include <ctime>

static int seeded = 0;  // 1 once srand has run

int get_random(int low, int high)
{
    if (seeded == 0) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        seeded = 1;
    }
    const int r = std::rand();
    if (high < low) {
        const int t = low;
        low = high;
        high = t;
    }
    // Wide arithmetic so that extreme bounds cannot overflow the range.
    const long long span = static_cast<long long>(high) - low + 1;
    const int value = static_cast<int>(r % span + low);
    return value;
}
