#include "analysis_cache.h"

#include "time_left.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <vector>

namespace calm {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view header = "calmora analysis cache 1\n";
constexpr std::size_t max_key_file = 1 << 20;
// Unreferenced files younger than this may belong to a keep in another copy
// of the program that has not renamed its key file into place yet.
constexpr auto orphan_grace = std::chrono::minutes(10);

std::string text_part(std::string_view name, const std::string& value)
{
    return std::string(name) + "=" + std::to_string(value.size()) + ":" + value + "\n";
}

std::string time_part(std::string_view name, std::int64_t seconds, std::int64_t nanoseconds)
{
    std::string ns = std::to_string(nanoseconds);
    if (ns.size() < 9)
        ns.insert(0, 9 - ns.size(), '0');
    return std::string(name) + "=" + std::to_string(seconds) + "." + ns + "\n";
}

std::string hex64(std::uint64_t value)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4)
        out[static_cast<std::size_t>(i)] = digits[value & 0xf];
    return out;
}

// FNV-1a: only spreads entries over names; lookups compare the whole text.
std::string hash_of(const std::string& text)
{
    std::uint64_t h = 14695981039346656037ULL;
    for (const unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return hex64(h);
}

std::string unique_name()
{
    static std::mutex lock;
    static std::mt19937_64 random{[] {
        std::random_device device;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        return (std::uint64_t{device()} << 32) ^ device() ^ static_cast<std::uint64_t>(now);
    }()};
    const std::lock_guard guard(lock);
    return hex64(random());
}

bool is_hex(std::string_view s, std::size_t length)
{
    return s.size() == length && std::all_of(s.begin(), s.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// "<16 hex>.key"
bool is_key_name(std::string_view name)
{
    return name.size() == 20 && name.substr(16) == ".key" && is_hex(name.substr(0, 16), 16);
}

// "<16 hex>-<16 hex>.trf"
bool is_data_name(std::string_view name)
{
    return name.size() == 37 && name[16] == '-' && name.substr(33) == ".trf" &&
           is_hex(name.substr(0, 16), 16) && is_hex(name.substr(17, 16), 16);
}

bool is_temporary_name(std::string_view name)
{
    return name.rfind(".tmp-", 0) == 0;
}

// Each use gets a later time than the one before, even within one tick of
// the file system's clock, so the order of uses is never a tie.
fs::file_time_type next_use_time()
{
    static std::mutex lock;
    static fs::file_time_type last{};
    const std::lock_guard guard(lock);
    auto now = fs::file_time_type::clock::now();
    if (now <= last)
        now = last + std::chrono::nanoseconds(1);
    last = now;
    return now;
}

void mark_used(const fs::path& key_file)
{
    std::error_code ec;
    fs::last_write_time(key_file, next_use_time(), ec);
}

void remove_quietly(const fs::path& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

std::optional<std::string> read_small_file(const fs::path& path, std::size_t limit)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text;
    std::array<char, 4096> block{};
    while (in.read(block.data(), block.size()) || in.gcount() > 0) {
        text.append(block.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > limit)
            return std::nullopt;
    }
    if (in.bad())
        return std::nullopt;
    return text;
}

enum class Copied { whole, source_failed, destination_failed };

// Copies exactly `size` bytes; a source that ends early or goes on longer
// is a failed source.
Copied copy_exactly(const fs::path& from, const fs::path& to, std::uint64_t size)
{
    std::ifstream in(from, std::ios::binary);
    if (!in)
        return Copied::source_failed;
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!out)
        return Copied::destination_failed;
    std::vector<char> block(1 << 16);
    std::uint64_t done = 0;
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        const auto got = static_cast<std::uint64_t>(in.gcount());
        done += got;
        if (done > size)
            return Copied::source_failed;
        if (!out.write(block.data(), static_cast<std::streamsize>(got)))
            return Copied::destination_failed;
    }
    if (in.bad() || done != size)
        return Copied::source_failed;
    out.close();
    return out ? Copied::whole : Copied::destination_failed;
}

// Writes the text under a temporary name, then renames it into place.
bool write_atomically(const fs::path& folder, const fs::path& final_path, const std::string& text)
{
    const fs::path temporary = folder / (".tmp-" + unique_name());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            remove_quietly(temporary);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, final_path, ec);
    if (ec) {
        remove_quietly(temporary);
        return false;
    }
    return true;
}

// The cache is the user's own: a folder made here is closed to others.
bool ensure_folder(const fs::path& folder)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return true;
    if (fs::create_directories(folder, ec))
        fs::permissions(folder, fs::perms::owner_all, ec);
    return fs::is_directory(folder, ec);
}

struct Entry
{
    std::string data_name;
    std::uint64_t size = 0;
    std::string key;
};

