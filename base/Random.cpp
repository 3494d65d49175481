#include "base/Random.h"

// The classic rand: every random choice of the program goes through this one generator,
// so a given seed replays the same pictures and lines.
static uint32_t glRandSeed = 1;

void RandomSeed(uint32_t seed)
{
    glRandSeed = seed;
}

int RandomNext()
{
    glRandSeed = glRandSeed * 1103515245u + 12345u;
    return (int)((glRandSeed >> 16) & 0x7FFF);
}

double RandomFraction()
{
    // Two draws in this order; the product stays below 2^31, so the remainder is never negative.
    int r1 = RandomNext();
    int r2 = RandomNext();
    return ((r1 * r2) % 100000) / 100000.0;
}
