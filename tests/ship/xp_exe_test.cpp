// The shipped 32-bit exe, read from its file: what the loader of Windows XP
// needs to start it, and the resources that Explorer and the window show.
// The presets build it in build/win32, beside this test's build/win64.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "common/files.h"
#include "pe_image.h"

namespace {

using common::BuildFolder;
using common::ReadBytes;

constexpr std::uint16_t kIconType = 3, kIconGroupType = 14, kVersionType = 16, kManifestType = 24;
constexpr size_t kMaxExeBytes = 320 * 1024;
// The version set in project() (CMakeLists.txt), MAJOR.MINOR.PATCH.
const std::string kVersion = TARNWICK_VERSION_TEXT;

std::wstring ShippedExePath() {
    return BuildFolder() + L"..\\win32\\Tarnwick.exe";
}
std::wstring TestBuildExePath() {
    return BuildFolder() + L"Tarnwick.exe";
}
std::wstring ImportListPath() {
    return BuildFolder() + L"..\\..\\tests\\xp_imports.txt";
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Key(const std::string& dll, const std::string& function) {
    return Upper(dll) + "!" + function;
}

// DLLs that every Windows XP installation has in its system folder.
const std::set<std::string> kXpDlls = {
    "ADVAPI32.DLL", "COMCTL32.DLL", "COMDLG32.DLL", "GDI32.DLL",    "IMM32.DLL",   "KERNEL32.DLL",
    "MSVCRT.DLL",   "NTDLL.DLL",    "OLE32.DLL",    "OLEAUT32.DLL", "SHELL32.DLL", "SHLWAPI.DLL",
    "USER32.DLL",   "UXTHEME.DLL",  "VERSION.DLL",  "WINMM.DLL",    "WS2_32.DLL"};

// Functions that Windows XP SP3 does not have, which this program comes near:
// the -posix thread model's runtime imports the first, and the program binds
// the second at run time only. An exe importing either does not start there
// at all; the import list catches any other.
const std::set<std::string> kLaterFunctions = {
    "KERNEL32.DLL!GetTickCount64",
    "KERNEL32.DLL!SetDefaultDllDirectories",
};

bool IsLaterFunction(const std::string& dll, const std::string& function) {
    // The secure "_s" functions reached the system's msvcrt.dll with Vista.
    if (Upper(dll) == "MSVCRT.DLL" && function.size() > 2 &&
        function.compare(function.size() - 2, 2, "_s") == 0) {
        return true;
    }
    return kLaterFunctions.count(Key(dll, function)) != 0;
}

struct ImportList {
    std::set<std::string> entries;  // Key(dll, function)
    std::vector<std::string> problems;
};

// "DLL!Function  minimum supported client" lines; "#" starts a comment line.
ImportList ParseImportList(const std::string& text) {
    ImportList list;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string entry, minimum;
        fields >> entry >> minimum;
        const size_t bang = entry.find('!');
        const std::string where = "line " + std::to_string(number) + " (" + entry + "): ";
        if (bang == std::string::npos || bang == 0 || bang + 1 == entry.size()) {
            list.problems.push_back(where + "not DLL!Function");
            continue;
        }
        if (minimum.empty()) list.problems.push_back(where + "no minimum supported client");
        const std::string dll = entry.substr(0, bang), function = entry.substr(bang + 1);
        if (IsLaterFunction(dll, function)) list.problems.push_back(where + "Vista or later");
        if (!list.entries.insert(Key(dll, function)).second) {
            list.problems.push_back(where + "listed twice");
        }
    }
    return list;
}

std::vector<std::string> HeaderProblems(const pe::Image& image, size_t fileBytes) {
    std::vector<std::string> problems;
    if (image.machine != IMAGE_FILE_MACHINE_I386) {
        problems.push_back("machine " + std::to_string(image.machine) + ", not i386 (332)");
    }
    if (image.pe32plus) problems.push_back("64-bit (PE32+) optional header");
    if (image.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI) {
        problems.push_back("subsystem " + std::to_string(image.subsystem) + ", not GUI (2)");
    }
    auto above51 = [](unsigned major, unsigned minor) {
        return major > 5 || (major == 5 && minor > 1);
    };
    if (above51(image.osMajor, image.osMinor)) {
        problems.push_back("OS version " + std::to_string(image.osMajor) + "." +
                           std::to_string(image.osMinor) + " is above 5.1");
    }
    if (above51(image.subsystemMajor, image.subsystemMinor)) {
        problems.push_back("subsystem version " + std::to_string(image.subsystemMajor) + "." +
                           std::to_string(image.subsystemMinor) + " is above 5.1");
    }
    if (fileBytes > kMaxExeBytes) {
        problems.push_back(std::to_string(fileBytes) + " bytes, more than " +
                           std::to_string(kMaxExeBytes));
    }
    return problems;
}

// Delay-loaded functions are bound only when first called, but a missing one
// fails all the same, so they follow the same rules.
std::vector<std::string> ImportProblems(const pe::Image& image,
                                        const std::set<std::string>& listed) {
    std::vector<std::string> problems;
    std::vector<pe::Import> all = image.imports;
    all.insert(all.end(), image.delayImports.begin(), image.delayImports.end());
    for (const pe::Import& import : all) {
        const std::string name = import.dll + "!" + import.function;
        if (kXpDlls.count(Upper(import.dll)) == 0) {
            problems.push_back(name + ": DLL not in Windows XP");
        }
        if (IsLaterFunction(import.dll, import.function)) {
            problems.push_back(name + ": Windows Vista or later");
        } else if (listed.count(Key(import.dll, import.function)) == 0) {
            problems.push_back(name + ": not on the import list");
        }
    }
    return problems;
}

bool Mentions(const std::vector<std::string>& problems, const std::string& text) {
    return std::any_of(problems.begin(), problems.end(),
                       [&](const std::string& p) { return p.find(text) != std::string::npos; });
}

std::string Joined(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& p : problems) text += "\n  " + p;
    return text;
}

