#pragma once
#include <windows.h>

#include "base/Limits.h"
#include "converter/Qx5Protocol.h"

// Kotopane's side of the converter QX5.exe, which turns every picture into a BMP file that
// the surfaces load. Kotopane talks only to the converter process it started itself, keeps
// at most one, and holds it in a job that ends it whenever Kotopane ends, killed or not.
// Its bounds keep a converter that stops answering from freezing the program.
struct QX5_LINK {
    DWORD searchMs;        // how long after its start the converter's window is waited for
    DWORD answerMs;        // the destination, the quit request, the end itself
    DWORD convertMs;       // one conversion
    int restartPending;    // it stopped answering: replace it before the next request
    HWND hConverterWnd;    // the window of our converter process, once found
    HANDLE hProcess;       // the converter process we started
    DWORD pid;
    HANDLE hJob;           // kill-on-close: the converter never outlives Kotopane
    ULONGLONG startTick;   // when it was started; the window search is bounded from here
    int waited;            // the bounded wait for this process's window is used up
    int givenUp;           // it could not be started: no more starts, no more waits
    char converterPath[KP_PATH_BYTES];       // the program the link starts
    CONVERTER_CONVERT_REQUEST convRequest;   // the destination and the colour behind the picture
    char convSrcPath[KP_PATH_BYTES];
};
extern QX5_LINK Qx5Link;

// The converter program the link starts (and starts again when it stopped answering).
void Qx5LinkSetPath(const char* exePath);
bool Qx5LinkPresent();                       // the program file opens for reading
void Qx5LinkReportMissing();                 // the message box; the caller ends the process
// Starts the converter and returns at once: its window is found when it is first needed.
void Qx5LinkStart();
// The window of the converter this program started; waits for it (bounded from the start)
// only the first time. Null when there is none to talk to.
HWND Qx5LinkWindow();
// The converter process this program started and still holds; 0 when there is none.
DWORD Qx5LinkProcessId();
// False from a conversion the converter did not answer in time until it is replaced.
bool Qx5LinkAnswering();
enum CONVERT_RESULT {
    CONVERT_DONE,           // it answered: the BMP is there unless the picture was unreadable
    CONVERT_NOT_ANSWERED,   // it did not answer in time (it is replaced before the next one)
    CONVERT_NO_CONVERTER,   // none could be started or reached; the user has been told
    CONVERT_STOPPED         // the shutdown has run: nothing was asked, nothing to say
};
// Asks the converter for a BMP at dst from src, its transparent pixels laid over back.
CONVERT_RESULT Qx5LinkConvert(const char* dst, const char* src, COLORREF back);
// Asks the converter to quit (found through its process when no picture needed it yet) and
// waits until its process is gone; only one that is still there when the bound runs out is
// ended from outside. Nothing is started or asked afterwards.
void Qx5LinkQuit();
