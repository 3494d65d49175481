#pragma once
#include <windows.h>

#include "base/ConverterProtocol.h"
#include "base/Limits.h"

// The link to the converter QX5.exe, which turns every picture into a BMP file that the
// surfaces load. Its bounds keep a converter that stops answering from freezing the program.
struct CONVERTER_LINK {
    DWORD searchMs;        // how long the start keeps looking for the converter's window
    DWORD answerMs;        // destination, window texts and the end request
    DWORD convertMs;       // one conversion
    int restartPending;    // it stopped answering: replace it before the next request
    HWND hConverterWnd;
    char converterPath[KP_PATH_BYTES];       // the program the link starts
    char convOutBlock[CONVERTER_DEST_BYTES];
    char convSrcPath[KP_PATH_BYTES];
};
extern CONVERTER_LINK ConvLink;

// The converter program the link starts (and starts again when it stopped answering).
void ConverterSetPath(const char* exePath);
bool ConverterPresent();                       // the program file opens for reading
void ConverterReportMissing();                 // the message box; the caller ends the process
void ConverterStart();                         // ShellExecute, wait, window search
// Asks the converter for a BMP at dst from src. False when it did not answer in time.
bool ConverterConvert(const char* dst, const char* src);
void ConverterStop();                          // WM_DESTROY to the converter window