pe::Image ShippedImage(size_t* fileBytes = nullptr) {
    const std::string bytes = ReadBytes(ShippedExePath());
    if (bytes.empty()) {
        ADD_FAILURE() << "no build/win32/Tarnwick.exe: build the win32 preset first";
        return {};
    }
    if (fileBytes) *fileBytes = bytes.size();
    return pe::ReadImage(bytes);
}

const std::string* Resource(const pe::Image& image, std::uint16_t type, std::uint16_t id) {
    const auto found = image.resources.find({type, id});
    return found == image.resources.end() ? nullptr : &found->second;
}

// The opening tag of the first element named `tag` whose tag holds `marker`.
std::string Element(const std::string& xml, const std::string& tag,
                    const std::string& marker = "") {
    for (size_t at = xml.find("<" + tag); at != std::string::npos;
         at = xml.find("<" + tag, at + 1)) {
        const std::string element = xml.substr(at, xml.find('>', at) - at + 1);
        if (element.find(marker) != std::string::npos) return element;
    }
    return "";
}

std::string Attribute(const std::string& element, const std::string& name) {
    const size_t at = element.find(" " + name + "=\"");
    if (at == std::string::npos) return "";
    const size_t start = at + name.size() + 3;
    return element.substr(start, element.find('"', start) - start);
}

}  // namespace

TEST(ShippedExe, HeaderIsA32BitGuiProgramForWindowsXp) {
    size_t fileBytes = 0;
    const pe::Image image = ShippedImage(&fileBytes);
    const std::vector<std::string> problems = HeaderProblems(image, fileBytes);
    EXPECT_TRUE(problems.empty()) << Joined(problems);
}

TEST(ShippedExe, ImportsOnlyListedFunctionsOfWindowsXpDlls) {
    const ImportList list = ParseImportList(ReadBytes(ImportListPath()));
    ASSERT_FALSE(list.entries.empty()) << "cannot read tests/xp_imports.txt";
    EXPECT_TRUE(list.problems.empty()) << "tests/xp_imports.txt:" << Joined(list.problems);

    const pe::Image image = ShippedImage();
    ASSERT_FALSE(image.imports.empty());
    const std::vector<std::string> problems = ImportProblems(image, list.entries);
    EXPECT_TRUE(problems.empty()) << Joined(problems);
}

