#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/Limits.h"
#include "categories/CategoryRules.h"
#include "categories/RecentRules.h"

namespace {

// A menu list in memory: its lines (none at all = missing file) and the folders on disk.
struct FakeList {
    std::vector<std::string> lines;
    std::set<std::string> folders;
    std::vector<std::string> missing, tooLong, looked;
    int highestLineRead = -1;
};

int FakeRead(void* ctx, int n, char* out, size_t cap)
{
    FakeList* f = (FakeList*)ctx;
    if (n > f->highestLineRead)
        f->highestLineRead = n;
    if (n >= (int)f->lines.size())
        return 0;
    std::string s = f->lines[n].substr(0, cap - 1);
    memcpy(out, s.c_str(), s.size() + 1);
    return 1;
}
bool FakeExists(void* ctx, const char* name)
{
    FakeList* f = (FakeList*)ctx;
    f->looked.push_back(name);
    return f->folders.count(name) != 0;
}
void FakeMissing(void* ctx, const char* name) { ((FakeList*)ctx)->missing.push_back(name); }
void FakeTooLong(void* ctx, const char* name) { ((FakeList*)ctx)->tooLong.push_back(name); }

struct Loaded {
    int count;
    bool firstStart;
    std::vector<std::string> names;
};

Loaded Load(FakeList* f)
{
    CATEGORY_LIST_SOURCE src = { f, FakeRead, FakeExists, FakeMissing, FakeTooLong };
    char names[CATEGORY_MAX][CATEGORY_NAME_BYTES];
    memset(names, 0x55, sizeof names);  // garbage: every used slot must be written
    Loaded r;
    r.count = LoadCategoryNames(&src, names, &r.firstStart);
    for (int i = 0; i < r.count; i++)
        r.names.push_back(names[i]);
    return r;
}

typedef std::vector<std::string> Names;

}  // namespace

TEST(CategoryLoad, FirstStartWhenLineZeroIsEmpty)
{
    const std::vector<std::string> cases[] = { {}, { "" }, { "", "A" } };
    for (const auto& lines : cases) {
        FakeList f;
        f.lines = lines;
        f.folders = { "A" };
        Loaded r = Load(&f);
        EXPECT_TRUE(r.firstStart);
        EXPECT_EQ(r.names, (Names{ "★ほめる", "★なぐさめる" }));
        EXPECT_TRUE(f.missing.empty());
    }
}

TEST(CategoryLoad, ListRules)
{
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        std::set<std::string> folders;
        Names names;
        Names missing;
        int highestLineRead;
    } cases[] = {
        { "empty line ends the list", { "A", "B", "", "C" }, { "A", "B", "C" }, { "A", "B" }, {}, 2 },
        { "no folder: reported, skipped", { "X", "A" }, { "A" }, { "A" }, { "X" }, 2 },
        { "only missing folders", { "X", "Y" }, {}, {}, { "X", "Y" }, 2 },
        { "eleventh line never read", { "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10" },
          { "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10" },
          { "0", "1", "2", "3", "4", "5", "6", "7", "8", "9" }, {}, 9 },
        { "a skipped line still uses up one of ten", { "X", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10" },
          { "1", "2", "3", "4", "5", "6", "7", "8", "9", "10" },
          { "1", "2", "3", "4", "5", "6", "7", "8", "9" }, { "X" }, 9 },
        // 表 and ソ end in the byte of a backslash; they are ordinary names.
        { "trail byte 0x5C", { "表", "ソフト" }, { "表", "ソフト" }, { "表", "ソフト" }, {}, 2 },
        { "one entry per folder", { "Cat", "cat.", "ｃ", "Ｃ" }, { "Cat", "cat.", "ｃ", "Ｃ" }, { "Cat", "ｃ" }, {}, 4 },
    };
    for (const Case& c : cases) {
        FakeList f;
        f.lines = c.lines;
        f.folders = c.folders;
        Loaded r = Load(&f);
        EXPECT_FALSE(r.firstStart) << c.what;
        EXPECT_EQ(r.names, c.names) << c.what;
        EXPECT_EQ(f.missing, c.missing) << c.what;
        EXPECT_EQ(f.highestLineRead, c.highestLineRead) << c.what;
    }
}

TEST(CategoryLoad, NamesThatReachOutsideAreNeverLookedUp)
{
    FakeList f;
    f.lines = { "..", ".", "..\\..\\Windows", "a/b", "C:", "*", "...", " ", "CON", "com1.txt", "A" };
    // Even when such a "folder" exists, the name is treated as having none.
    f.folders = { "..", ".", "..\\..\\Windows", "a/b", "C:", "*", "...", " ", "CON", "com1.txt", "A" };
    Loaded r = Load(&f);
    EXPECT_EQ(r.names, Names{});   // "A" is line 10: never read
    EXPECT_EQ(f.missing, (Names{ "..", ".", "..\\..\\Windows", "a/b", "C:", "*", "...", " ", "CON", "com1.txt" }));
    EXPECT_TRUE(f.looked.empty());
}