// "calmora analysis cache 1\ndata <name>\nsize <n>\n<key text>"
std::optional<Entry> parse_entry(const std::string& text)
{
    if (text.compare(0, header.size(), header) != 0)
        return std::nullopt;
    std::size_t at = header.size();
    auto line = [&](std::string_view label) -> std::optional<std::string> {
        if (text.compare(at, label.size(), label) != 0)
            return std::nullopt;
        const auto end = text.find('\n', at);
        if (end == std::string::npos)
            return std::nullopt;
        std::string value = text.substr(at + label.size(), end - at - label.size());
        at = end + 1;
        return value;
    };
    Entry entry;
    const auto data = line("data ");
    if (!data || !is_data_name(*data))
        return std::nullopt;
    entry.data_name = *data;
    const auto size = line("size ");
    if (!size || size->empty())
        return std::nullopt;
    const auto [end, error] =
        std::from_chars(size->data(), size->data() + size->size(), entry.size);
    if (error != std::errc() || end != size->data() + size->size())
        return std::nullopt;
    entry.key = text.substr(at);
    return entry;
}

std::string entry_text(const Entry& entry)
{
    return std::string(header) + "data " + entry.data_name + "\nsize " +
           std::to_string(entry.size) + "\n" + entry.key;
}

} // namespace

std::optional<AnalysisKey> analysis_key(const std::string& source, const Parameters& parameters,
                                        const std::string& filters, const std::string& converter)
{
    const auto source_id = file_identity(source);
    const auto converter_id = program_identity(converter);
    if (!source_id || !converter_id)
        return std::nullopt;
    AnalysisKey key;
    key.source = *source_id;
    key.shakiness = parameters.shakiness;
    key.accuracy = parameters.accuracy;
    key.stepsize = parameters.stepsize;
    key.mincontrast = parameters.mincontrast;
    key.filters = filters;
    key.converter = *converter_id;
    return key;
}

std::string key_text(const AnalysisKey& key)
{
    return "source.device=" + std::to_string(key.source.device) + "\n" +
           "source.inode=" + std::to_string(key.source.inode) + "\n" +
           "source.size=" + std::to_string(key.source.size) + "\n" +
           time_part("source.mtime", key.source.mtime_seconds, key.source.mtime_nanoseconds) +
           text_part("shakiness", key.shakiness) + text_part("accuracy", key.accuracy) +
           text_part("stepsize", key.stepsize) + text_part("mincontrast", key.mincontrast) +
           text_part("filters", key.filters) + text_part("converter", key.converter.resolved_path) +
           time_part("converter.mtime", key.converter.mtime_seconds,
                     key.converter.mtime_nanoseconds);
}

AnalysisCache::AnalysisCache(std::string folder, std::uint64_t max_bytes, std::size_t max_entries)
    : folder_(std::move(folder)), max_bytes_(max_bytes), max_entries_(max_entries)
{
}

bool AnalysisCache::fetch(const AnalysisKey& key, const std::string& destination)
{
    if (folder_.empty())
        return false;
    try {
        const std::string text = key_text(key);
        const std::string hash = hash_of(text);
        const fs::path key_file = fs::path(folder_) / (hash + ".key");
        std::error_code ec;
        if (!fs::exists(key_file, ec))
            return false;
        const auto stored = read_small_file(key_file, max_key_file);
        const auto entry = stored ? parse_entry(*stored) : std::nullopt;
        if (!entry) {
            drop(hash, {});
            return false;
        }
        if (entry->key != text)
            return false; // another key with the same hash: not ours, not damaged
        const fs::path data = fs::path(folder_) / entry->data_name;
        const fs::path target(destination);
        remove_quietly(target);
        // A link is only taken when the kept file can be read and is whole;
        // otherwise the transform pass would fail on it.
        bool placed = false;
        if (fs::is_regular_file(data, ec) && fs::file_size(data, ec) == entry->size && !ec &&
            std::ifstream(data, std::ios::binary)) {
            fs::create_hard_link(data, target, ec);
            placed = !ec && fs::file_size(target, ec) == entry->size && !ec;
            if (!placed)
                remove_quietly(target);
        }
        if (!placed) {
            const Copied copied = copy_exactly(data, target, entry->size);
            if (copied != Copied::whole) {
                remove_quietly(target);
                if (copied == Copied::source_failed)
                    drop(hash, entry->data_name);
                return false;
            }
        }
        mark_used(key_file);
        return true;
    } catch (...) {
        return false;
    }
}

