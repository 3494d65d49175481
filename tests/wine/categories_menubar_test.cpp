// The category list from the menu list file, the menu bar entries and their rectangles,
// and the recent folders popup, on a real window with a real menu bar.
#include "base/Limits.h"
#include "base/Window.h"
#include "categories/RecentFolders.h"
#include "store/SettingsFiles.h"
#include "tests/wine/categories_fixture.h"

using namespace cattest;

namespace {

class MenuBarTest : public CategoriesTest {
protected:
    // What window creation reads for the bar: the menu list and the recent folders.
    void LoadList()
    {
        char path[KP_PATH_BYTES];
        ASSERT_TRUE(SettingsFilePath("メニューリスト.txt", path, sizeof path));
        LoadCategoryList(path);
    }
    void LoadRecent()
    {
        char path[KP_PATH_BYTES];
        ASSERT_TRUE(SettingsFilePath("最近フォルダパス.txt", path, sizeof path));
        LoadRecentFolders(path);
    }
    void WriteMenuList(const std::string& bytes)
    {
        ASSERT_TRUE(WriteBytes(settings + L"\\メニューリスト.txt", bytes));
    }
    std::string Bytes(const std::wstring& path)
    {
        std::string b;
        EXPECT_TRUE(ReadBytes(path, &b)) << ToCp932(path);
        return b;
    }
    // The whole window-creation order for the bar: list, folders entry, categories, rectangles.
    void BuildAll()
    {
        LoadList();
        LoadRecent();
        BuildRecentMenu();
        BuildCategoryEntries();
        ComputeMenuRects();
    }
};

const std::string kHomeruLines("すごーい！\r\nかっこいいー！\r\n頭いいー！\r\n");
const std::string kNagusameruLines("がんばって！\r\nだいじょうぶ！\r\n応援してるよ！\r\nお疲れさま\r\n");

}  // namespace

TEST_F(MenuBarTest, FirstStartWritesTheTwoCategoriesByteForByte)
{
    BuildAll();
    EXPECT_EQ(Names(), (std::vector<std::string>{ "★ほめる", "★なぐさめる" }));
    EXPECT_EQ(Bytes(settings + L"\\★ほめる\\★ほめるセリフ.txt"), kHomeruLines + std::string(1, '\0'));
    EXPECT_EQ(MenuTexts(Categories.hMainMenu),
              (std::vector<std::wstring>{ L"★なぐさめる", L"★ほめる", L"フォルダ(&O)", L"編集(&E)" }));
    EXPECT_EQ(MenuIds(Categories.hMainMenu), (std::vector<int>{ 10001, 10000, -1, -1 }));
    EXPECT_EQ(GetSubMenu(Categories.hMainMenu, 2), Categories.hRecentPopup);
    EXPECT_TRUE(BoxWatchSeen().empty());
    EXPECT_FALSE(FileExists(settings + L"\\メニューリスト.txt"));   // written at shutdown only
}

// Every category deleted: the first-start pair comes back, and a lines file kept there is the user's.
TEST_F(MenuBarTest, EmptyFirstLineSetsUpTheDefaultsAgain)
{
    MakeCategoryFolder(L"★ほめる");
    ASSERT_TRUE(WriteBytes(settings + L"\\★ほめる\\★ほめるセリフ.txt", "mine\r\n"));
    MakeCategoryFolder(L"A");
    WriteMenuList(std::string("\r\nA\r\n"));
    LoadList();
    EXPECT_EQ(Names(), (std::vector<std::string>{ "★ほめる", "★なぐさめる" }));
    EXPECT_EQ(Bytes(settings + L"\\★ほめる\\★ほめるセリフ.txt"), "mine\r\n");
}

