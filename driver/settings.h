// The settings file "ledgerine-config.txt" beside the executable: making sure it exists at
// start-up, reading it (a small key/value format written by hand) and keeping the process-wide
// output settings it decides.
//
// Format, read as bytes: blanks, tabs, line ends and comments ("#" or ";" to the end of the
// line) separate tokens. Events are section headers [name], pairs key=value or key: value (a
// key alone gets the empty value) and options --key[=value], stored under "--" + key. Keys and
// values are bare words or quoted strings ("..." with backslash escapes, r"..." raw,
// """...""" long). At the first syntax error reading stops silently; what was read stays.
//
// Errors: IOError "cannot open: " + path (a file that cannot be opened or read, written or
// made to appear); IOError "cannot write string to file"; OverflowError "over- or underflow"
// for a decimal escape beyond the signed 32-bit range; ValueError for an invalid value of
// "quoting" or "bom" (reloadSettings only, see there).
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ledgerine::driver {

inline constexpr std::string_view settingsFileName = "ledgerine-config.txt";
// separator="," with no line end: 13 bytes.
inline constexpr std::string_view defaultSettingsContent = "separator=\",\"";

// A map that iterates in the order its keys were first set; setting a key again replaces its
// value in place.
template <typename Value> class OrderedMap {
public:
    using Entry = std::pair<std::string, Value>;

    // The value under key, or nullptr when absent.
    const Value* find(std::string_view key) const {
        auto it = index_.find(key);
        return it == index_.end() ? nullptr : &entries_[it->second].second;
    }
    // The value under key; a default value is appended first when the key is absent.
    Value& slot(std::string_view key) {
        auto it = index_.find(key);
        if (it != index_.end()) return entries_[it->second].second;
        index_.emplace(std::string(key), entries_.size());
        entries_.emplace_back(std::string(key), Value{});
        return entries_.back().second;
    }
    const std::vector<Entry>& entries() const { return entries_; }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

private:
    std::vector<Entry> entries_;
    std::map<std::string, size_t, std::less<>> index_;
};

// Key → value of one section.
using SettingsSection = OrderedMap<std::string>;
// Section name → its pairs; pairs before the first section header are in the section "".
// A section appears once a pair has been stored in it.
using SettingsTable = OrderedMap<SettingsSection>;

// How a CSV cell that holds the separator, a double quote, a CR or a LF is written:
// Minimal encloses it in double quotes (quotes doubled), None writes every cell unchanged.
enum class Quoting { Minimal, None };

struct OutputSettings {
    std::string separator = ",";
    Quoting quoting = Quoting::Minimal;
    bool bom = false; // UTF-8 byte-order mark at the start of every CSV file
};

// The separator written between cells; "," until the settings file sets another. Never set to
// the empty text: it keeps the last non-empty value read.
extern std::string currentSeparator;
// Minimal until the settings file says "none".
extern Quoting currentQuoting;
// False until the settings file says otherwise.
extern bool currentBom;

// {currentSeparator, currentQuoting, currentBom}.
OutputSettings currentOutputSettings();

// The folder of the executable, where the settings file lives.
std::string settingsFolder();

// Makes sure the file fileName exists in the executable's folder: the folder is created with
// its parents when missing (an OSError there prints "Failed to create directory: " + folder on
// standard output and ends the process with status 1); a missing file gets content. An existing
// file is never touched, whatever its size, so a user's edit is never lost. Waits (at most
// about 5 s) until the file can be seen, then IOError "cannot open: " + path.
void ensureSettingsFile(const std::string& content, const std::string& fileName);
// The same, with the settings folder given instead of the executable's folder.
void ensureSettingsFile(const std::string& folder, const std::string& content,
                        const std::string& fileName);

// Reads "separator" of the unnamed section of the settings file; a non-empty value becomes
// currentSeparator. A missing file changes nothing.
void reloadSeparator();
void reloadSeparator(const std::string& folder);

// As reloadSeparator, and also reads "quoting" ("minimal" or "none", in any letter case) and
// "bom" (a boolean text) of the unnamed section; each is its default when absent or empty.
// A missing file changes nothing. An invalid value raises ValueError
// "invalid quoting in " + path + ": " + value + " (minimal or none)" or
// "invalid bom in " + path + ": " + value + " (true or false)" and changes nothing.
// Returns the settings now current.
OutputSettings reloadSettings();
OutputSettings reloadSettings(const std::string& folder);

// The settings table of the file at path. IOError "cannot open: " + path when it cannot be
// opened or read; OverflowError for a decimal escape beyond the signed 32-bit range.
SettingsTable loadSettings(const std::string& path);

// The value under key in section, or the empty text when either is absent.
std::string settingValue(const SettingsTable& table, std::string_view section,
                         std::string_view key);

} // namespace ledgerine::driver
