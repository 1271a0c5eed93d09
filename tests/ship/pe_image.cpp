#include "pe_image.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace pe {

namespace {

class Bytes {
  public:
    explicit Bytes(const std::string& bytes) : bytes_(bytes) {}

    template <typename T>
    T At(size_t offset) const {
        Need(offset, sizeof(T));
        T value;
        std::memcpy(&value, bytes_.data() + offset, sizeof(T));
        return value;
    }
    std::string Slice(size_t offset, size_t size) const {
        Need(offset, size);
        return bytes_.substr(offset, size);
    }
    std::string CString(size_t offset) const {
        Need(offset, 1);
        size_t end = bytes_.find('\0', offset);
        if (end == std::string::npos) throw std::runtime_error("unterminated name");
        return bytes_.substr(offset, end - offset);
    }
    size_t size() const { return bytes_.size(); }

  private:
    void Need(size_t offset, size_t size) const {
        if (offset > bytes_.size() || bytes_.size() - offset < size) {
            throw std::runtime_error("read past the end at offset " + std::to_string(offset));
        }
    }
    const std::string& bytes_;
};

// Maps addresses in the loaded image to offsets in the file.
class Sections {
  public:
    Sections(const Bytes& file, size_t table, unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            sections_.push_back(
                file.At<IMAGE_SECTION_HEADER>(table + i * sizeof(IMAGE_SECTION_HEADER)));
        }
    }
    size_t FileOffset(std::uint32_t rva) const {
        for (const IMAGE_SECTION_HEADER& s : sections_) {
            const std::uint32_t size = std::max(s.Misc.VirtualSize, s.SizeOfRawData);
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < size) {
                return s.PointerToRawData + (rva - s.VirtualAddress);
            }
        }
        throw std::runtime_error("address " + std::to_string(rva) + " lies in no section");
    }

    bool IsCode(std::uint64_t rva) const {
        for (const IMAGE_SECTION_HEADER& s : sections_) {
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.Misc.VirtualSize) {
                return (s.Characteristics & IMAGE_SCN_MEM_EXECUTE) != 0;
            }
        }
        return false;
    }

    // Where each section's bytes lie in the file.
    std::vector<std::pair<size_t, size_t>> RawRanges() const {
        std::vector<std::pair<size_t, size_t>> ranges;
        for (const IMAGE_SECTION_HEADER& s : sections_) {
            ranges.emplace_back(s.PointerToRawData, s.PointerToRawData + s.SizeOfRawData);
        }
        return ranges;
    }

  private:
    std::vector<IMAGE_SECTION_HEADER> sections_;
};

void ReadImports(const Bytes& file, const Sections& sections, IMAGE_DATA_DIRECTORY directory,
                 bool wide, Image& image) {
    if (directory.VirtualAddress == 0) return;
    size_t at = sections.FileOffset(directory.VirtualAddress);
    for (;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto descriptor = file.At<IMAGE_IMPORT_DESCRIPTOR>(at);
        if (descriptor.Name == 0) break;
        const std::string dll = file.CString(sections.FileOffset(descriptor.Name));
        // The lookup table keeps the names; the address table may already be
        // bound to addresses.
        const std::uint32_t table = descriptor.OriginalFirstThunk != 0
                                        ? descriptor.OriginalFirstThunk
                                        : descriptor.FirstThunk;
        size_t thunk = sections.FileOffset(table);
        for (;; thunk += wide ? 8 : 4) {
            const std::uint64_t entry =
                wide ? file.At<std::uint64_t>(thunk) : file.At<std::uint32_t>(thunk);
            if (entry == 0) break;
            const std::uint64_t byOrdinal = wide ? IMAGE_ORDINAL_FLAG64 : IMAGE_ORDINAL_FLAG32;
            if (entry & byOrdinal) {
                image.imports.push_back({dll, "#" + std::to_string(entry & 0xFFFF)});
            } else {
                // Skip the two-byte hint before the name.
                const size_t name = sections.FileOffset(static_cast<std::uint32_t>(entry)) + 2;
                image.imports.push_back({dll, file.CString(name)});
            }
        }
    }
}

// A delay-load descriptor: attributes (1: the fields are RVAs), then the DLL's
// name, its module handle, its address table and its name table, and three
// fields of no interest here.
struct DelayDescriptor {
    std::uint32_t attributes, name, module, addresses, names, bound, unload, timeStamp;
};

