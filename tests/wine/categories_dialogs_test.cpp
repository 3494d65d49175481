// The three dialogs run through the host on a real main window: real controls, real
// clicks and Enter keys, real message boxes, real folders and files.
#include "base/Window.h"
#include "tests/wine/categories_fixture.h"

using namespace cattest;

namespace {

typedef std::vector<std::function<void(HWND)>> Steps;

void Type(HWND dlg, const wchar_t* text) { SetWindowTextW(GetDlgItem(dlg, 1000), text); }
void Click(HWND dlg, int id) { SendMessageW(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
// Enter goes through the dialog's loop, which turns it into WM_COMMAND id 1.
void PressEnter(HWND control) { PostMessageW(control, WM_KEYDOWN, VK_RETURN, 0x1C0001); }

class DialogsTest : public CategoriesTest {
protected:
    std::vector<std::wstring> Captions()
    {
        std::vector<std::wstring> v;
        for (const SHOWN_BOX& b : BoxWatchSeen())
            v.push_back(b.caption);
        return v;
    }
    std::vector<std::wstring> SettingsEntries()
    {
        std::vector<std::wstring> v = ListFolder(settings);
        std::sort(v.begin(), v.end());
        return v;
    }
};

}  // namespace

TEST_F(DialogsTest, UnknownKeyOpensNothing)
{
    EXPECT_EQ(DialogOpen(MainWindow(), "menutsuika"), 0);
    EXPECT_EQ(DialogOpen(MainWindow(), ""), 0);
    EXPECT_EQ(FindWindowW(L"NORMALDLG", nullptr), nullptr);
    EXPECT_TRUE(IsWindowEnabled(MainWindow()));
}

TEST_F(DialogsTest, AddShowsItsControlsAndAddsACategory)
{
    SetCategories({ "A", "B" });
    BuildCategoryEntries();
    ComputeMenuRects();
    bool timedOut = false;
    int code = RunDialog("MenuTsuika", SLOT_MENUTSUIKA, Steps{
        [](HWND dlg) {
            wchar_t title[64];
            GetWindowTextW(dlg, title, 64);
            EXPECT_STREQ(title, L"メニュー追加");
            RECT rc;
            GetWindowRect(dlg, &rc);
            EXPECT_EQ(rc.right - rc.left, 480);
            EXPECT_EQ(rc.bottom - rc.top, 154);
            EXPECT_EQ(GetWindow(dlg, GW_OWNER), MainWindow());
            EXPECT_FALSE(IsWindowEnabled(MainWindow()));
            EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 1000));   // ready to type
            EXPECT_EQ(ControlClass(dlg, 1000), L"Edit");
            EXPECT_EQ(ControlBox(dlg, 1000), (std::vector<int>{ 26, 34, 371, 35 }));
            EXPECT_TRUE(GetWindowLongW(GetDlgItem(dlg, 1000), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
            EXPECT_EQ(ControlText(dlg, 1001), L"OK");
            EXPECT_EQ(ControlBox(dlg, 1001), (std::vector<int>{ 341, 85, 88, 21 }));
            EXPECT_EQ(ControlText(dlg, 1002),
                      L"新しいメニューの題名を入力してください　（全角１０文字（半角２０文字）まで）");
            EXPECT_EQ(ControlBox(dlg, 1002), (std::vector<int>{ 26, 12, 389, 12 }));
            EXPECT_EQ(ControlText(dlg, 1003), L"メニューは１０個まで");
            EXPECT_EQ(ControlBox(dlg, 1003), (std::vector<int>{ 38, 88, 195, 17 }));
            for (int id = 1000; id <= 1003; id++)
                EXPECT_EQ((HFONT)SendMessageW(GetDlgItem(dlg, id), WM_GETFONT, 0, 0),
                          Categories.slot[SLOT_MENUTSUIKA].hFont) << id;
        },
        [](HWND dlg) { Type(dlg, L"猫"); Click(dlg, 1001); },
    }, &timedOut);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(IsWindowEnabled(MainWindow()));
    EXPECT_FALSE(IsWindow(Categories.slot[SLOT_MENUTSUIKA].hWnd));

    EXPECT_EQ(Names(), (std::vector<std::string>{ "A", "B", "猫" }));
    EXPECT_EQ(NowMenuNum(), 2);
    EXPECT_EQ(MenuTexts(Categories.hMainMenu), (std::vector<std::wstring>{ L"猫", L"B", L"A", L"編集(&E)" }));
    EXPECT_EQ(MenuIds(Categories.hMainMenu), (std::vector<int>{ 10002, 10001, 10000, -1 }));
    // Each rectangle is the entry that shows its own name.
    for (int i = 0; i < 3; i++) {
        RECT screen;
        GetMenuItemRect(MainWindow(), Categories.hMainMenu, 2 - i, &screen);
        MapWindowPoints(nullptr, MainWindow(), (POINT*)&screen, 2);
        EXPECT_EQ(CategoryRect(i).left, screen.left) << i;
        EXPECT_EQ(CategoryRect(i).right, screen.right) << i;
    }

    std::string lines;
    EXPECT_TRUE(ReadBytes(settings + L"\\猫\\猫セリフ.txt", &lines));
    EXPECT_EQ(lines, "");
    ASSERT_EQ(BoxWatchSeen().size(), 1u);
    EXPECT_EQ(BoxWatchSeen()[0].text, L"セリフを書き込んでください。複数書くときは「enter」で改行してください。");
    EXPECT_EQ(BoxWatchSeen()[0].caption, L"（‘ v‘）/");
    EXPECT_EQ(BoxWatchSeen()[0].owner, MainWindow());
    std::vector<std::wstring> handoffs = HandoffLogLines(1, 5000);
    ASSERT_EQ(handoffs.size(), 1u);
    EXPECT_NE(handoffs[0].find(settings + L"\\猫\\猫セリフ.txt"), std::wstring::npos);
}

TEST_F(DialogsTest, EnterAddsLikeOkAndKeepsAnExistingLinesFile)
{
    // A category deleted earlier keeps its folder and lines; adding it again keeps them.
    MakeCategoryFolder(L"犬");
    ASSERT_TRUE(WriteBytes(settings + L"\\犬\\犬セリフ.txt", "わん\r\n"));
    bool timedOut = false;
    int code = RunDialog("MenuTsuika", SLOT_MENUTSUIKA, Steps{
        [](HWND dlg) { Type(dlg, L"犬"); PressEnter(GetDlgItem(dlg, 1000)); },
    }, &timedOut);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{ "犬" }));
    std::string lines;
    EXPECT_TRUE(ReadBytes(settings + L"\\犬\\犬セリフ.txt", &lines));
    EXPECT_EQ(lines, "わん\r\n");
}

