#include "app/MainWnd.h"

#include <string>

#include "app/AppState.h"
#include "app/Hitorigoto.h"
#include "app/HitorigotoState.h"
#include "base/Edge.h"
#include "base/Random.h"
#include "base/Window.h"
#include "categories/DialogHost.h"
#include "display/Display.h"
#include "intake/Intake.h"
#include "store/TextFile.h"

HITORIGOTO_STATE Hitorigoto;

void HitorigotoStart()
{
    Hitorigoto = HITORIGOTO_STATE();
}

// Read as any editor may have saved it; missing or damaged, the talk is off.
void LoadHitorigoto(const char* path)
{
    std::string text;
    ReadTextFile(path, &text);
    HitorigotoFromText(text.data(), text.size(), &Hitorigoto.choice.seconds, &Hitorigoto.choice.pictures);
}

void SaveHitorigoto(const char* path)
{
    std::string text = HitorigotoText(Hitorigoto.choice.seconds, Hitorigoto.choice.pictures);
    FileWriteMy2(path, text.data(), (DWORD)text.size());
}

void HitorigotoUserActed()
{
    Hitorigoto.userActed = 1;
}

// One timer, set again with a fresh interval each time: while the talk is off there is none.
void HitorigotoRestart()
{
    HWND wnd = MainWindow();
    if (!wnd)
        return;
    unsigned ms = HitorigotoDelayMs(Hitorigoto.choice.seconds, Hitorigoto.userActed != 0, RandomFraction);
    if (ms)
        SetTimer(wnd, TIMER_HITORIGOTO, ms, nullptr);
    else
        KillTimer(wnd, TIMER_HITORIGOTO);
}

// The timer comes inside the loops of boxes, menus and dialogs too: the character speaks
// only when the user is not in the middle of something.
bool HitorigotoMayTalk()
{
    HWND wnd = MainWindow();
    return Hitorigoto.choice.seconds > 0
           && Hitorigoto.userActed          // a category chosen or a picture dropped in this run
           && !IsIconic(wnd)
           && IsWindowEnabled(wnd)          // a modal window of any kind holds it
           && !DialogRunning()              // a dialog of the host
           && EdgeModalOpen() == 0          // a message box, a hand-off to the shell
           && Hitorigoto.windowLoops == 0   // a menu, a move or a resize of the window
           && App.showing == 0              // a picture shown, a line typed, a drop, the colour dialog
           && !AnimationRunning()
           && App.waiting.empty()           // drops, and what came during an animation
           && !DropInProgress() && !App.dropDone;   // a drop's copies, or their end not taken yet
}

bool HitorigotoChangesPicture()
{
    return Hitorigoto.choice.pictures != 0;
}

// The dialog works on a copy, taken when it closes, however it was closed.
void MainWnd_Hitorigoto_MenuClick()
{
    HITORIGOTO_CHOICE choice = Hitorigoto.choice;
    DialogOpen(MainWindow(), "Hitorigoto", &choice);
    // Closed with the window: the shutdown has saved the choice as it was before.
    if (!ProgramRunning())
        return;
    Hitorigoto.choice = choice;
    HitorigotoRestart();
}

void MainWnd_WindowLoop(bool entered)
{
    if (entered) {
        Hitorigoto.windowLoops++;
        return;
    }
    if (Hitorigoto.windowLoops > 0)
        Hitorigoto.windowLoops--;
    // The user was busy with the window just now.
    HitorigotoRestart();
}
