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
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    p->deadline += p->freq * ms / 1000;
    // A frame drawn late still stays on the screen for half its time: on a busy machine the
    // animation slows down rather than flashing frames by too briefly to be seen.
    LONGLONG least = now.QuadPart + p->freq * ms / 2000;
    if (p->deadline < least)
        p->deadline = least;
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