TEST_F(DialogsTest, AddRefusesBadNamesAndStaysOpen)
{
    // A file there, or a folder typed by its short name, is no new folder.
    SetCategories({ "Cat", "LongCategory" });
    ASSERT_TRUE(WriteBytes(settings + L"\\memo", "x"));
    static WIN32_FIND_DATAW alias;
    FindClose(FindFirstFileW((settings + L"\\LongCategory").c_str(), &alias));
    std::vector<std::wstring> before = SettingsEntries();
    std::vector<std::wstring> programBefore = ListFolder(program);
    bool timedOut = false;
    int code = RunDialog("MenuTsuika", SLOT_MENUTSUIKA, Steps{
        [](HWND dlg) { Type(dlg, L"abcdefghijklmnopqrstu"); Click(dlg, 1001); },   // 21 bytes
        [](HWND dlg) { Type(dlg, L"猫猫猫猫猫猫猫猫猫猫猫"); Click(dlg, 1001); },  // 22 bytes
        [](HWND dlg) { Type(dlg, L""); Click(dlg, 1001); },
        [](HWND dlg) { Type(dlg, L".."); Click(dlg, 1001); },
        [](HWND dlg) { Type(dlg, L"..\\部品"); PressEnter(GetDlgItem(dlg, 1000)); },
        [](HWND dlg) { Type(dlg, L"a:b"); Click(dlg, 1001); },
        [](HWND dlg) { Type(dlg, L"x."); Click(dlg, 1001); },
        [](HWND dlg) { Type(dlg, L"con"); Click(dlg, 1001); },
        [](HWND dlg) { Type(dlg, L"한국"); Click(dlg, 1001); },    // no code page 932 form
        [](HWND dlg) { Type(dlg, L"cat"); Click(dlg, 1001); },
        [](HWND dlg) { Type(dlg, L"memo"); Click(dlg, 1001); },
        [](HWND dlg) { Type(dlg, alias.cAlternateFileName); Click(dlg, 1001); },
        [](HWND dlg) {
            EXPECT_TRUE(IsWindow(dlg));
            EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 1000));   // ready to type again
            EXPECT_FALSE(IsWindowEnabled(MainWindow()));
            SendMessageW(dlg, WM_CLOSE, 0, 0);   // the title-bar close button
        },
    }, &timedOut);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(IsWindowEnabled(MainWindow()));
    EXPECT_EQ(Captions(), (std::vector<std::wstring>{
                              L"字数制限", L"字数制限", L"題名がありません<(_ _)>", L"使えない文字<(_ _)>",
                              L"使えない文字<(_ _)>", L"使えない文字<(_ _)>", L"使えない文字<(_ _)>",
                              L"使えない文字<(_ _)>", L"使えない文字<(_ _)>", L"同じ名前があります<(_ _)>",
                              L"使えない文字<(_ _)>", L"同じ名前があります<(_ _)>" }));
    ASSERT_EQ(BoxWatchSeen().size(), 12u);
    EXPECT_EQ(BoxWatchSeen()[0].text, L"メニュー文字の長さは全角１０文字（半角２０文字）までです。");
    EXPECT_EQ(BoxWatchSeen()[9].text, L"メニュー「cat」はもうあります。別の題名を入力してください。");
    for (const SHOWN_BOX& b : BoxWatchSeen()) {
        EXPECT_EQ(b.owner, MainWindow());
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{ "Cat", "LongCategory" }));
    EXPECT_EQ(NowMenuNum(), 0);
    EXPECT_EQ(SettingsEntries(), before);
    EXPECT_EQ(ListFolder(program), programBefore);
    EXPECT_TRUE(HandoffLogLines(1, 200).empty());
}