TEST_F(MenuBarTest, ListRulesOnRealFiles)
{
    struct {
        const char* what;
        std::string list;
        std::vector<const wchar_t*> folders;
        std::vector<std::string> names;
        std::vector<std::wstring> boxTexts;
    } cases[] = {
        { "empty line ends the list", "A\r\nB\r\n\r\nC\r\n", { L"A", L"B", L"C" }, { "A", "B" }, {} },
        { "X without folder, then A", "X\r\nA\r\n", { L"A" }, { "A" },
          { L"メニュー「X」はメニューリストにはありますが、フォルダがありません。" } },
        { "only missing folders", "X\r\nY\r\n", {}, {},
          { L"メニュー「X」はメニューリストにはありますが、フォルダがありません。",
            L"メニュー「Y」はメニューリストにはありますが、フォルダがありません。" } },
        // Folders outside the settings folder exist (the program folder, 部品, App) but
        // are never reached through a name.
        { "names that leave the settings folder", "..\r\n..\\部品\r\n..\\App\r\n.\r\nA\r\n", { L"A" }, { "A" },
          { L"メニュー「..」はメニューリストにはありますが、フォルダがありません。",
            L"メニュー「..\\部品」はメニューリストにはありますが、フォルダがありません。",
            L"メニュー「..\\App」はメニューリストにはありますが、フォルダがありません。",
            L"メニュー「.」はメニューリストにはありますが、フォルダがありません。" } },
        { "trail byte 0x5C in a name", "表ソ\r\n", { L"表ソ" }, { "表ソ" }, {} },
        // Windows opens the folder without the trailing dot or space: the entries stay.
        { "trailing dot and space", "A.\r\nB \r\n", { L"A", L"B" }, { "A.", "B " }, {} },
        // As today's editors save it: Notepad's UTF-8 (with or without a mark) and "Unicode".
        { "UTF-8", std::string((const char*)u8"猫\r\n表ソ\r\n"), { L"猫", L"表ソ" }, { "猫", "表ソ" }, {} },
        { "UTF-8 with a mark", "\xEF\xBB\xBF" + std::string((const char*)u8"猫\r\nA\r\n"), { L"猫", L"A" }, { "猫", "A" }, {} },
        { "UTF-16 LE", std::string("\xFF\xFE\x2B\x73\r\0\n\0A\0\r\0\n\0", 14), { L"猫", L"A" }, { "猫", "A" }, {} },
    };
    for (const auto& c : cases) {
        DeleteTree(settings);
        CreateDirectoryW(settings.c_str(), nullptr);
        for (const wchar_t* f : c.folders)
            MakeCategoryFolder(f);
        WriteMenuList(c.list);
        BoxWatchStart();
        LoadList();
        std::vector<SHOWN_BOX> boxes = BoxWatchStop();
        EXPECT_EQ(Names(), c.names) << c.what;
        std::vector<std::wstring> texts;
        for (const SHOWN_BOX& b : boxes) {
            texts.push_back(b.text);
            EXPECT_EQ(b.caption, L"セリフがありません。（‘ v‘）/") << c.what;
            EXPECT_FALSE(b.hasYesNo) << c.what;
            EXPECT_EQ(b.owner, MainWindow()) << c.what;
        }
        EXPECT_EQ(texts, c.boxTexts) << c.what;
    }
}

TEST_F(MenuBarTest, OverlongNameIsSkippedWithItsOwnMessage)
{
    std::string twenty(20, 'n'), twentyOne = std::string(20, 'n') + "x";
    MakeCategoryFolder(ToWide(twenty.c_str()).c_str());
    MakeCategoryFolder(ToWide(twentyOne.c_str()).c_str());
    WriteMenuList(twentyOne + "\r\n" + twenty + "\r\n");
    LoadList();
    EXPECT_EQ(Names(), (std::vector<std::string>{ twenty }));
    ASSERT_EQ(BoxWatchSeen().size(), 1u);
    EXPECT_EQ(BoxWatchSeen()[0].caption, L"字数制限");
    EXPECT_NE(BoxWatchSeen()[0].text.find(ToWide(twentyOne.c_str())), std::wstring::npos);
}

TEST_F(MenuBarTest, EntriesRectanglesAndHitTest)
{
    for (const wchar_t* f : { L"A", L"B&B", L"猫" })
        MakeCategoryFolder(f);
    WriteMenuList("A\r\nB&B\r\n猫\r\n");
    TraceCaptureStart();
    BuildAll();
    std::vector<std::string> traces = TraceCaptureStop();

    EXPECT_EQ(MenuTexts(Categories.hMainMenu),
              (std::vector<std::wstring>{ L"猫", L"B&&B", L"A", L"フォルダ(&O)", L"編集(&E)" }));   // shows B&B
    EXPECT_EQ(MenuIds(Categories.hMainMenu), (std::vector<int>{ 10002, 10001, 10000, -1, -1 }));

    for (int i = 0; i < 3; i++) {
        RECT screen;
        ASSERT_TRUE(GetMenuItemRect(MainWindow(), Categories.hMainMenu, 2 - i, &screen));
        MapWindowPoints(nullptr, MainWindow(), (POINT*)&screen, 2);
        const RECT& r = CategoryRect(i);
        EXPECT_EQ(r.left, screen.left) << i;
        EXPECT_EQ(r.right, screen.right) << i;
        EXPECT_LT(r.top, 0) << "the bar lies above the client area";
        EXPECT_LT(r.left, r.right) << i;
        EXPECT_EQ(CategoryAtPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2), i);
        // Edges count, and the coordinates arrive as 16-bit values.
        EXPECT_EQ(CategoryAtPoint(r.right, r.bottom & 0xFFFF), i == 0 || r.right != CategoryRect(i - 1).left ? i : i - 1);
    }
    EXPECT_EQ(CategoryAtPoint(10, 10), -1);   // the picture area

    bool traced = false;
    for (const std::string& t : traces)
        traced |= t.rfind("glMenuRect[0].left=", 0) == 0;
    EXPECT_TRUE(traced);
}

TEST_F(MenuBarTest, CategoryPathsOnlyForCategoriesInUse)
{
    SetCategories({ "A" });
    char out[KP_PATH_BYTES];
    ASSERT_TRUE(CategoryFolderPath(0, out, sizeof out));
    EXPECT_EQ(ToWide(out), settings + L"\\A");
    ASSERT_TRUE(CategoryLinesPath(0, out, sizeof out));
    EXPECT_EQ(ToWide(out), settings + L"\\A\\Aセリフ.txt");
    EXPECT_FALSE(CategoryFolderPath(1, out, sizeof out));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(CategoryLinesPath(-1, out, sizeof out));
    EXPECT_FALSE(CategoryFolderPath(0, out, 5));   // does not fit

    SetCategories({ "B " });
    ASSERT_TRUE(CategoryLinesPath(0, out, sizeof out));
    EXPECT_EQ(ToWide(out), settings + L"\\B\\B セリフ.txt");
}

