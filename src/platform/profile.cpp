#include "profile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace calm {

namespace {

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view strip(std::string_view s)
{
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

struct Line
{
    std::string_view body;   // without its line ending
    std::string_view ending; // "\n", "\r\n" or empty on a last line
};

std::vector<Line> split_lines(std::string_view text)
{
    std::vector<Line> lines;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        if (nl == std::string_view::npos) {
            lines.push_back({text, {}});
            break;
        }
        const std::size_t body_end = nl > 0 && text[nl - 1] == '\r' ? nl - 1 : nl;
        lines.push_back({text.substr(0, body_end), text.substr(body_end, nl + 1 - body_end)});
        text.remove_prefix(nl + 1);
    }
    return lines;
}

// "[options]" gives "options"; a missing "]" takes the rest of the line.
std::optional<std::string_view> section_name(std::string_view body)
{
    const auto s = strip(body);
    if (s.empty() || s.front() != '[')
        return std::nullopt;
    auto name = s.substr(1);
    if (const auto close = name.find(']'); close != std::string_view::npos)
        name = name.substr(0, close);
    return strip(name);
}

struct Entry
{
    std::string_view name;
    std::string_view value;
};

// "  stepsize = 6 " gives {"stepsize", "6"}; a line without "=" is no entry.
std::optional<Entry> entry_of(std::string_view body)
{
    const auto eq = body.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return Entry{strip(body.substr(0, eq)), strip(body.substr(eq + 1))};
}

// Lines [first, last) of the first section called name; first is its header.
struct Section
{
    std::size_t first = 0;
    std::size_t last = 0;
};

std::optional<Section> find_section(const std::vector<Line>& lines, std::string_view name)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto header = section_name(lines[i].body);
        if (!header || !same_name(*header, name))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !section_name(lines[end].body))
            ++end;
        return Section{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> find_key(const std::vector<Line>& lines, Section section,
                                    std::string_view key)
{
    for (std::size_t i = section.first + 1; i < section.last; ++i)
        if (const auto e = entry_of(lines[i].body); e && same_name(e->name, key))
            return i;
    return std::nullopt;
}

std::string one_line(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

std::string_view line_ending_of(std::string_view text)
{
    const auto nl = text.find('\n');
    return nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r' ? "\r\n" : "\n";
}

std::string full_path(const std::string& path)
{
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.string();
}

[[noreturn]] void unable_to_write(const std::string& path)
{
    throw std::runtime_error("Unable to write to " + full_path(path));
}

// The file's bytes; an empty text when it does not exist; nullopt when it
// exists but cannot be read (a folder, no permission).
std::optional<std::string> read_bytes(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? std::optional<std::string>(std::string()) : std::nullopt;
    std::string bytes;
    char buffer[4096];
    for (;;) {
        const auto n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

bool write_bytes(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = true;
    while (ok && !bytes.empty()) {
        const auto n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

} // namespace

std::optional<std::string> profile_value(std::string_view file_text, std::string_view section,
                                         std::string_view key)
{
    const auto lines = split_lines(file_text);
    const auto found = find_section(lines, section);
    if (!found)
        return std::nullopt;
    const auto at = find_key(lines, *found, key);
    if (!at)
        return std::nullopt;
    auto value = entry_of(lines[*at].body)->value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, profile_value_limit));
}

std::string profile_with_value(std::string_view file_text, std::string_view section,
                               std::string_view key, std::string_view value)
{
    auto lines = split_lines(file_text);
    const std::string_view eol = line_ending_of(file_text);
    const std::string entry_value = one_line(value);
    // Kept alive while lines point into them.
    std::string entry_line;
    std::string header_line;

    if (const auto found = find_section(lines, section)) {
        if (const auto at = find_key(lines, *found, key)) {
            // The key keeps its spelling from the file.
            entry_line = std::string(entry_of(lines[*at].body)->name) + "=" + entry_value;
            lines[*at].body = entry_line;
        } else {
            // After the section's last line with content, before the blank
            // lines that part it from the next one.
            std::size_t after = found->first;
            for (std::size_t i = found->first + 1; i < found->last; ++i)
                if (!strip(lines[i].body).empty())
                    after = i;
            if (lines[after].ending.empty())
                lines[after].ending = eol;
            entry_line = one_line(key) + "=" + entry_value;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after) + 1,
                         Line{entry_line, eol});
        }
    } else {
        if (!lines.empty()) {
            if (lines.back().ending.empty())
                lines.back().ending = eol;
            if (!strip(lines.back().body).empty())
                lines.push_back({{}, eol});
        }
        header_line = "[" + one_line(section) + "]";
        entry_line = one_line(key) + "=" + entry_value;
        lines.push_back({header_line, eol});
        lines.push_back({entry_line, eol});
    }

    std::string out;
    out.reserve(file_text.size() + entry_line.size() + header_line.size() + 8);
    for (const auto& line : lines) {
        out += line.body;
        out += line.ending;
    }
    return out;
}

std::string read_profile_string(const std::string& path, std::string_view section,
                                std::string_view key, std::string_view default_value)
{
    if (const auto text = read_bytes(path))
        if (auto value = profile_value(*text, section, key))
            return *value;
    return std::string(default_value.substr(0, profile_value_limit));
}

void write_profile_string(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view value)
{
    // A file that exists but cannot be read is not overwritten with one key.
    const auto text = read_bytes(path);
    if (!text)
        unable_to_write(path);
    if (!write_bytes(path, profile_with_value(*text, section, key, value)))
        unable_to_write(path);
}

} // namespace calm