// A check that shows no window must not load the window system: user32,
// gdi32 and comctl32 come in only when the warning window or an error message
// is shown. Finding the window's functions among the delay-loaded ones also
// shows that the reader finds those at all. Until its first call, each
// delay-loaded function's pointer holds the address of the stub that loads
// the DLL: a pointer left 0 (as GNU ld for i686 leaves it when it drops the
// stub) makes the first window of a run a jump to address 0. Both builds.
TEST(ShippedExe, LoadsTheWindowDllsOnlyWhenAWindowIsShown) {
    for (const std::wstring& path : {ShippedExePath(), TestBuildExePath()}) {
        SCOPED_TRACE(path.c_str());
        const std::string bytes = ReadBytes(path);
        ASSERT_FALSE(bytes.empty());
        const pe::Image image = pe::ReadImage(bytes);
        for (const pe::Import& import : image.imports) {
            const std::string dll = Upper(import.dll);
            EXPECT_TRUE(dll != "USER32.DLL" && dll != "GDI32.DLL" && dll != "COMCTL32.DLL")
                << import.dll << "!" << import.function << " is loaded at start";
        }
        std::set<std::string> delayed;
        for (const pe::Import& import : image.delayImports) {
            delayed.insert(Key(import.dll, import.function));
            EXPECT_TRUE(import.firstAddressInCode)
                << import.dll << "!" << import.function << " starts at address 0x" << std::hex
                << import.firstAddress << ", not at a stub in the code";
        }
        for (const char* needed :
             {"USER32.DLL!DialogBoxIndirectParamW", "USER32.DLL!MessageBoxW",
              "GDI32.DLL!CreateFontIndirectW", "COMCTL32.DLL!InitCommonControls"}) {
            EXPECT_EQ(delayed.count(needed), 1u) << needed << " is not delay-loaded";
        }
    }
}

// The checks themselves, on exes that must fail them: the 64-bit test build
// (x86-64, and its posix thread runtime imports GetTickCount64) and a list
// that names later functions or is written wrongly.
TEST(ShippedExeChecks, RejectTheTestBuildAndABadList) {
    const std::string bytes = ReadBytes(TestBuildExePath());
    ASSERT_FALSE(bytes.empty());
    const pe::Image image = pe::ReadImage(bytes);
    const std::vector<std::string> header = HeaderProblems(image, bytes.size());
    EXPECT_TRUE(Mentions(header, "not i386")) << Joined(header);
    EXPECT_TRUE(Mentions(header, "PE32+")) << Joined(header);

    const ImportList list = ParseImportList(ReadBytes(ImportListPath()));
    const std::vector<std::string> imports = ImportProblems(image, list.entries);
    EXPECT_TRUE(Mentions(imports, "KERNEL32.dll!GetTickCount64: Windows Vista or later"))
        << Joined(imports);
    // Everything the 32-bit exe imports is listed; a GetTickCount64 that
    // is listed all the same still fails.
    std::set<std::string> withLater = list.entries;
    withLater.insert(Key("KERNEL32.dll", "GetTickCount64"));
    EXPECT_TRUE(
        Mentions(ImportProblems(image, withLater), "GetTickCount64: Windows Vista or later"));
    EXPECT_TRUE(Mentions(ImportProblems(image, {}), "CloseHandle: not on the import list"));

    const ImportList bad = ParseImportList(
        "# comment\r\n"
        "KERNEL32.dll!CloseHandle  Windows 2000 Professional\r\n"
        "kernel32.DLL!CloseHandle  Windows 2000 Professional\r\n"
        "KERNEL32.dll!SetDefaultDllDirectories  Windows XP\r\n"
        "msvcrt.dll!wcscpy_s  C runtime\r\n"
        "KERNEL32.dll!Sleep\r\n"
        "CloseHandle  Windows 2000 Professional\r\n");
    EXPECT_EQ(bad.entries.size(), 4u);
    EXPECT_EQ(bad.problems, (std::vector<std::string>{
                                "line 3 (kernel32.DLL!CloseHandle): listed twice",
                                "line 4 (KERNEL32.dll!SetDefaultDllDirectories): Vista or later",
                                "line 5 (msvcrt.dll!wcscpy_s): Vista or later",
                                "line 6 (KERNEL32.dll!Sleep): no minimum supported client",
                                "line 7 (CloseHandle): not DLL!Function",
                            }));
}

