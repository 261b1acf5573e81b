// Test support: writes workbook packages (ZIP archives) from inline (entry name, bytes) lists,
// and gives each test a scratch folder of its own under the build folder.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ledgerine::testing {

using PackageEntries = std::vector<std::pair<std::string, std::string>>;

// Writes a ZIP archive at path holding the entries in order (deflated; a name ending in "/"
// becomes a directory entry). Throws std::runtime_error when libzip fails.
void writePackage(const std::string& path, const PackageEntries& entries);

// A minimal valid workbook: manifest, workbook part with the given sheets (name, xml of the
// worksheet part), relationships, styles with one default style, and shared strings when given.
PackageEntries minimalWorkbook(const std::vector<std::pair<std::string, std::string>>& sheets,
                               const std::string& sharedStrings = "");

// A fresh, empty folder for one test: <build>/test-scratch/<name>, removed first if present.
std::string scratchFolder(const std::string& name);

// Points "TEMP" (where loads unpack) at folder, so that test executables running in parallel
// never share a temporary directory. Call before the first load of the process.
void setTempFolder(const std::string& folder);

// Reads a whole file; empty when missing.
std::string readFile(const std::string& path);
// Writes a whole file, byte for byte.
void writeFile(const std::string& path, const std::string& bytes);

} // namespace ledgerine::testing
