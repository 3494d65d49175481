#pragma once
#include <string>

// The crash-safe writers save into a temporary file beside the target and rename it over
// the target: target + ".~" + process id + "_" + attempt + ".tmp".
std::string SaveTempName(const char* target, unsigned long pid, int attempt);
// A name (without folder) of that form, as a run that was killed mid-save leaves it.
bool IsSaveTempName(const char* name);
