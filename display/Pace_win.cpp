#include "display/DisplayState.h"

#include <mmsystem.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

bool AnimationRunning()
{
    return Display.animDepth > 0;
}

void PaceStart(PACE* p)
{
    LARGE_INTEGER f, now;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&now);
    p->freq = f.QuadPart;
    p->deadline = now.QuadPart;
    // A high-resolution timer where the system has one (Windows 10 1803 on); elsewhere the
    // system timer is made fine enough for 40 ms frames while the animation runs.
    p->timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    p->finePeriod = !p->timer && timeBeginPeriod(1) == TIMERR_NOERROR;
    Display.animDepth++;
}

// Waiting in a message wait is what puts the window's drawing on the screen (Wine sends its
// window surface to the X server only there; Sleep does not). The wake mask holds sent
// messages only: they are answered, input stays queued.
void PaceShow(PACE* p, int ms)
{
    p->deadline += p->freq * ms / 1000;
    bool waited = false;
    LARGE_INTEGER now;
    for (;;) {
        QueryPerformanceCounter(&now);
        LONGLONG left = p->deadline - now.QuadPart;
        if (left <= 0)
            break;
        DWORD waitMs = (DWORD)((left * 1000 + p->freq - 1) / p->freq);
        DWORD r;
        if (p->timer) {
            LARGE_INTEGER due;
            due.QuadPart = -(left * 10000000 / p->freq);
            SetWaitableTimer(p->timer, &due, 0, nullptr, nullptr, FALSE);
            r = MsgWaitForMultipleObjectsEx(1, &p->timer, waitMs + 20, QS_SENDMESSAGE, 0);
            if (r == WAIT_OBJECT_0 + 1) {
                MSG m;
                PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
        } else {
            r = MsgWaitForMultipleObjectsEx(0, nullptr, waitMs, QS_SENDMESSAGE, 0);
            if (r == WAIT_OBJECT_0) {
                MSG m;
                PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
        }
        waited = true;
    }
    if (!waited) {
        // Drawing fell behind: the frame still reaches the screen, and the clock starts
        // again from now instead of rushing the next frames out.
        MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_SENDMESSAGE, 0);
        MSG m;
        PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        p->deadline = now.QuadPart;
    }
}

void PaceEnd(PACE* p)
{
    Display.animDepth--;
    if (p->timer)
        CloseHandle(p->timer);
    if (p->finePeriod)
        timeEndPeriod(1);
    p->timer = nullptr;
    p->finePeriod = false;
}
