#pragma once
#include <cstdint>

void RandomSeed(uint32_t seed);
int RandomNext();                              // 0 .. 32767
double RandomFraction();                       // 0 .. 0.99999 in steps of 0.00001