TEST_F(DialogsTest, AddAcceptsTwentyBytesAndStopsAtTen)
{
    SetCategories({ "0", "1", "2", "3", "4", "5", "6", "7" });
    bool timedOut = false;
    RunDialog("MenuTsuika", SLOT_MENUTSUIKA, Steps{
        [](HWND dlg) { Type(dlg, L"猫猫猫猫猫猫猫猫猫猫"); Click(dlg, 1001); },
    }, &timedOut);
    RunDialog("MenuTsuika", SLOT_MENUTSUIKA, Steps{
        [](HWND dlg) { Type(dlg, L"abcdefghijklmnopqrst"); Click(dlg, 1001); },
    }, &timedOut);
    EXPECT_EQ(CategoryCount(), 10);
    EXPECT_STREQ(CategoryName(8), "猫猫猫猫猫猫猫猫猫猫");
    EXPECT_STREQ(CategoryName(9), "abcdefghijklmnopqrst");
    EXPECT_TRUE(DirExists(settings + L"\\abcdefghijklmnopqrst"));

    BoxWatchStart();
    RunDialog("MenuTsuika", SLOT_MENUTSUIKA, Steps{
        [](HWND dlg) { Type(dlg, L"ok"); Click(dlg, 1001); },
        [](HWND dlg) { Type(dlg, L"much-too-long-for-a-name"); PressEnter(GetDlgItem(dlg, 1000)); },
        [](HWND dlg) { Click(dlg, 1001); },
        [](HWND dlg) { SendMessageW(dlg, WM_CLOSE, 0, 0); },
    }, &timedOut);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(Captions(), (std::vector<std::wstring>{ L"メニュー数制限", L"メニュー数制限", L"メニュー数制限" }));
    EXPECT_EQ(BoxWatchSeen()[0].text, L"これ以上増やせません。");
    EXPECT_EQ(CategoryCount(), 10);
}

