// The functions and objects a shared library exports, read from its ELF
// dynamic symbol table without loading it. The file is untrusted: every
// offset is checked against its size.
#pragma once

#include <string>
#include <vector>

namespace studyhost::validate {

struct ExportTable {
  bool read = false;  // false: not an ELF64 little-endian library we can read
  std::string why;    // why it could not be read
  std::vector<std::string> names;
};

// Defined symbols of default or protected visibility with global, weak or
// unique binding, other than the linker's own section markers.
ExportTable read_exports(const std::string& path);

}  // namespace studyhost::validate
