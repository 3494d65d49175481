#include "app/MainWnd.h"

#include "app/AppState.h"
#include "bitmaps/BlendTable.h"
#include "bitmaps/FileMapFolder.h"
#include "categories/MenuBar.h"
#include "display/Display.h"
#include "intake/Intake.h"
#include "qx5link/Qx5Link.h"
#include "store/Paths.h"
#include "store/TextFile.h"

// Everything is saved here, once, each settings file by its owner, then released.
void MainWnd_Destroy()
{
    // A box of its own (a settings file that cannot be written) lets queued commands through:
    // none is taken from here on, and nothing is drawn or converted.
    SetProgramLife(LIFE_CLOSING);
    // Nothing is written into the categories after this, and what a drop brought in is
    // remembered with the rest.
    DropStop();
    for (const MSG& m : App.waiting)
        if (m.message == WM_DROPFILES)
            DragFinish((HDROP)m.wParam);
    App.waiting.clear();
    TakeSaveFailures();   // only this shutdown's saves are told
    ReleaseAlphaBlendTable();
    SaveSettingsFiles();
    ReleaseSurfaces();

    // The converter goes first: one still busy with a picture that timed out would otherwise
    // write the conversion output (or its partial file) after it was deleted.
    Qx5LinkQuit();
    DeleteConversionOutput();
    RemoveFileMapFolder();
    ReportUnsavedSettings(TakeSaveFailures());

    // The menu bar takes the Edit and recent folders popups with it.
    DestroyMenu(App.hMainMenu);
    App.hMainMenu = nullptr;
    App.hEditMenu = nullptr;
    CategoriesEnd();
    DisplayEnd();
    DeleteObject(App.hBackBrush);
    App.hBackBrush = nullptr;
    SetProgramLife(LIFE_CLOSED);
    PostQuitMessage(0);
}
