// Reads what the Windows loader looks at in an exe file: the headers, the
// import table and the resources. It works on the file's bytes alone, so the
// 64-bit tests can read the 32-bit exe that is shipped.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace pe {

struct Import {
    std::string dll;       // as the import table spells it
    std::string function;  // the name, or "#" and the number for an import by ordinal
    // Delay imports only: the address the function's pointer holds before
    // the first call, which must be its loading stub, in the code.
    std::uint64_t firstAddress = 0;
    bool firstAddressInCode = false;
};

struct Image {
    std::uint16_t machine = 0;
    bool pe32plus = false;
    std::uint16_t subsystem = 0;
    std::uint16_t osMajor = 0, osMinor = 0;
    std::uint16_t subsystemMajor = 0, subsystemMinor = 0;
    std::vector<Import> imports;
    // Bound on first call. GNU ld leaves the delay-import directory empty, so
    // without it the descriptors are found by their shape.
    std::vector<Import> delayImports;
    // Resource data by type and id, first language only. Named resources are
    // left out: the program has none.
    std::map<std::pair<std::uint16_t, std::uint16_t>, std::string> resources;
    // The same by type, id and language, every language.
    std::map<std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>, std::string>
        resourcesByLanguage;
};

// The texts of a message table resource by message ID, decoded from UTF-16
// (or, for an entry not marked Unicode, taken byte for byte).
std::map<std::uint32_t, std::wstring> ReadMessageTable(const std::string& resource);

// Throws std::runtime_error saying what is malformed or out of bounds.
Image ReadImage(const std::string& bytes);

// One node of a version resource: its key, its value (text nodes decoded up
// to their NUL, binary ones as raw bytes) and its children.
struct VersionNode {
    std::wstring key;
    std::wstring text;
    std::string binary;
    std::vector<VersionNode> children;

    const VersionNode* Child(const std::wstring& name) const;
};
VersionNode ReadVersion(const std::string& resource);

}  // namespace pe
