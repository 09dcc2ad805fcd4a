#include "editor/version_info.h"

#include <dlfcn.h>
#include <elf.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace vtq {

namespace {

const char kSectionName[] = ".vtq_version";
const char kMagic[] = "VTQVERSION1";

// A bounds-checked read of a plain struct at `offset`.
template <typename T>
bool ReadAt(const std::string& bytes, uint64_t offset, T& out) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return false;
    std::memcpy(&out, bytes.data() + offset, sizeof(T));
    return true;
}

// The contents of the named section; the file is never trusted: every offset
// and size is checked against the file's length.
template <typename Ehdr, typename Shdr>
std::optional<std::string> FindSection(const std::string& bytes, const char* name) {
    Ehdr header;
    if (!ReadAt(bytes, 0, header)) return std::nullopt;
    if (header.e_shentsize != sizeof(Shdr) || header.e_shstrndx >= header.e_shnum) return std::nullopt;
    auto sectionAt = [&](uint64_t index, Shdr& out) {
        return ReadAt(bytes, header.e_shoff + index * sizeof(Shdr), out);
    };
    Shdr names;
    if (!sectionAt(header.e_shstrndx, names)) return std::nullopt;
    if (names.sh_offset > bytes.size() || bytes.size() - names.sh_offset < names.sh_size) return std::nullopt;
    const size_t nameLength = std::strlen(name);
    for (uint64_t i = 0; i < header.e_shnum; ++i) {
        Shdr section;
        if (!sectionAt(i, section)) return std::nullopt;
        if (section.sh_name >= names.sh_size || names.sh_size - section.sh_name <= nameLength) continue;
        const char* sectionName = bytes.data() + names.sh_offset + section.sh_name;
        if (std::memcmp(sectionName, name, nameLength + 1) != 0) continue;
        if (section.sh_type == SHT_NOBITS) return std::nullopt;
        if (section.sh_offset > bytes.size() || bytes.size() - section.sh_offset < section.sh_size) {
            return std::nullopt;
        }
        return bytes.substr(section.sh_offset, section.sh_size);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::map<std::string, std::string>> ReadVersionInfo(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < EI_NIDENT || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0) return std::nullopt;

    std::optional<std::string> section;
    if (bytes[EI_CLASS] == ELFCLASS64) {
        section = FindSection<Elf64_Ehdr, Elf64_Shdr>(bytes, kSectionName);
    } else if (bytes[EI_CLASS] == ELFCLASS32) {
        section = FindSection<Elf32_Ehdr, Elf32_Shdr>(bytes, kSectionName);
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