bool Printable(const std::string& text, size_t maxLength) {
    return !text.empty() && text.size() <= maxLength &&
           std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

// The imports one descriptor names, or nothing when the bytes are not a
// descriptor: every address must lead to a well-formed name.
std::vector<Import> DelayImportsAt(const Bytes& file, const Sections& sections, size_t at,
                                   bool wide, std::uint64_t imageBase) {
    try {
        const auto d = file.At<DelayDescriptor>(at);
        if (d.attributes != 1 || d.module == 0 || d.addresses == 0 || d.names == 0) return {};
        sections.FileOffset(d.module);
        sections.FileOffset(d.addresses);
        const std::string dll = file.CString(sections.FileOffset(d.name));
        if (!Printable(dll, 64) || dll.size() < 5 ||
            _stricmp(dll.c_str() + dll.size() - 4, ".dll") != 0) {
            return {};
        }
        std::vector<Import> found;
        const size_t step = wide ? 8 : 4;
        const size_t addresses = sections.FileOffset(d.addresses);
        for (size_t i = 0, thunk = sections.FileOffset(d.names);; ++i, thunk += step) {
            const std::uint64_t entry =
                wide ? file.At<std::uint64_t>(thunk) : file.At<std::uint32_t>(thunk);
            if (entry == 0) break;
            Import import{dll, ""};
            if (entry & (wide ? IMAGE_ORDINAL_FLAG64 : IMAGE_ORDINAL_FLAG32)) {
                import.function = "#" + std::to_string(entry & 0xFFFF);
            } else {
                if (entry > 0xFFFFFFFFu) return {};
                import.function =
                    file.CString(sections.FileOffset(static_cast<std::uint32_t>(entry)) + 2);
                if (!Printable(import.function, 256)) return {};
            }
            const size_t slot = addresses + i * step;
            import.firstAddress =
                wide ? file.At<std::uint64_t>(slot) : file.At<std::uint32_t>(slot);
            import.firstAddressInCode =
                import.firstAddress > imageBase && sections.IsCode(import.firstAddress - imageBase);
            found.push_back(import);
        }
        return found;
    } catch (const std::runtime_error&) {
        return {};
    }
}

void ReadDelayImports(const Bytes& file, const Sections& sections, IMAGE_DATA_DIRECTORY directory,
                      bool wide, std::uint64_t imageBase, Image& image) {
    auto take = [&](const std::vector<Import>& found) {
        image.delayImports.insert(image.delayImports.end(), found.begin(), found.end());
    };
    if (directory.VirtualAddress != 0) {
        for (size_t at = sections.FileOffset(directory.VirtualAddress);
             file.At<DelayDescriptor>(at).name != 0; at += sizeof(DelayDescriptor)) {
            const std::vector<Import> found = DelayImportsAt(file, sections, at, wide, imageBase);
            if (found.empty()) throw std::runtime_error("malformed delay-import directory");
            take(found);
        }
        return;
    }
    for (const auto& [start, end] : sections.RawRanges()) {
        for (size_t at = start; at + sizeof(DelayDescriptor) <= end; at += 4) {
            if (file.At<std::uint32_t>(at) == 1)
                take(DelayImportsAt(file, sections, at, wide, imageBase));
        }
    }
}

// The tree is type, then id, then language; offsets are from its root.
void ReadResources(const Bytes& file, const Sections& sections, IMAGE_DATA_DIRECTORY directory,
                   Image& image) {
    if (directory.VirtualAddress == 0) return;
    const size_t root = sections.FileOffset(directory.VirtualAddress);
    struct Entry {
        bool named;
        std::uint16_t id;
        bool subdirectory;
        std::uint32_t offset;
    };
    auto entries = [&](std::uint32_t offset) {
        const auto head = file.At<IMAGE_RESOURCE_DIRECTORY>(root + offset);
        std::vector<Entry> list;
        const unsigned count = head.NumberOfNamedEntries + head.NumberOfIdEntries;
        for (unsigned i = 0; i < count; ++i) {
            const size_t at = root + offset + sizeof head + i * 8;
            const auto name = file.At<std::uint32_t>(at);
            const auto data = file.At<std::uint32_t>(at + 4);
            list.push_back({(name & 0x80000000u) != 0, static_cast<std::uint16_t>(name & 0xFFFF),
                            (data & 0x80000000u) != 0, data & 0x7FFFFFFFu});
        }
        return list;
    };
    for (const Entry& type : entries(0)) {
        if (type.named || !type.subdirectory) continue;
        for (const Entry& id : entries(type.offset)) {
            if (id.named || !id.subdirectory) continue;
            const std::vector<Entry> languages = entries(id.offset);
            if (languages.empty() || languages.front().subdirectory) continue;
            const auto data = file.At<IMAGE_RESOURCE_DATA_ENTRY>(root + languages.front().offset);
            image.resources[{type.id, id.id}] =
                file.Slice(sections.FileOffset(data.OffsetToData), data.Size);
            for (const Entry& language : languages) {
                if (language.subdirectory) continue;
                const auto each = file.At<IMAGE_RESOURCE_DATA_ENTRY>(root + language.offset);
                image.resourcesByLanguage[{type.id, id.id, language.id}] =
                    file.Slice(sections.FileOffset(each.OffsetToData), each.Size);
            }
        }
    }
}

}  // namespace

