#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "intake/Intake.h"

// The copies of a drop run on a thread of their own, so the window answers however long they
// take. The thread touches no window and no state of the program: it gets the job below,
// posts its progress and its end to the window (WM_KP_DROP_PROGRESS, WM_KP_DROP_DONE), and
// the window's thread reads what it found once the thread has ended.

// What became of a dropped file. The message after a drop lists the refused ones by reason,
// in this order.
enum {
    DROP_ARRIVED = -1,
    REFUSED_NAME = 0,        // code page 932 can't write it, its path is too long, or a temporary name
    REFUSED_LINES_FILE,      // the category's lines file
    REFUSED_NOTHING_INSIDE,  // a folder with no file directly inside
    REFUSED_NOT_PICTURE,     // its first bytes are no picture the converter shows
    REFUSED_UNREADABLE,
    REFUSED_DISK_FULL,
    REFUSED_UNWRITABLE,
    REFUSED_KINDS,
    DROP_STOPPED = REFUSED_KINDS,   // the program closed before it was copied
};

// A dropped path in code page 932 ("" when it has none that fits) and as the shell gave it.
struct DROPPED {
    std::string path;
    std::wstring wide;
    bool fromFolder;    // found inside a dropped folder: taken only when it is a picture
};

struct DROP_RESULT {
    DROPPED file;
    int outcome;        // DROP_ARRIVED, a refusal or DROP_STOPPED
};

struct DROP_JOB {
    // Set by the window's thread before the copies start.
    HWND notify;
    std::string folder;         // the target category's folder
    std::string linesFile;      // its lines file's name, never replaced by a drop
    std::vector<DROPPED> dropped;
    volatile LONG stop;         // the copies end at the next chunk
    // Set by the copying thread.
    std::vector<DROP_RESULT> results;   // one per file, in the order they were taken
    bool folderMissing;         // the folder was gone and could not be made: nothing came in
    int pictures;               // what a listing of the folder counts after the copies; -1: not listed
};

// The thread that runs the job and then posts WM_KP_DROP_DONE; null when none could be
// started (the caller runs the job itself).
HANDLE DropCopyStart(DROP_JOB* job);
void DropCopyRun(DROP_JOB* job);
