#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include "base/Cp932.h"
#include "base/NumberText.h"
#include "base/PictureKind.h"
#include "store/LineText.h"
#include "store/TextDecode.h"

// Random bytes through the parsers under the sanitizers: no overrun, no undefined
// behaviour, and the outputs keep their promises.
TEST(Fuzz, ParsersOnRandomBytes)
{
    std::mt19937 rng(20240601);
    const unsigned char alphabet[] = {'\r', '\n', 0, '\t', ' ', '&', 'H', 'O', 'h', '-', '+', '.',
                                      '0', '7', '9', 'F', 'a', '\\', ':', '/', 0x81, 0x95, 0x83,
                                      0x5C, 0xE0, 0xFC, 0xFD, 0xA0, 0x80, 0x40, 0xEF, 0xBB, 0xBF,
                                      0xFE, 0xFF, 0xD8, 0xDC, 0xE3, 0xF0, 0xF4, 0x90, 0xC2};
    // <chrono> does not compile with the code page 932 execution charset.
    clock_t deadline = clock() + 3 * CLOCKS_PER_SEC;
    int rounds = 0;
    while (clock() < deadline && rounds < 200000) {
        rounds++;
        size_t len = rng() % (rounds % 50 == 0 ? 3000 : 40);
        std::vector<char> data(len + 1);
        for (size_t i = 0; i < len; i++)
            data[i] = (char)(rng() % 3 ? alphabet[rng() % sizeof alphabet] : rng());
        data[len] = 0;

        // Exact-size heap buffers so ASan sees any write past the cap.
        size_t cap = 1 + rng() % 1100;
        std::vector<char> out(cap);
        int n = (int)(rng() % 6) - 1;
        int reached = ExtractLine(data.data(), len, n, out.data(), cap);
        size_t got = strlen(out.data());
        ASSERT_LT(got, cap);
        ASSERT_LE(got, 1003u);
        ASSERT_TRUE(reached == 0 || reached == 1);
        for (size_t i = 0; i < got; i++)
            ASSERT_GE((unsigned char)out[i], 0x20);
        ASSERT_EQ(Cp932CutLength(out.data(), got, got), got);
        std::vector<unsigned char> bytes(data.begin(), data.begin() + len);   // exact size for ASan
        size_t bom = 0;
        DetectTextEncoding(bytes.data(), len, rounds % 2 == 0, &bom);
        PictureKindOf(bytes.data(), len);
        std::u16string text;
        for (TEXT_ENCODING e : { TEXT_UTF8, TEXT_UTF16LE, TEXT_UTF16BE })
            DecodeUnicodeText(bytes.data() + bom, len - bom, e, rounds % 3 == 0, &text);

        double v = TextToNumber(data.data());
        std::string t = NumberToText(v);
        ASSERT_FALSE(t.empty());

        std::vector<char> folder(cap);
        size_t fl = Cp932FolderOfPath(data.data(), folder.data(), cap);
        ASSERT_EQ(fl, strlen(folder.data()));
        if (fl) {
            ASSERT_EQ(folder[fl - 1], '\\');
            ASSERT_EQ(memcmp(folder.data(), data.data(), fl), 0);
        }
        Cp932FindExtension(data.data());
        IsPlainFolderName(data.data());
        DigitsToNumber(data.data(), (int)(rng() % 50));
    }
    EXPECT_GT(rounds, 1000);
}
