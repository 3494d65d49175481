#pragma once

enum { BLEND_TABLE_BYTES = 256 * 256 * 256 };

// Entry (a, m, s) at a * 65536 + m * 256 + s: source s over destination m with weight a.
void FillBlendTable(unsigned char* table);

// The program's one table, made once in memory of its own (again after its release).
void BuildAlphaBlendTable();
void ReleaseAlphaBlendTable();
// 0 when no memory could be had for it: the fade must not use it then.
const unsigned char* AlphaBlendTable();