void AnalysisCache::keep(const AnalysisKey& key, const std::string& trf_file)
{
    if (folder_.empty())
        return;
    try {
        std::error_code ec;
        const std::uint64_t size = fs::file_size(trf_file, ec);
        if (ec || size == 0 || size > max_bytes_ || max_entries_ == 0)
            return;
        const fs::path folder(folder_);
        if (!ensure_folder(folder))
            return;

        const std::string text = key_text(key);
        const std::string hash = hash_of(text);
        Entry entry{hash + "-" + unique_name() + ".trf", size, text};
        const fs::path temporary = folder / (".tmp-" + unique_name());
        if (copy_exactly(trf_file, temporary, size) != Copied::whole) {
            remove_quietly(temporary);
            return;
        }
        const fs::path data = folder / entry.data_name;
        fs::rename(temporary, data, ec);
        if (ec) {
            remove_quietly(temporary);
            return;
        }

        const fs::path key_file = folder / (hash + ".key");
        const auto old_text = read_small_file(key_file, max_key_file);
        const auto old = old_text ? parse_entry(*old_text) : std::nullopt;
        if (!write_atomically(folder, key_file, entry_text(entry))) {
            remove_quietly(data);
            return;
        }
        mark_used(key_file);
        if (old && old->data_name != entry.data_name)
            remove_quietly(folder / old->data_name);
        evict();
    } catch (...) {
    }
}

void AnalysisCache::drop(const std::string& hash, const std::string& data_name)
{
    const fs::path folder(folder_);
    const fs::path key_file = folder / (hash + ".key");
    // Another copy of the program may have put a sound entry there since.
    const auto text = read_small_file(key_file, max_key_file);
    const auto entry = text ? parse_entry(*text) : std::nullopt;
    if (entry && entry->data_name != data_name)
        return;
    remove_quietly(key_file);
    if (!data_name.empty())
        remove_quietly(folder / data_name);
}

void AnalysisCache::evict()
{
    struct Kept
    {
        fs::path key_file;
        fs::path data;
        fs::file_time_type used;
        std::uint64_t bytes;
    };
    std::vector<Kept> kept;
    std::vector<std::string> referenced;
    std::vector<fs::path> loose; // data files nobody names, and temporaries
    const fs::path folder(folder_);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path path = it->path();
        const std::string name = path.filename().string();
        if (is_key_name(name)) {
            const auto text = read_small_file(path, max_key_file);
            const auto entry = text ? parse_entry(*text) : std::nullopt;
            if (!entry) {
                remove_quietly(path);
                continue;
            }
            referenced.push_back(entry->data_name);
            std::error_code e;
            const auto data_bytes = fs::file_size(folder / entry->data_name, e);
            const auto used = fs::last_write_time(path, e);
            if (e) {
                remove_quietly(path); // names a file that is gone
                continue;
            }
            kept.push_back({path, folder / entry->data_name, used, data_bytes + text->size()});
        } else if (is_data_name(name) || is_temporary_name(name)) {
            loose.push_back(path);
        }
    }
    const auto now = fs::file_time_type::clock::now();
    for (const auto& path : loose) {
        const std::string name = path.filename().string();
        if (std::find(referenced.begin(), referenced.end(), name) != referenced.end())
            continue;
        std::error_code e;
        const auto written = fs::last_write_time(path, e);
        if (!e && now - written > orphan_grace)
            fs::remove_all(path, e);
    }

    std::sort(kept.begin(), kept.end(),
              [](const Kept& a, const Kept& b) { return a.used < b.used; });
    std::uint64_t bytes = 0;
    for (const auto& k : kept)
        bytes += k.bytes;
    std::size_t count = kept.size();
    for (const auto& k : kept) {
        if (count <= max_entries_ && bytes <= max_bytes_)
            break;
        // The key goes first: a reader then finds no entry rather than one
        // whose file has gone.
        remove_quietly(k.key_file);
        remove_quietly(k.data);
        --count;
        bytes -= k.bytes;
    }
}

double AnalysisCache::transform_cost() const
{
    if (folder_.empty())
        return default_transform_cost;
    try {
        const auto text = read_small_file(fs::path(folder_) / "transform-cost", 64);
        if (!text)
            return default_transform_cost;
        auto first = text->find_first_not_of(" \t\r\n");
        auto last = text->find_last_not_of(" \t\r\n");
        if (first == std::string::npos)
            return default_transform_cost;
        double cost = 0;
        const char* begin = text->data() + first;
        const char* stop = text->data() + last + 1;
        const auto [end, error] = std::from_chars(begin, stop, cost);
        if (error != std::errc() || end != stop || !plausible_transform_cost(cost))
            return default_transform_cost;
        return cost;
    } catch (...) {
        return default_transform_cost;
    }
}

void AnalysisCache::record_transform_cost(double cost)
{
    if (folder_.empty() || !plausible_transform_cost(cost))
        return;
    try {
        const fs::path folder(folder_);
        if (!ensure_folder(folder))
            return;
        std::array<char, 64> digits{};
        const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), cost);
        if (error != std::errc())
            return;
        write_atomically(folder, folder / "transform-cost", std::string(digits.data(), end) + "\n");
    } catch (...) {
    }
}

} // namespace calm
