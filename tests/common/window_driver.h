// Drives Tarnwick's windows from another process, as a person would: finds
// them, reads their controls, ticks the box, presses buttons, answers error
// messages. Every wait is bounded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

enum class WindowKind { Warning, ErrorMessage };

struct ControlInfo {
    int id = 0;
    std::wstring className;
    std::wstring text;
    bool visible = false;
    RECT rect = {};  // in the parent's client pixels
};

// Waits for a visible top-level window of the process with the caption
// "Tarnwick" of the given kind; nullptr when none came within the time, or
// when the process ended first.
HWND WaitForWindow(HANDLE process, WindowKind kind, DWORD timeoutMs);

// The same without waiting: which kind of Tarnwick window the process shows
// now, if any; and every one of them.
HWND FindWindowOf(DWORD processId, WindowKind kind);
std::vector<HWND> WindowsOf(DWORD processId, WindowKind kind);

std::wstring WindowText(HWND window);
// Whether the window stands above every window that is not (WS_EX_TOPMOST).
bool Topmost(HWND window);
std::vector<ControlInfo> Controls(HWND window);
ControlInfo Control(HWND window, int id);
SIZE ClientSize(HWND window);

// The control that has the keyboard focus in the window's thread.
HWND FocusedControl(HWND window);

// Posts a click, so the driver never waits on what the click opens.
void Click(HWND control);
void ClickId(HWND window, int id);
// The frame's close control.
void CloseByFrame(HWND window);
// A key press sent through the window's message loop to the focused control.
void PressKey(HWND window, WPARAM virtualKey);

// Waits until the window is gone; false on time-out.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);
// Waits until the window's thread has handled everything sent to it so far.
void Settle(HWND window);

// The text of an error message box, and pressing its OK button.
std::wstring MessageText(HWND messageBox);
void AnswerMessage(HWND messageBox);

// Saves the window, frame and caption included, as a 24-bit BMP.
bool SaveWindowBitmap(HWND window, const std::wstring& path);

}  // namespace driver
