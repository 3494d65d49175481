#pragma once
#include <string>

std::string NumberToText(double value);
double TextToNumber(const char* text);
int DigitsToNumber(const char* text, int length);   // length 0: the whole text
