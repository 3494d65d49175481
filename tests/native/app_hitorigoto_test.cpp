#include "app/Hitorigoto.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Hitorigoto, StoredChoice)
{
    struct { std::string text; int seconds, pictures; } cases[] = {
        { "180\r\n1\r\n", 180, 1 }, { "0\r\n1\r\n", 0, 1 }, { "45\r\n0\r\n", 45, 0 },   // 45: by hand, kept
        { "10\n1", 10, 1 }, { "86400\r\n", 86400, 0 }, { " 60 \r\n 1 \r\n", 60, 1 },
        { "9\r\n1\r\n", 0, 1 }, { "86401\r\n", 0, 0 }, { "99999999999999999999\r\n", 0, 0 },
        { "-60\r\n", 0, 0 }, { "+60\r\n", 0, 0 }, { "60s\r\n", 0, 0 }, { "\x82\x55\x82\x4f\r\n", 0, 0 },   // ６０
        { "60\r\n2\r\n", 60, 0 }, { "", 0, 0 }, { "\r\n1\r\n", 0, 1 }, { std::string("\0" "60\r\n", 5), 0, 0 },
    };
    for (const auto& c : cases) {
        int seconds = -1, pictures = -1;
        HitorigotoFromText(c.text.data(), c.text.size(), &seconds, &pictures);
        EXPECT_EQ(std::make_pair(c.seconds, c.pictures), std::make_pair(seconds, pictures)) << c.text;
    }
}

int gDraws;
double gFraction;
double Fraction() { return gDraws++, gFraction; }

TEST(Hitorigoto, NextTalkComesAfterTheIntervalVariedByAQuarter)
{
    struct { int seconds; bool userActed; double f; unsigned ms; } cases[] = {
        { 180, true, 0.0, 135000 }, { 180, true, 0.5, 180000 }, { 180, true, 0.99999, 224999 },
        { 10, true, 0.0, 7500 }, { 86400, true, 0.99999, 107999568 },
        // Off, or nothing chosen or dropped yet in this run: no timer, and no random number
        // drawn, so the pictures and lines come as they would without the talk.
        { 0, true, 0.5, 0 }, { 180, false, 0.5, 0 },
    };
    for (const auto& c : cases) {
        gDraws = 0, gFraction = c.f;
        EXPECT_EQ(c.ms, HitorigotoDelayMs(c.seconds, c.userActed, Fraction)) << c.seconds << " " << c.f;
        EXPECT_EQ(c.ms ? 1 : 0, gDraws) << c.seconds;
    }
}

}  // namespace