TEST_F(DialogsTest, DeleteAsksAndNeedsASelection)
{
    SetCategories({ "A", "B", "C" });
    BoxWatchQueue(IDNO);    // 本当に削除しますか？ -> No
    BoxWatchQueue(IDYES);   // again -> Yes, but nothing selected
    bool timedOut = false;
    int code = RunDialog("MenuSakujo", SLOT_MENUSAKUJO, Steps{
        [](HWND dlg) {
            wchar_t title[64];
            GetWindowTextW(dlg, title, 64);
            EXPECT_STREQ(title, L"メニュー削除");
            RECT rc;
            GetWindowRect(dlg, &rc);
            EXPECT_EQ(rc.right - rc.left, 480);
            EXPECT_EQ(rc.bottom - rc.top, 360);
            EXPECT_EQ(ControlClass(dlg, 1004), L"ListBox");
            // A list box keeps whole items: its height comes out a little under 157.
            std::vector<int> box = ControlBox(dlg, 1004);
            EXPECT_EQ(std::vector<int>(box.begin(), box.begin() + 3), (std::vector<int>{ 51, 43, 356 }));
            int itemHeight = (int)SendMessageW(GetDlgItem(dlg, 1004), LB_GETITEMHEIGHT, 0, 0);
            EXPECT_LE(box[3], 157);
            EXPECT_GT(box[3], 157 - itemHeight - 4);
            LONG style = GetWindowLongW(GetDlgItem(dlg, 1004), GWL_STYLE);
            EXPECT_TRUE(style & LBS_NOTIFY);
            EXPECT_FALSE(style & LBS_SORT);
            EXPECT_EQ(ControlText(dlg, 1002), L"削除したいメニューを選択して削除を押してください");
            EXPECT_EQ(ControlBox(dlg, 1002), (std::vector<int>{ 48, 14, 260, 22 }));
            EXPECT_EQ(ControlBox(dlg, 1001), (std::vector<int>{ 345, 258, 90, 38 }));
            EXPECT_EQ(ControlText(dlg, 1005), L"削除");
            EXPECT_EQ(ControlBox(dlg, 1005), (std::vector<int>{ 178, 266, 113, 27 }));
            HWND list = GetDlgItem(dlg, 1004);
            ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
            wchar_t item[64];
            SendMessageW(list, LB_GETTEXT, 2, (LPARAM)item);
            EXPECT_STREQ(item, L"C");
            SendMessageW(list, LB_SETCURSEL, 1, 0);
        },
        [](HWND dlg) { Click(dlg, 1005); },   // No
        [](HWND dlg) {
            EXPECT_TRUE(IsWindow(dlg));
            SendMessageW(GetDlgItem(dlg, 1004), LB_SETCURSEL, (WPARAM)-1, 0);
            Click(dlg, 1005);                 // Yes, nothing selected
        },
        [](HWND dlg) { PressEnter(GetDlgItem(dlg, 1004)); },   // Enter does nothing here
        [](HWND dlg) { EXPECT_TRUE(IsWindow(dlg)); Click(dlg, 1001); },
    }, &timedOut);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(IsWindow(MainWindow()));
    EXPECT_TRUE(IsWindowEnabled(MainWindow()));
    EXPECT_EQ(Names(), (std::vector<std::string>{ "A", "B", "C" }));
    ASSERT_EQ(BoxWatchSeen().size(), 3u);
    EXPECT_EQ(BoxWatchSeen()[0].text, L"本当に削除しますか？");
    EXPECT_EQ(BoxWatchSeen()[0].caption, L"本当にいいですか？");
    EXPECT_TRUE(BoxWatchSeen()[0].hasYesNo);
    EXPECT_EQ(BoxWatchSeen()[2].text, L"メニューをクリックしてから再度押してください。");
    EXPECT_EQ(BoxWatchSeen()[2].caption, L"");
    EXPECT_NE(BoxWatchSeen()[2].owner, MainWindow());   // the dialog owns them
}

TEST_F(DialogsTest, DeleteRemovesTheNameAndEndsBothLoops)
{
    SetCategories({ "A", "B", "C" });
    ASSERT_TRUE(WriteBytes(settings + L"\\B\\Bセリフ.txt", "b\r\n"));
    HWND dialog = nullptr;
    bool timedOut = false;
    int code = RunDialog("MenuSakujo", SLOT_MENUSAKUJO, Steps{
        [&dialog](HWND dlg) {
            dialog = dlg;
            SendMessageW(GetDlgItem(dlg, 1004), LB_SETCURSEL, 1, 0);
            Click(dlg, 1005);
        },
    }, &timedOut);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{ "A", "C" }));
    EXPECT_FALSE(IsWindow(MainWindow()));   // the program ends; shutdown writes the list
    // The main window's own quit is still there for the main loop.
    EXPECT_TRUE(DrainQuit(1000));
    EXPECT_EQ(Captions(), (std::vector<std::wstring>{ L"本当にいいですか？", L"お願い<(_ _)>", L"お願い２<(_ _)>" }));
    EXPECT_EQ(BoxWatchSeen()[1].text,
              L"セリフと画像をまとめたフォルダは削除されません。（復活可能にするためです。）\r\n"
              L"完全に削除したいときは、手動で個人設定フォルダから削除してください。");
    EXPECT_EQ(BoxWatchSeen()[2].text, L"いったんKotopaneを閉じます。\r\nあとでKotopaneを再起動させてください。");
    for (const SHOWN_BOX& b : BoxWatchSeen())
        EXPECT_EQ(b.owner, dialog);
    std::string lines;
    EXPECT_TRUE(ReadBytes(settings + L"\\B\\Bセリフ.txt", &lines));
    EXPECT_EQ(lines, "b\r\n");
}

