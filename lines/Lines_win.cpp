#include "lines/Lines.h"

#include <string.h>
#include <string>
#include <vector>

#include "base/Cp932.h"
#include "base/Edge.h"
#include "base/Limits.h"
#include "base/Random.h"
#include "base/Trace.h"
#include "base/Window.h"
#include "categories/MenuBar.h"
#include "lines/LineChoice.h"
#include "lines/LinesState.h"
#include "store/LineText.h"
#include "store/Paths.h"
#include "store/TextFile.h"

LINES_STATE Lines;

void LinesStart()
{
    memset(&Lines, 0, sizeof(Lines));
}

void SetCurrentLine(const char* line)
{
    Cp932CopyCut(Lines.currentLine, sizeof(Lines.currentLine), line);
}

const char* CurrentLine()
{
    return Lines.currentLine;
}

int CurrentLineIndex()
{
    return Lines.currentLineIndex;
}

static double LineRandom(void*)
{
    return RandomFraction();
}

// The lines file read once per choice, with where each of its lines starts.
struct LINES_TEXT {
    std::string text;
    std::vector<size_t> starts;
};

static void LineFromText(void* ctx, int k, char* out, size_t cap)
{
    const LINES_TEXT* t = (const LINES_TEXT*)ctx;
    out[0] = 0;
    if (k >= 0 && (size_t)k < t->starts.size()) {
        // Up to the next line's start only: a try costs its own line, not the rest of the file.
        size_t at = t->starts[k];
        size_t end = (size_t)k + 1 < t->starts.size() ? t->starts[k + 1] : t->text.size();
        ExtractLine(t->text.data() + at, end - at, 0, out, cap);
    }
}

// Tells the user the category has nothing to say and opens its lines file to write in.
static void NoLinesNotice(const char* path)
{
    std::string text = "メニュー「";
    text += CategoryName(NowMenuNum());
    text += "」にはセリフがありません。セリフファイルにセリフを書き込んでください。";
    EdgeMessageBox(MainWindow(), text.c_str(), "セリフがありません。（‘ v‘）/", MB_TOPMOST | MB_OK);
    // Closed while the box was open: the program is ending, no editor comes up after it.
    // A missing file has nothing for an editor to open.
    if (ProgramRunning() && EdgePathIsFile(path))
        EdgeOpenForUser(MainWindow(), path, HAND_OFF_FILE);
}

// A random usable line of the selected category into the current line; false when its
// lines file has none, with the file's path in path for the notice.
static bool ChooseCurrentLine(char* path, size_t cap)
{
    TraceValues("●●●　SerifuLoad　●●●", 0, 0, 0, 0, 0);

    if (!CategoryLinesPath(NowMenuNum(), path, cap)) {
        // No such category: still name its (missing) lines file for the trace, spelled as
        // the trace has always shown it (settings folder, name, separator, file name).
        std::string file = std::string(CategoryName(NowMenuNum())) + KP_LINES_SUFFIX;
        ProgramPath(path, cap, KP_SETTINGS_PREFIX, CategoryName(NowMenuNum()), "\\", file.c_str());
    }
    TraceText("Path=", path);

    // Read and decoded once; the tries read their lines from it.
    LINES_TEXT lines;
    if (!ReadTextFile(path, &lines.text) || lines.text[0] == 0)
        return false;
    int lineSuu = LineSuuOf(lines.text.data(), lines.text.size());
    TraceValues("LineSuu", lineSuu, 0, 0, 0, 0);
    if (lineSuu == 0)
        return false;

    LineStarts(lines.text.data(), lines.text.size(), &lines.starts);
    return ChooseLine(lineSuu, LineRandom, LineFromText, &lines, Lines.currentLine, sizeof Lines.currentLine,
                      &Lines.currentLineIndex) >= 0;
}

const char* SerifuLoad()
{
    char path[KP_PATH_BYTES] = {};
    if (!ChooseCurrentLine(path, sizeof path))
        NoLinesNotice(path);
    return Lines.currentLine;
}

const char* SerifuLoadQuietly()
{
    char path[KP_PATH_BYTES] = {};
    return ChooseCurrentLine(path, sizeof path) ? Lines.currentLine : nullptr;
}

static void SettingsFolderPath(char* path, size_t cap)
{
    memset(path, 0, cap);
    ProgramPath(path, cap, KP_SETTINGS_DIR);
}

// Lines are written with the user's own editor: explain, then open the settings folder.
void MainWnd_AddLines_MenuClick()
{
    char path[KP_PATH_BYTES];
    SettingsFolderPath(path, sizeof path);
    TraceText("Path=", path);
    EdgeMessageBox(MainWindow(),
                   "フォルダの中にあるセリフファイルにセリフを書き込んでください。（書き換えもOK）\r\n"
                   "セリフを複数書くときは改行（enter）で区切ってください。\r\n"
                   "最後に上書き保存をしてください。\r\n",
                   "セリフ追加（‘ v‘）/", MB_TOPMOST | MB_OK);
    if (ProgramRunning())
        EdgeOpenForUser(MainWindow(), path, HAND_OFF_FOLDER);
}

void MainWnd_DeleteLines_MenuClick()
{
    char path[KP_PATH_BYTES];
    SettingsFolderPath(path, sizeof path);
    EdgeMessageBox(MainWindow(), "各フォルダのセリフファイルから手動で削除してください。",
                   "セリフを選択して削除", MB_TOPMOST | MB_OK);
    if (ProgramRunning())
        EdgeOpenForUser(MainWindow(), path, HAND_OFF_FOLDER);
}
