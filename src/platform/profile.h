#pragma once
// Reading and writing one value of an INI profile file the way the system's
// profile functions do: section and key names match without regard to case,
// blanks around a value are dropped, a value in a pair of matching quotes is
// read without them, and at most profile_value_limit characters are taken.
// A write changes only the key's own line (or adds it, and its section) and
// leaves every other byte of the file as it was. Texts are bytes throughout.
// No caching: every read and write goes to the file.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace calm {

// A value is read through a buffer of 2048 characters with its terminator.
inline constexpr std::size_t profile_value_limit = 2047;

// The value of key in section within the text of a profile file, already
// unquoted and cut to the limit; nullopt when the section or key is missing.
std::optional<std::string> profile_value(std::string_view file_text, std::string_view section,
                                         std::string_view key);

// The text of the file after writing key=value into section: a present key's
// line is replaced in place, a missing key is added after the last line of
// its section, a missing section is added at the end. New lines use the
// file's own line ending. Line breaks in the value become blanks, so one
// write never adds more than one entry.
std::string profile_with_value(std::string_view file_text, std::string_view section,
                               std::string_view key, std::string_view value);

// The key's value from the file at path, or default_value when the file,
// the section or the key is missing or the file cannot be read.
std::string read_profile_string(const std::string& path, std::string_view section,
                                std::string_view key, std::string_view default_value);

// Writes the key into the file at path, creating the file and the section
// when missing; the file holds the change when this returns. Throws
// std::runtime_error "Unable to write to <full path>" when that fails.
void write_profile_string(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view value);

} // namespace calm
