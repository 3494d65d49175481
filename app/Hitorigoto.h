#pragma once
#include <cstddef>
#include <string>

// The character speaking on its own (Hitorigoto = talking to oneself): how long it waits,
// and its settings file, two lines: the seconds between talks, then 1 when the picture
// changes too. No Windows header.

// A hand-written interval is taken as it stands from ten seconds to a day; anything else,
// like a missing or damaged file, means the character never speaks on its own.
enum { HITORIGOTO_MIN_SECONDS = 10, HITORIGOTO_MAX_SECONDS = 24 * 60 * 60 };

// The stored choice from the file's text (len bytes): *seconds 0 when it is off.
void HitorigotoFromText(const char* text, size_t len, int* seconds, int* pictures);
std::string HitorigotoText(int seconds, int pictures);

// Milliseconds from now to the next talk: the interval varied by up to a quarter either
// way, so the talk does not come like clockwork. 0 (no timer) while the talk is off or
// nothing has been shown in this run; only then is fraction (0 <= f < 1) drawn, so with
// the talk off the pictures and lines come from the random source as they always did.
unsigned HitorigotoDelayMs(int seconds, bool userActed, double (*fraction)());