TEST(ShippedExe, IconGroupHoldsA32PixelImageIn8And24Bits) {
    const pe::Image image = ShippedImage();
    // Group 1 is the one the warning window loads and Explorer shows.
    const std::string* group = Resource(image, kIconGroupType, 1);
    ASSERT_TRUE(group != nullptr) << "no icon group 1";
    const std::string& dir = *group;
    ASSERT_GE(dir.size(), 6u);
    auto word = [&](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(dir[at]) |
                                     static_cast<unsigned char>(dir[at + 1]) << 8);
    };
    EXPECT_EQ(word(2), 1u) << "not an icon group";
    const unsigned count = word(4);
    ASSERT_EQ(count, 2u);
    ASSERT_EQ(dir.size(), 6u + 14u * count);

    std::multiset<unsigned> bitCounts;
    for (unsigned i = 0; i < count; ++i) {
        const size_t entry = 6 + 14 * i;
        const unsigned width = static_cast<unsigned char>(dir[entry]);
        const unsigned height = static_cast<unsigned char>(dir[entry + 1]);
        const unsigned bits = word(entry + 6);
        const unsigned bytes = word(entry + 8) | word(entry + 10) << 16;
        const std::uint16_t id = static_cast<std::uint16_t>(word(entry + 12));
        EXPECT_EQ(width, 32u);
        EXPECT_EQ(height, 32u);
        bitCounts.insert(bits);

        const std::string* icon = Resource(image, kIconType, id);
        ASSERT_TRUE(icon != nullptr) << "group names icon " << id << ", which is missing";
        EXPECT_EQ(icon->size(), bytes) << "icon " << id;
        ASSERT_GE(icon->size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        memcpy(&header, icon->data(), sizeof header);
        EXPECT_EQ(header.biWidth, 32);
        EXPECT_EQ(header.biHeight, 64) << "the image and its mask";
        EXPECT_EQ(header.biBitCount, bits) << "icon " << id << " is not what its group says";
    }
    EXPECT_EQ(bitCounts, (std::multiset<unsigned>{8, 24}));
}

TEST(ShippedExe, VersionResourceNamesTarnwickInTheLanguageItDeclares) {
    const pe::Image image = ShippedImage();
    const std::string* resource = Resource(image, kVersionType, 1);
    ASSERT_TRUE(resource != nullptr) << "no version resource";
    const pe::VersionNode root = pe::ReadVersion(*resource);
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    ASSERT_GE(root.binary.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    memcpy(&fixed, root.binary.data(), sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);

    // Explorer looks up the strings under the language and code page that
    // Translation names: a table under any other key shows nothing.
    const pe::VersionNode* translation =
        root.Child(L"VarFileInfo") ? root.Child(L"VarFileInfo")->Child(L"Translation") : nullptr;
    ASSERT_NE(translation, nullptr);
    ASSERT_EQ(translation->binary.size(), 4u);
    std::uint16_t language, codePage;
    memcpy(&language, translation->binary.data(), 2);
    memcpy(&codePage, translation->binary.data() + 2, 2);
    wchar_t key[9];
    swprintf(key, 9, L"%04X%04X", language, codePage);
    const pe::VersionNode* info = root.Child(L"StringFileInfo");
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(info->children.size(), 1u);
    const pe::VersionNode& table = info->children[0];
    EXPECT_EQ(_wcsicmp(table.key.c_str(), key), 0) << "strings under another language";

    auto text = [&](const wchar_t* name) {
        const pe::VersionNode* node = table.Child(name);
        return node ? node->text : std::wstring();
    };
    EXPECT_EQ(text(L"ProductName"), L"Tarnwick");
    EXPECT_FALSE(text(L"FileDescription").empty());
    // The text and the number that installers compare give the same version.
    const std::wstring number = std::to_wstring(HIWORD(fixed.dwFileVersionMS)) + L"." +
                                std::to_wstring(LOWORD(fixed.dwFileVersionMS)) + L"." +
                                std::to_wstring(HIWORD(fixed.dwFileVersionLS));
    EXPECT_EQ(text(L"FileVersion").rfind(number, 0), 0u)
        << "FileVersion text does not begin with " << std::string(number.begin(), number.end());
    // ... and it is the project's.
    const std::wstring version(kVersion.begin(), kVersion.end());
    EXPECT_EQ(number, version);
    EXPECT_EQ(text(L"FileVersion"), version);
    EXPECT_EQ(text(L"ProductVersion"), version);
}

TEST(ShippedExe, ManifestAsksForCommonControls6AndDeclaresDpiAwareness) {
    const pe::Image image = ShippedImage();
    // An exe's own manifest is resource 1; the loader reads no other.
    const std::string* resource = Resource(image, kManifestType, 1);
    ASSERT_TRUE(resource != nullptr) << "no manifest resource 1";
    const std::string& xml = *resource;

    // The program's own identity carries the project's version, in the four
    // parts an assembly version has.
    EXPECT_EQ(Attribute(Element(xml, "assemblyIdentity", "name=\"Tarnwick\""), "version"),
              kVersion + ".0");

    const std::string controls =
        Element(xml, "assemblyIdentity", "\"Microsoft.Windows.Common-Controls\"");
    ASSERT_FALSE(controls.empty()) << xml;
    EXPECT_EQ(Attribute(controls, "version"), "6.0.0.0");
    EXPECT_EQ(Attribute(controls, "publicKeyToken"), "6595b64144ccf1df");
    EXPECT_EQ(Attribute(controls, "type"), "win32");
    const size_t identity = xml.find(controls);
    EXPECT_TRUE(xml.find("<dependentAssembly") < identity &&
                identity < xml.find("</dependentAssembly>"))
        << "Common-Controls is named outside a dependentAssembly";

    // Windows reads dpiAware only in its own namespace.
    const std::string dpi = Element(xml, "dpiAware");
    ASSERT_FALSE(dpi.empty()) << xml;
    EXPECT_EQ(Attribute(dpi, "xmlns"), "http://schemas.microsoft.com/SMI/2005/WindowsSettings");
    const size_t value = xml.find(dpi) + dpi.size();
    EXPECT_EQ(Upper(xml.substr(value, 4)), "TRUE");

    // Windows XP refuses to start an exe whose manifest has a trustInfo or
    // application element in the manifest's own asm.v1 namespace ("the
    // application configuration is incorrect"), and XP SP2 restarts when
    // trustInfo declares its namespace twice. asm.v2 for trustInfo is read by
    // XP and later Windows alike.
    const std::string trust = Element(xml, "trustInfo");
    ASSERT_FALSE(trust.empty()) << xml;
    EXPECT_EQ(Attribute(trust, "xmlns"), "urn:schemas-microsoft-com:asm.v2");
    EXPECT_EQ(trust.find("xmlns"), trust.rfind("xmlns")) << trust;
    EXPECT_EQ(Attribute(Element(xml, "requestedExecutionLevel"), "level"), "asInvoker");
    EXPECT_EQ(Attribute(Element(xml, "application"), "xmlns"), "urn:schemas-microsoft-com:asm.v3");
}

// The numbers of the strings a message text takes in, as FormatMessage reads
// it: "%" and one or two digits; "%0" ends the text; "%" before anything else
// is an escape ("%n" a line break, "%%" a percent sign).
std::set<int> Inserts(const std::wstring& text) {
    std::set<int> numbers;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] != L'%' || at + 1 >= text.size()) continue;
        if (text[at + 1] == L'0') break;
        int number = 0;
        size_t digits = 0;
        while (digits < 2 && at + 1 < text.size() && iswdigit(text[at + 1])) {
            number = number * 10 + (text[++at] - L'0');
            ++digits;
        }
        if (digits == 0) ++at;  // an escape
        if (number > 0) numbers.insert(number);
    }
    return numbers;
}

