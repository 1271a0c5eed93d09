// frmWarning's controls: where each stands, in twips from the client area's
// top left corner, in tab order. 1440 twips make an inch.
#pragma once

enum class ControlKind { Label, Button, CheckBox };

struct ControlLayout {
    int id;
    ControlKind kind;
    const wchar_t* text;  // nullptr: filled when the window opens
    int left, top, width, height;
};

// Control ids stay clear of IDOK and IDCANCEL, which the dialog manager sends
// for Enter and Esc when no button is meant.
enum ControlId {
    lblWarningTitle = 100,
    cmdClose,
    cmdFolderOpen,
    chkNoCheck,
    lblWarningMsg,
    Label3,
    Label4,
    Label5,
    lblFolderName,
    lblFileName,
    lblFileSize,
};

constexpr int kClientWidthTwips = 6690;
constexpr int kClientHeightTwips = 4050;
// The height of the single-line labels: one line of the controls' font.
constexpr int kTextLineTwips = 165;

inline constexpr ControlLayout kLayout[] = {
    {lblWarningTitle, ControlKind::Label, nullptr, 225, 75, 6240, 390},
    {cmdClose, ControlKind::Button, L"閉じる", 5175, 3450, 1290, 405},
    {cmdFolderOpen, ControlKind::Button, L"参照", 5850, 2175, 615, 315},
    {chkNoCheck, ControlKind::CheckBox, L"次回から この個人用フォルダのサイズチェックを行わない",
     225, 3450, 4740, 375},
    {lblWarningMsg, ControlKind::Label, nullptr, 225, 600, 6240, 990},
    {Label3, ControlKind::Label, L"【フォルダ名】", 225, 1800, 1065, 165},
    {Label4, ControlKind::Label, L"【保存場所】", 225, 2175, 990, 165},
    {Label5, ControlKind::Label, L"【ファイルサイズ】", 225, 3075, 1365, 165},
    {lblFolderName, ControlKind::Label, nullptr, 1425, 1800, 5040, 165},
    {lblFileName, ControlKind::Label, nullptr, 1350, 2175, 4365, 690},
    {lblFileSize, ControlKind::Label, nullptr, 1725, 3075, 4665, 165},
};

// Twips to pixels at the display's dots per inch, rounded to the nearest.
constexpr int TwipsToPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}