TEST_F(DialogsTest, HeartCheckBoxFollowsTheFlag)
{
    SetHeartFlag(1);
    bool timedOut = false;
    int code = RunDialog("Kinou", SLOT_KINOU, Steps{
        [](HWND dlg) {
            wchar_t title[64];
            GetWindowTextW(dlg, title, 64);
            EXPECT_STREQ(title, L"機能");
            RECT rc;
            GetWindowRect(dlg, &rc);
            EXPECT_EQ(rc.bottom - rc.top, 169);
            EXPECT_EQ(ControlText(dlg, 1006), L"語尾にハートをつける");
            EXPECT_EQ(ControlBox(dlg, 1006), (std::vector<int>{ 81, 46, 132, 20 }));
            EXPECT_EQ(GetWindowLongW(GetDlgItem(dlg, 1006), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
            EXPECT_EQ(ControlBox(dlg, 1001), (std::vector<int>{ 357, 106, 88, 21 }));
            EXPECT_EQ(SendMessageW(GetDlgItem(dlg, 1006), BM_GETCHECK, 0, 0), BST_CHECKED);
            Click(dlg, 1006);
            EXPECT_EQ(HeartFlag(), 0);
        },
        [](HWND dlg) { SendMessageW(dlg, WM_CLOSE, 0, 0); },
    }, &timedOut);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(HeartFlag(), 0);

    code = RunDialog("Kinou", SLOT_KINOU, Steps{
        [](HWND dlg) {
            EXPECT_EQ(SendMessageW(GetDlgItem(dlg, 1006), BM_GETCHECK, 0, 0), BST_UNCHECKED);
            Click(dlg, 1006);
            EXPECT_EQ(HeartFlag(), 1);
            Click(dlg, 1006);
            EXPECT_EQ(HeartFlag(), 0);
            Click(dlg, 1006);
        },
        [](HWND dlg) { PressEnter(GetDlgItem(dlg, 1006)); },   // Enter closes
    }, &timedOut);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(HeartFlag(), 1);
    EXPECT_TRUE(IsWindowEnabled(MainWindow()));
    EXPECT_TRUE(BoxWatchSeen().empty());
}

TEST_F(DialogsTest, TalkChoiceIsWhatTheDialogShowedWhenItClosed)
{
    const wchar_t* texts[] = { L"しない", L"1分ごと", L"3分ごと", L"10分ごと", L"30分ごと", L"画像も替える" };
    auto checked = [](HWND dlg) {
        std::vector<int> v;
        for (int id = 1007; id <= 1012; id++)
            v.push_back((int)SendMessageW(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0));
        return v;
    };
    // Written by hand, 45 s is none of the five: shown so, and kept by OK alone.
    HITORIGOTO_CHOICE choice = { 45, 0 };
    bool timedOut = false;
    RunDialog("Hitorigoto", SLOT_HITORIGOTO, Steps{ [&](HWND dlg) {
        wchar_t title[64];
        GetWindowTextW(dlg, title, 64);
        EXPECT_STREQ(title, L"ひとりごと");
        for (int k = 0; k < 6; k++) {
            EXPECT_EQ(ControlText(dlg, 1007 + k), texts[k]);
            EXPECT_EQ(ControlBox(dlg, 1007 + k), (std::vector<int>{ 81, k < 5 ? 16 + 24 * k : 144, 132, 20 }));
            EXPECT_EQ((HFONT)SendMessageW(GetDlgItem(dlg, 1007 + k), WM_GETFONT, 0, 0), Categories.slot[SLOT_HITORIGOTO].hFont);
        }
        EXPECT_EQ(checked(dlg), (std::vector<int>{ 0, 0, 0, 0, 0, 0 }));
        Click(dlg, 1001);
    } }, &timedOut, &choice);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(std::make_pair(choice.seconds, choice.pictures), std::make_pair(45, 0));

    // What was clicked last, the interval's five being one choice.
    choice = { 180, 1 };
    RunDialog("Hitorigoto", SLOT_HITORIGOTO, Steps{
        [&](HWND dlg) {
            EXPECT_EQ(checked(dlg), (std::vector<int>{ 0, 0, 1, 0, 0, 1 }));
            Click(dlg, 1010), Click(dlg, 1008), Click(dlg, 1012);
            EXPECT_EQ(checked(dlg), (std::vector<int>{ 0, 1, 0, 0, 0, 0 }));
        },
        [](HWND dlg) { PressEnter(GetDlgItem(dlg, 1012)); },
    }, &timedOut, &choice);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(std::make_pair(choice.seconds, choice.pictures), std::make_pair(60, 0));
    EXPECT_TRUE(IsWindowEnabled(MainWindow()));
    EXPECT_TRUE(BoxWatchSeen().empty());
}
