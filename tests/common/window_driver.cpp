#include "window_driver.h"

#include <fstream>

#include "process.h"
#include "warning_window/layout.h"

namespace driver {

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the static text of a message box
constexpr int kCloseButtonId = cmdClose;

struct Search {
    DWORD processId;
    WindowKind kind;
    std::vector<HWND> found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    if (WindowText(window) != L"Tarnwick") return TRUE;
    const int marker = search->kind == WindowKind::Warning ? kCloseButtonId : kMessageTextId;
    if (GetDlgItem(window, marker) != nullptr) search->found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> WindowsOf(DWORD processId, WindowKind kind) {
    Search search{processId, kind, {}};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindWindowOf(DWORD processId, WindowKind kind) {
    const std::vector<HWND> windows = WindowsOf(processId, kind);
    return windows.empty() ? nullptr : windows.front();
}

HWND WaitForWindow(HANDLE process, WindowKind kind, DWORD timeoutMs) {
    const DWORD processId = GetProcessId(process);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND window = FindWindowOf(processId, kind)) {
            Settle(window);
            return window;
        }
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return nullptr;
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(20);
    }
}

std::wstring WindowText(HWND window) {
    // WM_GETTEXT works across processes for any window class.
    wchar_t buffer[4096] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 5000, &result);
    return buffer;
}

bool Topmost(HWND window) {
    // The extended style is the window manager's: readable from any process.
    return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

namespace {
BOOL CALLBACK CollectChild(HWND child, LPARAM lParam) {
    auto* list = reinterpret_cast<std::vector<ControlInfo>*>(lParam);
    HWND parent = GetParent(child);
    ControlInfo info;
    info.id = GetDlgCtrlID(child);
    wchar_t className[64] = {};
    GetClassNameW(child, className, 64);
    info.className = className;
    info.text = WindowText(child);
    info.visible = IsWindowVisible(child) != FALSE;
    GetWindowRect(child, &info.rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&info.rect), 2);
    list->push_back(info);
    return TRUE;
}
}  // namespace

std::vector<ControlInfo> Controls(HWND window) {
    std::vector<ControlInfo> list;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&list));
    return list;
}

ControlInfo Control(HWND window, int id) {
    for (const ControlInfo& info : Controls(window)) {
        if (info.id == id) return info;
    }
    return {};
}

SIZE ClientSize(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return {client.right - client.left, client.bottom - client.top};
}

HWND FocusedControl(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

void Click(HWND control) {
    PostMessageW(control, BM_CLICK, 0, 0);
}

void ClickId(HWND window, int id) {
    Click(GetDlgItem(window, id));
}

void CloseByFrame(HWND window) {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void PressKey(HWND window, WPARAM virtualKey) {
    HWND target = FocusedControl(window);
    if (target == nullptr) target = window;
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    if (virtualKey == VK_RETURN) PostMessageW(target, WM_CHAR, L'\r', 1 | (scan << 16));
    if (virtualKey == VK_ESCAPE) PostMessageW(target, WM_CHAR, 0x1B, 1 | (scan << 16));
    PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
    Settle(window);
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    return common::WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); },
                             timeoutMs);
}

void Settle(HWND window) {
    // A sent message is handled only after the posted ones before it.
    DWORD_PTR result = 0;
    for (int i = 0; i < 3; ++i) {
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
        Sleep(30);
    }
}

std::wstring MessageText(HWND messageBox) {
    return WindowText(GetDlgItem(messageBox, kMessageTextId));
}

void AnswerMessage(HWND messageBox) {
    ClickId(messageBox, IDOK);
}

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    info.bmiHeader.biSizeImage = imageSize;
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageSize);
    const bool ok = out.good();
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace driver
