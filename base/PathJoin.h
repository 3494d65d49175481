#pragma once
#include <cstddef>

// Joins up to five texts into out; returns false (and an empty out) when they don't fit.
bool PathJoin(char* out, size_t cap, const char* a, const char* b,
              const char* c = nullptr, const char* d = nullptr, const char* e = nullptr);