// Windows opens the folder of "A." or "B " without the trailing dot or space: the user's
// entry is kept as written. Device names stay refused with a space or dot after them.
TEST(CategoryLoad, TrailingDotOrSpaceIsKept)
{
    FakeList f;
    f.lines = { "A.", "B ", "猫.", "CON ", "nul.", "C" };
    f.folders = { "A.", "B ", "猫.", "CON ", "nul.", "C" };
    Loaded r = Load(&f);
    EXPECT_EQ(r.names, (Names{ "A.", "B ", "猫.", "C" }));
    EXPECT_EQ(f.missing, (Names{ "CON ", "nul." }));
    EXPECT_EQ(CategoryFolderNameLength("A. ."), 1u);
    EXPECT_EQ(CategoryFolderNameLength("猫"), 2u);
    EXPECT_FALSE(IsCategoryFolderName("A."));   // a new name is still refused with them
}

TEST(CategoryLoad, OverlongLineIsSkippedWhole)
{
    std::string twenty(20, 'a'), twentyOne(21, 'b');
    std::string tenWide;
    for (int i = 0; i < 10; i++)
        tenWide += "猫";
    FakeList f;
    f.lines = { twentyOne, twenty, tenWide + "犬", tenWide };
    f.folders = { twentyOne, twentyOne.substr(0, 20), twenty, tenWide };
    Loaded r = Load(&f);
    EXPECT_EQ(r.names, (Names{ twenty, tenWide }));
    EXPECT_EQ(f.tooLong, (Names{ twentyOne, tenWide + "犬" }));
    EXPECT_TRUE(f.missing.empty());
}

