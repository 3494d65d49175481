#pragma once

enum { BLEND_TABLE_BYTES = 256 * 256 * 256 };

// Entry (a, m, s) at a * 65536 + m * 256 + s: source s over destination m with weight a.
void FillBlendTable(unsigned char* table);
