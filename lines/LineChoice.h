#pragma once
#include <cstddef>

enum { LINE_TRIES_MAX = 5000 };

// Number of lines of a lines file's bytes: the text ends at the first zero byte (or at
// len); a text longer than one byte gets a closing LF when it lacks one; every LF counts.
int LineSuuOf(const char* text, size_t len);

// A line worth showing: not empty and not a lone space.
bool IsUsableLine(const char* line);

// The random source gives 0 <= r < 1; the reader copies line k into out (cap bytes).
typedef double (*LINE_RANDOM)(void* ctx);
typedef void (*LINE_READER)(void* ctx, int k, char* out, size_t cap);

// Picks random lines until a usable one comes, at most LINE_TRIES_MAX times. Each try
// leaves its line in out and its number in *lastIndex. Returns the number of the chosen
// line, or -1 when no try gave a usable line (or lineSuu is not positive).
int ChooseLine(int lineSuu, LINE_RANDOM random, LINE_READER reader, void* ctx,
               char* out, size_t cap, int* lastIndex);
