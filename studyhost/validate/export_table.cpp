#include "studyhost/validate/export_table.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string_view>

namespace studyhost::validate {
namespace {

// Larger files are no study library.
constexpr std::size_t kMaxFileBytes = 512u * 1024u * 1024u;

constexpr std::uint32_t kSectionDynamicSymbols = 11;  // SHT_DYNSYM
constexpr std::uint16_t kUndefinedSection = 0;        // SHN_UNDEF
constexpr unsigned kBindGlobal = 1;
constexpr unsigned kBindWeak = 2;
constexpr unsigned kBindUnique = 10;  // STB_GNU_UNIQUE
constexpr unsigned kVisibilityDefault = 0;
constexpr unsigned kVisibilityProtected = 3;

// Symbols the linker defines in every library.
constexpr std::string_view kLinkerMarkers[] = {"_init", "_fini", "_edata", "_end", "__bss_start"};

template <typename T>
bool read_at(const std::string& bytes, std::uint64_t offset, T& value) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return false;
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return true;
}

struct SectionHeader {
  std::uint32_t name;
  std::uint32_t type;
  std::uint64_t flags;
  std::uint64_t address;
  std::uint64_t offset;
  std::uint64_t size;
  std::uint32_t link;
  std::uint32_t info;
  std::uint64_t align;
  std::uint64_t entry_size;
};
static_assert(sizeof(SectionHeader) == 64);

struct Symbol {
  std::uint32_t name;
  unsigned char info;
  unsigned char other;
  std::uint16_t section;
  std::uint64_t value;
  std::uint64_t size;
};
static_assert(sizeof(Symbol) == 24);

ExportTable failure(std::string why) {
  ExportTable table;
  table.why = std::move(why);
  return table;
}

bool is_linker_marker(std::string_view name) {
  for (const std::string_view marker : kLinkerMarkers) {
    if (name == marker) return true;
  }
  return false;
}

}  // namespace

ExportTable read_exports(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return failure("cannot open the file");
  file.seekg(0, std::ios::end);
  const std::streamoff length = file.tellg();
  if (length < 0 || static_cast<std::uint64_t>(length) > kMaxFileBytes) {
    return failure("file too large");
  }
  file.seekg(0);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  if (!file.read(bytes.data(), length)) return failure("cannot read the file");

  if (bytes.size() < 64 || bytes.compare(0, 4,
                                         "\x7f"
                                         "ELF") != 0) {
    return failure("not an ELF file");
  }
  if (bytes[4] != 2 || bytes[5] != 1) return failure("not a 64-bit little-endian ELF file");

  std::uint64_t section_offset = 0;
  std::uint16_t section_entry_size = 0;
  std::uint16_t section_count = 0;
  if (!read_at(bytes, 0x28, section_offset) || !read_at(bytes, 0x3A, section_entry_size) ||
      !read_at(bytes, 0x3C, section_count)) {
    return failure("truncated ELF header");
  }
  if (section_entry_size != sizeof(SectionHeader)) return failure("unexpected section header size");

  ExportTable table;
  for (std::uint16_t s = 0; s < section_count; ++s) {
    SectionHeader header{};
    if (!read_at(bytes, section_offset + std::uint64_t{s} * sizeof(SectionHeader), header)) {
      return failure("section header past the end of the file");
    }
    if (header.type != kSectionDynamicSymbols) continue;
    SectionHeader strings{};
    if (header.link >= section_count ||
        !read_at(bytes, section_offset + std::uint64_t{header.link} * sizeof(SectionHeader),
                 strings)) {
      return failure("dynamic symbols without their names");
    }
    if (strings.offset > bytes.size() || bytes.size() - strings.offset < strings.size) {
      return failure("symbol names past the end of the file");
    }
    const std::string_view names(bytes.data() + strings.offset, strings.size);
    const std::uint64_t count = header.size / sizeof(Symbol);
    for (std::uint64_t i = 1; i < count; ++i) {
      Symbol symbol{};
      if (!read_at(bytes, header.offset + i * sizeof(Symbol), symbol)) {
        return failure("dynamic symbol past the end of the file");
      }
      const unsigned binding = symbol.info >> 4;
      const unsigned visibility = symbol.other & 0x03;
      if (symbol.section == kUndefinedSection) continue;
      if (binding != kBindGlobal && binding != kBindWeak && binding != kBindUnique) continue;
      if (visibility != kVisibilityDefault && visibility != kVisibilityProtected) continue;
      if (symbol.name >= names.size()) return failure("symbol name past its table");
      const std::size_t end = names.find('\0', symbol.name);
      if (end == std::string_view::npos) return failure("unterminated symbol name");
      const std::string_view name = names.substr(symbol.name, end - symbol.name);
      if (is_linker_marker(name)) continue;
      table.names.emplace_back(name);
    }
  }
  table.read = true;
  return table;
}

}  // namespace studyhost::validate
