// The game's one source of randomness: the standard generator, seeded once per run.
#pragma once

// An integer from low to high inclusive. The first call seeds the generator
// with the current time. If high is below low the bounds are swapped.
int get_random(int low, int high);