TEST(CategoryRules, FolderNames)
{
    struct { const char* name; bool ok; } cases[] = {
        { "A", true }, { "猫", true }, { "表", true }, { "ソ", true }, { "a.b", true }, { "CONSOLE", true },
        { "COM0", true }, { "LPT10", true }, { ".a", true },
        { "", false }, { ".", false }, { "..", false }, { "a\\b", false }, { "a/b", false },
        { "a:b", false }, { "a*", false }, { "a?", false }, { "\"a\"", false }, { "<a>", false },
        { "a|b", false }, { "a.", false }, { "a ", false }, { "con", false }, { "Nul.txt", false },
        { "aux", false }, { "COM1", false }, { "lpt9.log", false }, { "a\tb", false },
        { "\x95", false },  // lead byte without its trail byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsCategoryFolderName(c.name), c.ok) << c.name;
}

TEST(CategoryRules, CategoryAtPoint)
{
    // Menu bar entries lie above the client area: negative top and bottom.
    const int rects[3][4] = { { 100, -20, 150, -1 }, { 50, -20, 100, -1 }, { 0, -20, 49, -1 } };
    struct { int x, y, want; } cases[] = {
        { 120, -10, 0 }, { 100, -10, 0 },   // the shared edge goes to the lower index
        { 150, -1, 0 }, { 150, -20, 0 },    // right and bottom edges are inside
        { 151, -10, -1 }, { 120, 0, -1 }, { 120, -21, -1 },
        { 75, -10, 1 }, { 0, -20, 2 }, { 49, -1, 2 },
        { 120, 0xFFF6, 0 },                 // y = -10 as a 16-bit value
        { 0x10000 + 120, 0x7FFFF6, 0 },     // only the low 16 bits count
        { 0xFFFF, -10, -1 },                // x = -1
        { 120, 32768 + 10, -1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CategoryAtPointRule(rects, 3, c.x, c.y), c.want) << c.x << "," << c.y;
    EXPECT_EQ(CategoryAtPointRule(rects, 0, 120, -10), -1);
}

TEST(CategoryRules, RemoveName)
{
    struct { int index; Names after; } cases[] = {
        { 1, { "A", "C" } }, { 0, { "B", "C" } }, { 2, { "A", "B" } },
        { 3, { "A", "B", "C" } }, { -1, { "A", "B", "C" } },
    };
    for (const auto& c : cases) {
        char names[CATEGORY_MAX][CATEGORY_NAME_BYTES] = { "A", "B", "C" };
        int count = RemoveCategoryName(names, 3, c.index);
        Names got;
        for (int i = 0; i < count; i++)
            got.push_back(names[i]);
        EXPECT_EQ(got, c.after) << c.index;
        EXPECT_EQ(names[count][0], 0) << "the freed slot is cleared";
    }
    char one[CATEGORY_MAX][CATEGORY_NAME_BYTES] = { "A" };
    EXPECT_EQ(RemoveCategoryName(one, 1, 0), 0);
    EXPECT_EQ(one[0][0], 0);
}

// The menu list saved after the file was edited by hand while the program ran.
TEST(CategoryRules, MenuListKeepsHandEditsAndThisRunsChanges)
{
    Names nine = { "0", "1", "2", "3", "4", "5", "6", "7", "8" }, ten = nine, nineAndR = nine, refusedThenR = nine;
    ten.push_back("9"), nineAndR.push_back("R");
    refusedThenR.insert(refusedThenR.end(), { "NUL", "..\\..\\x", std::string(21, 'x'), "", "Gazou.bmp ", "R" });
    struct { Names running, atStart, now, saved; } cases[] = {
        { { "A", "C" }, { "A", "B", "C" }, { "A", "B", "C" }, { "A", "C" } },   // no edit
        { { "A", "X" }, { "A", "B" }, { "A", "B", "R" }, { "A", "X", "R" } },   // R restored; X added, B deleted
        { { "A", "B" }, { "A", "B" }, { "B" }, { "B" } },                       // A taken out by hand
        { { "Cat" }, { "Cat" }, { "cat.", "R" }, { "Cat", "R" } },              // one folder, two spellings
        { ten, nine, nineAndR, ten },                                          // ten at most, the run's own first
        { nine, nine, refusedThenR, nineAndR },                                // only names the loader takes
    };
    for (const auto& c : cases)
        EXPECT_EQ(MenuListToSave(c.running, c.atStart, c.now), c.saved) << c.now.back();
}

TEST(CategoryRules, NewNameChecks)
{
    const char names[CATEGORY_MAX][CATEGORY_NAME_BYTES] = { "Cat", "猫", "ａ", "A ", "бпω" };   // folded as folders are
    std::string twenty(20, 'x'), tenWide;
    for (int i = 0; i < 10; i++)
        tenWide += "表";
    struct { std::string name; int count; CATEGORY_NAME_CHECK want; } cases[] = {
        { "犬", 3, NAME_OK }, { twenty, 3, NAME_OK }, { tenWide, 3, NAME_OK },
        { twenty + "x", 3, NAME_TOO_LONG }, { tenWide + "x", 3, NAME_TOO_LONG },
        { "", 3, NAME_EMPTY }, { "..", 3, NAME_NOT_PLAIN }, { "a\\b", 3, NAME_NOT_PLAIN },
        { "x.", 3, NAME_NOT_PLAIN }, { "NUL", 3, NAME_NOT_PLAIN },
        { "Cat", 3, NAME_DUPLICATE }, { "cAT", 3, NAME_DUPLICATE }, { "猫", 3, NAME_DUPLICATE },
        { "Ａ", 3, NAME_DUPLICATE }, { "a", 5, NAME_DUPLICATE }, { "a", 3, NAME_OK }, { "БПΩ", 5, NAME_DUPLICATE },
        { "Gazou.BMP", 3, NAME_NOT_PLAIN }, { "Gazou.bmp.qx5tmp", 3, NAME_NOT_PLAIN },   // the program's own
        { "背景色.txt.~1_0.TMP", 3, NAME_NOT_PLAIN }, { "ハート.txt", 3, NAME_NOT_PLAIN }, { "ハート", 3, NAME_OK },
        { "ひとりごと.TXT", 3, NAME_NOT_PLAIN },
        { "Cat", 1, NAME_DUPLICATE }, { "猫", 1, NAME_OK },   // only names in use count
        { "犬", 10, NAME_LIST_FULL }, { twenty + "x", 10, NAME_LIST_FULL },
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckNewCategoryName(c.name.c_str(), names, c.count), c.want) << c.name << " " << c.count;
}

namespace {

typedef char RecentSlots[RECENT_SLOTS][RECENT_SLOT_BYTES];

Names SlotsOf(const RecentSlots& s)
{
    Names v;
    for (int i = 0; i < RECENT_SLOTS; i++)
        v.push_back(s[i]);
    return v;
}

}  // namespace

TEST(RecentRules, RecordSequence)
{
    RecentSlots s = { "A", "B", "C", "", "" };
    struct { const char* folder; Names after; } steps[] = {
        { "X", { "X", "A", "B", "C", "" } },
        { "b", { "b", "X", "A", "C", "" } },    // any letter case matches; the new spelling stays
        { "D", { "D", "b", "X", "A", "C" } },
        { "E", { "E", "D", "b", "X", "A" } },   // the oldest is lost
        { "E", { "E", "D", "b", "X", "A" } },
        { "a", { "a", "E", "D", "b", "X" } },
    };
    for (const auto& st : steps) {
        RecordRecentRule(s, st.folder);
        EXPECT_EQ(SlotsOf(s), st.after) << st.folder;
    }
}

TEST(RecentRules, RecordDetails)
{
    // Trail bytes are compared exactly: ａ and Ａ (full width) differ, 表 and 俵 differ.
    RecentSlots s = { "C:\\表\\", "C:\\ａ\\", "", "", "" };
    RecordRecentRule(s, "C:\\Ａ\\");
    EXPECT_EQ(SlotsOf(s), (Names{ "C:\\Ａ\\", "C:\\表\\", "C:\\ａ\\", "", "" }));
    RecordRecentRule(s, "c:\\表\\");
    EXPECT_EQ(SlotsOf(s), (Names{ "c:\\表\\", "C:\\Ａ\\", "C:\\ａ\\", "", "" }));

    // A folder passed from the list itself.
    RecordRecentRule(s, s[2]);
    EXPECT_EQ(SlotsOf(s), (Names{ "C:\\ａ\\", "c:\\表\\", "C:\\Ａ\\", "", "" }));

    // An overlong folder is cut at a character boundary.
    std::string longer = "C:\\" + std::string(256, 'x') + "猫猫";   // 263 bytes
    RecordRecentRule(s, longer.c_str());
    EXPECT_EQ(std::string(s[0]), longer.substr(0, 259));
}

TEST(RecentRules, SlotsItemsAndOpenPath)
{
    char slot[RECENT_SLOT_BYTES];
    std::string p260(260, 'p'), p261(261, 'p');
    RecentSlotFromLine(p260.c_str(), slot);
    EXPECT_EQ(std::string(slot), p260);
    RecentSlotFromLine(p261.c_str(), slot);
    EXPECT_EQ(std::string(slot), "");

    EXPECT_STREQ(RecentItemText(""), "");
    EXPECT_STREQ(RecentItemText("C:"), "");
    EXPECT_STREQ(RecentItemText("C:\\"), "C:\\");

    struct { std::string text; bool ok; std::string out; } cases[] = {
        { "C:\\x", true, "C:\\x\\" }, { "C:\\x\\", true, "C:\\x\\" },
        { "C:\\表", true, "C:\\表\\" },   // ends in byte 0x5C, but not in a backslash
        { "C:\\表\\", true, "C:\\表\\" },
        { "C:\\a\x81", true, "C:\\a\\" }, { "C:\\a\\\x81", true, "C:\\a\\" },   // a lone lead byte is left out
        { "", false, "" },                // a blank item opens nothing (no drive root)
        { std::string(262, 'q'), true, std::string(262, 'q') + "\\" },
        { std::string(263, 'q'), false, "" },
    };
    for (const auto& c : cases) {
        char out[KP_PATH_BYTES];
        EXPECT_EQ(RecentOpenPath(c.text.c_str(), out, sizeof out), c.ok) << c.text;
        EXPECT_EQ(std::string(out), c.out) << c.text;
    }
}

TEST(SettingsFormat, MenuListAndRecentBlock)
{
    const char* names[] = {"★ほめる", "★なぐさめる"};
    EXPECT_EQ(MenuListText(names, 2), "★ほめる\r\n★なぐさめる\r\n");
    EXPECT_EQ(MenuListText(names, 0), "");

    unsigned char block[RECENT_FILE_BYTES];
    const char* slots[] = {"C:\\x", "", "C:\\y", "C", ""};
    RecentFoldersBlock(slots, 5, block);
    std::string expect = "C:\\x\r\nC:\\y\r\n";
    EXPECT_EQ(std::string((char*)block, expect.size()), expect);
    for (size_t i = expect.size(); i < RECENT_FILE_BYTES; i++)
        ASSERT_EQ(block[i], 0) << i;

    // Five paths of 259 bytes: 1305 bytes, the last path loses three bytes and its line end.
    std::string p[5];
    const char* five[5];
    for (int i = 0; i < 5; i++) {
        p[i] = std::string(259, (char)('a' + i));
        five[i] = p[i].c_str();
    }
    RecentFoldersBlock(five, 5, block);
    std::string all = p[0] + "\r\n" + p[1] + "\r\n" + p[2] + "\r\n" + p[3] + "\r\n" + p[4] + "\r\n";
    EXPECT_EQ(std::string((char*)block, RECENT_FILE_BYTES), all.substr(0, 1300));
    EXPECT_EQ(std::string((char*)block + 1300 - 256, 256), std::string(256, 'e'));
}