TEST_F(MenuBarTest, RecentPopupFromTheFile)
{
    std::string p260 = "C:\\" + std::string(257, 'p');
    std::string block = "C:\\x\\\r\n" + p260 + "\r\n" + "C:\\" + std::string(258, 'q') + "\r\nC:\\y\\\r\n";
    block.resize(1300, '\0');
    ASSERT_TRUE(WriteBytes(settings + L"\\最近フォルダパス.txt", block));
    LoadList();
    LoadRecent();
    BuildRecentMenu();
    // The 261-byte line is no path: its slot stays empty and gets no item.
    EXPECT_STREQ(RecentFolder(0), "C:\\x\\");
    EXPECT_EQ(std::string(RecentFolder(1)), p260);
    EXPECT_STREQ(RecentFolder(2), "");
    EXPECT_STREQ(RecentFolder(3), "C:\\y\\");
    EXPECT_STREQ(RecentFolder(4), "");
    EXPECT_EQ(MenuTexts(Categories.hRecentPopup),
              (std::vector<std::wstring>{ L"C:\\y\\", ToWide(p260.c_str()), L"C:\\x\\" }));
    EXPECT_EQ(MenuIds(Categories.hRecentPopup), (std::vector<int>{ 5333, 5331, 5330 }));
}

TEST_F(MenuBarTest, RecordRebuildsAllFiveItems)
{
    BuildRecentMenu();   // no file: empty popup
    EXPECT_EQ(GetMenuItemCount(Categories.hRecentPopup), 0);
    for (const char* f : { "C:\\C\\", "C:\\B\\", "C:\\A\\" })
        RecordRecentFolder(f);
    RecordRecentFolder("C:\\X\\");
    EXPECT_EQ(MenuTexts(Categories.hRecentPopup),
              (std::vector<std::wstring>{ L"", L"C:\\C\\", L"C:\\B\\", L"C:\\A\\", L"C:\\X\\" }));
    EXPECT_EQ(MenuIds(Categories.hRecentPopup), (std::vector<int>{ 5334, 5333, 5332, 5331, 5330 }));

    RecordRecentFolder("c:\\b\\");
    EXPECT_EQ(MenuTexts(Categories.hRecentPopup),
              (std::vector<std::wstring>{ L"", L"C:\\C\\", L"C:\\A\\", L"C:\\X\\", L"c:\\b\\" }));
    RecordRecentFolder("C:\\表\\");
    RecordRecentFolder("C:\\F\\");
    EXPECT_EQ(MenuTexts(Categories.hRecentPopup),
              (std::vector<std::wstring>{ L"C:\\A\\", L"C:\\X\\", L"c:\\b\\", L"C:\\表\\", L"C:\\F\\" }));
    EXPECT_EQ(GetMenuItemCount(Categories.hRecentPopup), 5);
}

TEST_F(MenuBarTest, FolderOpenHandsOffOrSaysItIsGone)
{
    std::string existing = ToCp932(settings);   // no trailing backslash: one is added
    std::string gone = ToCp932(settings + L"\\nothing-here\\");
    MainWnd_FolderOPEN_MenuClick(gone.c_str());
    MainWnd_FolderOPEN_MenuClick("");   // a blank item: not the drive root
    ASSERT_EQ(BoxWatchSeen().size(), 2u);
    for (const SHOWN_BOX& b : BoxWatchSeen()) {
        EXPECT_EQ(b.text, L"そのフォルダは存在しません<(_ _)>");
        EXPECT_EQ(b.caption, L"MainWnd_FolderOPEN_MenuClick");
        EXPECT_EQ(b.owner, MainWindow());
            }
    EXPECT_TRUE(HandoffLogLines(1, 300).empty());

    MainWnd_FolderOPEN_MenuClick(existing.c_str());
    std::vector<std::wstring> lines = HandoffLogLines(1, 5000);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(settings + L"\\"), std::wstring::npos) << ToCp932(lines[0]);
    EXPECT_EQ(BoxWatchSeen().size(), 2u);
}

TEST_F(MenuBarTest, RestoreExplanationOpensTheSettingsFolder)
{
    MainWnd_RestoreMenu_MenuClick();
    ASSERT_EQ(BoxWatchSeen().size(), 1u);
    EXPECT_EQ(BoxWatchSeen()[0].caption, L"削除済みメニューの復活");
    EXPECT_EQ(BoxWatchSeen()[0].text,
              L"個人設定フォルダにある「メニューリスト」というファイルに、復活させたいメニュー文字列を記入して、"
              L"上書き保存し、Kotopaneを再起動してください。");
    std::vector<std::wstring> lines = HandoffLogLines(1, 5000);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(settings), std::wstring::npos);
}