Image ReadImage(const std::string& bytes) {
    const Bytes file(bytes);
    const auto dos = file.At<IMAGE_DOS_HEADER>(0);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE) throw std::runtime_error("no MZ header");
    const size_t nt = static_cast<size_t>(dos.e_lfanew);
    if (file.At<std::uint32_t>(nt) != IMAGE_NT_SIGNATURE) throw std::runtime_error("no PE header");
    const auto header = file.At<IMAGE_FILE_HEADER>(nt + 4);
    const size_t optional = nt + 4 + sizeof header;

    Image image;
    image.machine = header.Machine;
    image.pe32plus = file.At<std::uint16_t>(optional) == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    const IMAGE_DATA_DIRECTORY* directories = nullptr;
    std::uint64_t imageBase = 0;
    IMAGE_OPTIONAL_HEADER32 o32;
    IMAGE_OPTIONAL_HEADER64 o64;
    // The two headers name the same fields at different places.
    auto take = [&](const auto& o) {
        image.subsystem = o.Subsystem;
        image.osMajor = o.MajorOperatingSystemVersion;
        image.osMinor = o.MinorOperatingSystemVersion;
        image.subsystemMajor = o.MajorSubsystemVersion;
        image.subsystemMinor = o.MinorSubsystemVersion;
        directories = o.DataDirectory;
        imageBase = o.ImageBase;
    };
    if (image.pe32plus) {
        o64 = file.At<IMAGE_OPTIONAL_HEADER64>(optional);
        take(o64);
    } else {
        o32 = file.At<IMAGE_OPTIONAL_HEADER32>(optional);
        if (o32.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) throw std::runtime_error("unknown magic");
        take(o32);
    }

    const Sections sections(file, optional + header.SizeOfOptionalHeader, header.NumberOfSections);
    ReadImports(file, sections, directories[IMAGE_DIRECTORY_ENTRY_IMPORT], image.pe32plus, image);
    ReadDelayImports(file, sections, directories[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT],
                     image.pe32plus, imageBase, image);
    ReadResources(file, sections, directories[IMAGE_DIRECTORY_ENTRY_RESOURCE], image);
    return image;
}

namespace {

size_t Align4(size_t offset) {
    return (offset + 3) & ~size_t{3};
}

// A node is: length, value length, type (1 text, 0 binary), the key with its
// NUL, padding to 4 bytes, the value, padding, then the children.
VersionNode ReadNode(const Bytes& data, size_t at, size_t* next) {
    const auto length = data.At<std::uint16_t>(at);
    const auto valueLength = data.At<std::uint16_t>(at + 2);
    const auto type = data.At<std::uint16_t>(at + 4);
    if (length < 6 || at + length > data.size()) throw std::runtime_error("bad version node");
    const size_t end = at + length;

    VersionNode node;
    size_t pos = at + 6;
    for (wchar_t c; (c = static_cast<wchar_t>(data.At<std::uint16_t>(pos))) != 0; pos += 2) {
        node.key += c;
    }
    pos = Align4(pos + 2);
    // A text value's length counts characters, a binary one's bytes.
    const size_t valueBytes =
        std::min<size_t>(type == 1 ? valueLength * 2u : valueLength, end > pos ? end - pos : 0);
    if (type == 1) {
        for (size_t i = 0; i + 1 < valueBytes; i += 2) {
            const auto c = static_cast<wchar_t>(data.At<std::uint16_t>(pos + i));
            if (c == 0) break;
            node.text += c;
        }
    } else {
        node.binary = data.Slice(pos, valueBytes);
    }
    pos = Align4(pos + valueBytes);
    while (pos < end) {
        node.children.push_back(ReadNode(data, pos, &pos));
        pos = Align4(pos);
    }
    *next = end;
    return node;
}

}  // namespace

const VersionNode* VersionNode::Child(const std::wstring& name) const {
    for (const VersionNode& child : children) {
        if (child.key == name) return &child;
    }
    return nullptr;
}

// Blocks of consecutive IDs, each pointing at its entries: a length (of the
// whole entry), flags (1: UTF-16) and the text, padded with NULs.
std::map<std::uint32_t, std::wstring> ReadMessageTable(const std::string& resource) {
    const Bytes table(resource);
    std::map<std::uint32_t, std::wstring> texts;
    const auto blocks = table.At<std::uint32_t>(0);
    for (std::uint32_t block = 0; block < blocks; ++block) {
        const size_t at = 4 + block * 12;
        const auto low = table.At<std::uint32_t>(at), high = table.At<std::uint32_t>(at + 4);
        size_t entry = table.At<std::uint32_t>(at + 8);
        if (high < low || high - low > 0xFFFF) throw std::runtime_error("malformed message block");
        for (std::uint32_t id = low; id <= high; ++id) {
            const auto length = table.At<std::uint16_t>(entry);
            const auto flags = table.At<std::uint16_t>(entry + 2);
            if (length < 4) throw std::runtime_error("malformed message entry");
            std::wstring text;
            for (size_t c = entry + 4; c < entry + length; c += (flags & 1) ? 2 : 1) {
                const wchar_t unit = (flags & 1) ? table.At<std::uint16_t>(c)
                                                 : static_cast<unsigned char>(table.At<char>(c));
                if (unit == 0) break;
                text += unit;
            }
            texts[id] = text;
            entry += length;
        }
    }
    return texts;
}

VersionNode ReadVersion(const std::string& resource) {
    size_t end = 0;
    return ReadNode(Bytes(resource), 0, &end);
}

}  // namespace pe
