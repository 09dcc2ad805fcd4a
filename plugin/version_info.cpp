#include "plugin/version_info.h"

#include <dlfcn.h>
#include <elf.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstring>
#include <fstream>
#include <vector>

namespace vtq {

namespace {

const char kSectionName[] = ".vtq_version";
const char kMagic[] = "VTQVERSION1";

// The library file is several megabytes; only its headers and the one section
// are read. The file is never trusted: every offset and size is checked
// against the file's length before anything is read or allocated.
class FilePieces {
public:
    explicit FilePieces(const std::string& path) : in_(path, std::ios::binary) {
        if (!in_) return;
        in_.seekg(0, std::ios::end);
        const std::streamoff end = in_.tellg();
        if (end < 0) return;
        size_ = static_cast<uint64_t>(end);
        open_ = true;
    }
    bool Fits(uint64_t offset, uint64_t length) const { return open_ && offset <= size_ && size_ - offset >= length; }

    bool Read(uint64_t offset, uint64_t length, void* out) {
        if (!Fits(offset, length)) return false;
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(static_cast<char*>(out), static_cast<std::streamsize>(length));
        return static_cast<bool>(in_);
    }
    template <typename T>
    bool ReadAt(uint64_t offset, T& out) {
        return Read(offset, sizeof(T), &out);
    }
    std::optional<std::string> Bytes(uint64_t offset, uint64_t length) {
        if (!Fits(offset, length)) return std::nullopt;
        std::string bytes(length, '\0');
        if (!Read(offset, length, bytes.data())) return std::nullopt;
        return bytes;
    }

private:
    std::ifstream in_;
    uint64_t size_ = 0;
    bool open_ = false;
};

// The contents of the named section: the section header table and the
// section-name table locate it, then it alone is read.
template <typename Ehdr, typename Shdr>
std::optional<std::string> FindSection(FilePieces& file, const char* name) {
    Ehdr header;
    if (!file.ReadAt(0, header)) return std::nullopt;
    if (header.e_shentsize != sizeof(Shdr) || header.e_shstrndx >= header.e_shnum) return std::nullopt;
    const uint64_t tableSize = uint64_t{header.e_shnum} * sizeof(Shdr);
    if (!file.Fits(header.e_shoff, tableSize)) return std::nullopt;
    std::vector<Shdr> sections(header.e_shnum);
    if (!file.Read(header.e_shoff, tableSize, sections.data())) return std::nullopt;
    const Shdr& namesHeader = sections[header.e_shstrndx];
    const std::optional<std::string> names = file.Bytes(namesHeader.sh_offset, namesHeader.sh_size);
    if (!names) return std::nullopt;
    const size_t nameLength = std::strlen(name);
    for (const Shdr& section : sections) {
        if (section.sh_name >= names->size() || names->size() - section.sh_name <= nameLength) continue;
        if (std::memcmp(names->data() + section.sh_name, name, nameLength + 1) != 0) continue;
        if (section.sh_type == SHT_NOBITS) return std::nullopt;
        return file.Bytes(section.sh_offset, section.sh_size);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::map<std::string, std::string>> ReadVersionInfo(const std::string& path) {
    FilePieces file(path);
    unsigned char ident[EI_NIDENT];
    if (!file.Read(0, sizeof(ident), ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) return std::nullopt;

    std::optional<std::string> section;
    if (ident[EI_CLASS] == ELFCLASS64) {
        section = FindSection<Elf64_Ehdr, Elf64_Shdr>(file, kSectionName);
    } else if (ident[EI_CLASS] == ELFCLASS32) {
        section = FindSection<Elf32_Ehdr, Elf32_Shdr>(file, kSectionName);
    }
    if (!section) return std::nullopt;

    // The texts follow the magic, each ended by a NUL; a missing last NUL ends the section.
    std::map<std::string, std::string> info;
    size_t pos = 0;
    bool first = true;
    while (pos < section->size()) {
        size_t end = section->find('\0', pos);
        if (end == std::string::npos) end = section->size();
        const std::string text = section->substr(pos, end - pos);
        pos = end + 1;
        if (first) {
            if (text != kMagic) return std::nullopt;
            first = false;
            continue;
        }
        const size_t eq = text.find('=');
        if (eq != std::string::npos && eq > 0) info.emplace(text.substr(0, eq), text.substr(eq + 1));
    }
    if (first) return std::nullopt;
    return info;
}

std::string VersionText(const std::string& path) {
    const auto info = ReadVersionInfo(path);
    if (!info) return std::string("About:") + " No version information available.";
    std::string text;
    if (auto it = info->find("ProductName"); it != info->end()) text = it->second;
    if (auto it = info->find("FileVersion"); it != info->end() && !it->second.empty()) {
        text += " - Version: " + it->second;
    }
    return text;
}

std::string PluginVersionText() {
    Dl_info module{};
    const void* self = reinterpret_cast<const void*>(&PluginVersionText);
    if (dladdr(self, &module) == 0 || module.dli_fname == nullptr) return VersionText(std::string());
    const QString fileName = QFileInfo(QString::fromLocal8Bit(module.dli_fname)).fileName();
    const QString inHostFolder = QDir(QCoreApplication::applicationDirPath()).filePath(fileName);
    return VersionText(inHostFolder.toLocal8Bit().toStdString());
}

}  // namespace vtq
