#include "warning_window/warning_window.h"

#include <windows.h>

#include <cwchar>
#include <optional>
#include <vector>

#include "check_run/error_message.h"
#include "check_run/exemption.h"
#include "check_run/run_state.h"
#include "platform/environment.h"
#include "platform/failure.h"
#include "platform/process_start.h"
#include "platform/scoped.h"
#include "platform/text.h"
#include "platform/user_interface.h"
#include "warning_window/layout.h"

std::wstring FormatGrouped(std::int64_t number) {
    const bool negative = number < 0;
    std::wstring digits = platform::DecimalText(number);
    if (negative) digits.erase(0, 1);
    std::wstring grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += L',';
        grouped += digits[i];
    }
    return negative ? L"-" + grouped : grouped;
}

std::wstring SizeLineText(const std::wstring& sizeKbText, std::int32_t limitSize) {
    const std::int64_t size = std::wcstoll(sizeKbText.c_str(), nullptr, 10);
    // Sizes come from 64-bit byte counts, so the room left is exact in 64 bits.
    const std::int64_t room = static_cast<std::int64_t>(limitSize) - size;
    return FormatGrouped(size) + L" KB  ( 残り " + FormatGrouped(room) + L" KB )";
}

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;  // thin, fixed frame
// Above every other window from the moment it shows: a logon check may find
// the user already at work, and Windows keeps a program started in the
// background from taking the foreground. Not owned and no tool window, so it
// keeps its taskbar button.
constexpr DWORD kExStyle = WS_EX_TOPMOST;
// Posted when the window is shown, so that it asks for the foreground once
// it is visible.
constexpr UINT kComeForward = WM_APP + 1;
constexpr COLORREF kRed = RGB(255, 0, 0);

// The command line that makes Explorer open exactly this folder, or nothing
// for a path too long for Explorer.
std::optional<std::wstring> ExplorerCommandLine(const std::wstring& folder) {
    // Explorer knows paths, not the "\\?\" form of one.
    std::wstring plain = folder;
    if (plain.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        plain = L"\\\\" + plain.substr(8);
    } else if (plain.rfind(L"\\\\?\\", 0) == 0) {
        plain = plain.substr(4);
    }
    // Its paths hold fewer than MAX_PATH characters, the final backslash
    // aside; a longer one opens some other folder, or none.
    const bool backslash = !plain.empty() && plain.back() == L'\\';
    if (plain.size() - (backslash ? 1 : 0) >= MAX_PATH) return std::nullopt;
    // Explorer cuts its command line into fields at commas and equals signs
    // outside double quotes, and drops the quotes; a path holds none, and a
    // backslash before the closing one is no escape to Explorer.
    return L"explorer \"" + plain + L"\"";
}

struct WindowState {
    int dpi = 96;
    platform::ScopedGdiObject titleFont;
    platform::ScopedGdiObject messageFont;
    platform::ScopedGdiObject controlFont;
    std::optional<platform::RunFailure> failure;  // carried out of the dialog
};

HFONT CreateWarningFont(int hundredthsOfPoint, int weight, int dpi) {
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(hundredthsOfPoint, dpi, 7200);
    font.lfWeight = weight;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    // A Japanese system without this face falls back to another Japanese
    // proportional font, thanks to the character set above.
    wcscpy(font.lfFaceName, L"ＭＳ Ｐゴシック");
    return CreateFontIndirectW(&font);
}

