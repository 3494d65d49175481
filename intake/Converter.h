#pragma once
#include <windows.h>

bool ConverterPresent();                       // "\部品\QX5.exe" opens for reading
void ConverterReportMissing();                 // the message box; the caller ends the process
void ConverterStart();                         // ShellExecute, wait, window search
// Asks the converter for a BMP at dst from src. False when it did not answer in time.
bool ConverterConvert(const char* dst, const char* src);
void ConverterStop();                          // WM_DESTROY to the converter window

// Bounds of the link, so a converter that stops answering never freezes the program.
struct CONVERTER_LINK {
    DWORD searchMs;        // how long the start keeps looking for the converter's window
    DWORD answerMs;        // destination, window texts and the end request
    DWORD convertMs;       // one conversion
    int restartPending;    // it stopped answering: replace it before the next request
};
extern CONVERTER_LINK ConvLink;