// Event Viewer takes an event's text from the exe's message table, in its own
// language: every event the program writes has a Japanese and an English text
// on one line ("%n" breaks it), each taking in every one of the event's
// strings and no other.
TEST(ShippedExe, MessageTableHasAJapaneseAndAnEnglishTextForEveryEvent) {
    constexpr std::uint16_t kMessageTableType = 11;
    const struct {
        std::uint32_t id;
        int strings;
    } events[] = {{1000, 10}, {1001, 7}, {1002, 7}, {1003, 7},
                  {1004, 7},  {1005, 4}, {1006, 6}, {1007, 3}};
    const pe::Image image = ShippedImage();
    for (const std::uint16_t language : {0x411, 0x409}) {
        SCOPED_TRACE(language == 0x411 ? "Japanese" : "English");
        const auto table = image.resourcesByLanguage.find({kMessageTableType, 1, language});
        ASSERT_NE(table, image.resourcesByLanguage.end()) << "no message table";
        const std::map<std::uint32_t, std::wstring> texts = pe::ReadMessageTable(table->second);
        EXPECT_EQ(texts.size(), std::size(events)) << "a text for no event, or one missing";
        for (const auto& event : events) {
            SCOPED_TRACE(event.id);
            const auto text = texts.find(event.id);
            ASSERT_NE(text, texts.end()) << "no text";
            std::set<int> all;
            for (int i = 1; i <= event.strings; ++i) all.insert(i);
            EXPECT_EQ(Inserts(text->second), all);
            const std::wstring shown = text->second.substr(0, text->second.find(L"%0"));
            EXPECT_EQ(shown.find_first_of(L"\r\n"), std::wstring::npos) << "a line end in the text";
            const bool japanese =
                std::any_of(shown.begin(), shown.end(), [](wchar_t c) { return c >= 0x3000; });
            EXPECT_EQ(japanese, language == 0x411);
        }
    }
}