// The window's default GUI font, sized so that one line of it fills the
// single-line labels exactly. At its own size its line is taller than those
// labels and their bottom rows are cut off: commas read as full stops.
HFONT CreateControlFont(int dpi) {
    LOGFONTW font = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = TwipsToPixels(kTextLineTwips, dpi);  // positive: the whole line's height
    font.lfWidth = 0;
    return CreateFontIndirectW(&font);
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

void PlaceWindow(HWND window, int dpi) {
    RECT frame = {0, 0, TwipsToPixels(kClientWidthTwips, dpi),
                  TwipsToPixels(kClientHeightTwips, dpi)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER);
}

void CreateControls(HWND window, WindowState& state) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HFONT guiFont = static_cast<HFONT>(state.controlFont.get());
    for (const ControlLayout& control : kLayout) {
        const wchar_t* windowClass = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE;
        switch (control.kind) {
            case ControlKind::Label:
                // Texts are shown as they are: "&" in a path is not a shortcut.
                style |= SS_NOPREFIX | (control.id == lblWarningTitle ? SS_CENTER : SS_LEFT);
                // Windows breaks lines only at spaces unless told to wrap as
                // an edit control does: a store path, a long run without
                // spaces, would otherwise run out of its label and be cut.
                if (control.id == lblFileName || control.id == lblWarningMsg) {
                    style |= SS_EDITCONTROL;
                }
                break;
            case ControlKind::Button:
                windowClass = L"BUTTON";
                style |= WS_TABSTOP | BS_PUSHBUTTON;
                break;
            case ControlKind::CheckBox:
                windowClass = L"BUTTON";
                style |= WS_TABSTOP | BS_AUTOCHECKBOX | BS_MULTILINE;
                break;
        }
        HWND child = CreateWindowExW(
            0, windowClass, control.text ? control.text : L"", style,
            TwipsToPixels(control.left, state.dpi), TwipsToPixels(control.top, state.dpi),
            TwipsToPixels(control.width, state.dpi), TwipsToPixels(control.height, state.dpi),
            window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        HFONT font = guiFont;
        if (control.id == lblWarningTitle) font = static_cast<HFONT>(state.titleFont.get());
        if (control.id == lblWarningMsg) font = static_cast<HFONT>(state.messageFont.get());
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

void FillControls(HWND window) {
    SetDlgItemTextW(window, lblWarningTitle, RunState.WarningTitle.c_str());
    SetDlgItemTextW(window, lblWarningMsg, RunState.WarningMsg.c_str());
    SetDlgItemTextW(window, lblFolderName, RunState.FolderName.c_str());
    SetDlgItemTextW(window, lblFileName, RunState.StoreRoot.c_str());
    SetDlgItemTextW(window, lblFileSize,
                    SizeLineText(RunState.SizeKbText, RunState.LimitSize).c_str());
    // The box is also withheld for an exemption that could never match once
    // stored (see CanRecordExemption).
    if (RunState.ShowNoCheckBox == 0 ||
        !CanRecordExemption(RunState.FolderName, RunState.StoreRoot)) {
        ShowWindow(GetDlgItem(window, chkNoCheck), SW_HIDE);
    }
}

void OnInit(HWND window, WindowState& state) {
    state.dpi = ScreenDpi();
    state.titleFont = platform::ScopedGdiObject(CreateWarningFont(1800, FW_BOLD, state.dpi));
    state.messageFont = platform::ScopedGdiObject(CreateWarningFont(975, FW_NORMAL, state.dpi));
    state.controlFont = platform::ScopedGdiObject(CreateControlFont(state.dpi));
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetWindowTextW(window, L"Tarnwick");
    PlaceWindow(window, state.dpi);
    CreateControls(window, state);
    FillControls(window);
    SetFocus(GetDlgItem(window, cmdClose));
}

// Asks for the foreground, never by tricks; when Windows refuses, the
// taskbar button flashes until the user brings the window forward.
void ComeForward(HWND window) {
    if (SetForegroundWindow(window)) return;
    FLASHWINFO flash = {sizeof flash, window, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
}

void OnClose(HWND window) {
    HWND box = GetDlgItem(window, chkNoCheck);
    if (IsWindowVisible(box) && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        RunState.NoCheckChosen = true;
    }
    EndDialog(window, 0);
}

void OnFolderOpen(HWND window) {
    const int length = GetWindowTextLengthW(GetDlgItem(window, lblFileName));
    std::wstring path(static_cast<size_t>(length) + 1, L'\0');
    GetDlgItemTextW(window, lblFileName, path.data(), length + 1);
    path.resize(static_cast<size_t>(length));
    const size_t slash = path.find_last_of(L'\\');
    path = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    const std::optional<std::wstring> commandLine = ExplorerCommandLine(path);
    if (!commandLine) {
        // Explorer would open another folder or none: say so, and let the
        // user go on with the warning.
        const std::wstring text = platform::FailureMessageText(
            {ERROR_FILENAME_EXCED_RANGE, platform::SystemErrorText(ERROR_FILENAME_EXCED_RANGE),
             L"エクスプローラーで開けません：" + path});
        ShowErrorMessage(window, text);
        return;
    }
    // Explorer comes in front of the warning, which stays open behind it.
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    // The program is the one in the Windows folder: never an explorer.exe
    // planted next to this program or in the current folder.
    platform::StartProgram(platform::WindowsFolder() + L"\\explorer.exe", *commandLine);
}

INT_PTR CALLBACK WarningProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            OnInit(window, *reinterpret_cast<WindowState*>(lParam));
            return FALSE;  // focus was set on cmdClose
        case WM_SHOWWINDOW:
            if (wParam) PostMessageW(window, kComeForward, 0, 0);
            return FALSE;
        case kComeForward:
            ComeForward(window);
            return TRUE;
        case WM_CTLCOLORSTATIC: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            if (id != lblWarningTitle && id != lblWarningMsg) return FALSE;
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kRed);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_COMMAND:
            // IDOK and IDCANCEL (Enter away from a button, Esc) do nothing.
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            try {
                switch (LOWORD(wParam)) {
                    case cmdClose:
                        OnClose(window);
                        return TRUE;
                    case cmdFolderOpen:
                        OnFolderOpen(window);
                        return TRUE;
                }
            } catch (const platform::RunFailure& failure) {
                // Exceptions must not cross the system's dialog code.
                state->failure = failure;
                EndDialog(window, 0);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            // The frame's close control: closes without recording anything.
            EndDialog(window, 0);
            return TRUE;
    }
    return FALSE;
}

// An empty dialog template: the controls are created at the display's real
// DPI once the window exists, since the layout is in twips, not dialog units.
std::vector<WORD> DialogTemplate() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = kStyle;
    header->dwExtendedStyle = kExStyle;
    return words;  // no menu, default class, empty title (set on init)
}

}  // namespace

void ShowWarningWindow() {
    platform::PrepareUserInterface();
    WindowState state;
    std::vector<WORD> dialog = DialogTemplate();
    INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<DLGTEMPLATE*>(dialog.data()), nullptr,
                                             WarningProc, reinterpret_cast<LPARAM>(&state));
    if (state.failure) throw *state.failure;
    if (result == -1) platform::FailWithLastError(L"警告画面を表示できません。");
}
