#include "probe_parse.h"

#include "converter/trim.h"
#include "numbers.h"

#include <cctype>
#include <vector>

namespace calm {

namespace {

constexpr auto npos = std::string_view::npos;

// The text before the first `marker`; all of it when there is none.
std::string_view before_first(std::string_view text, std::string_view marker)
{
    const auto at = text.find(marker);
    return at == npos ? text : text.substr(0, at);
}

// The text after the last `marker`; all of it when there is none.
std::string_view after_last(std::string_view text, std::string_view marker)
{
    const auto at = text.rfind(marker);
    return at == npos ? text : text.substr(at + marker.size());
}

// The text after `marker` up to the first `end`, trimmed; empty when `end`
// never follows. Nothing when the marker is missing.
bool field_after(std::string_view text, std::string_view marker, std::string_view end,
                 std::string& field)
{
    const auto at = text.find(marker);
    if (at == npos)
        return false;
    const std::string_view rest = text.substr(at + marker.size());
    const auto stop = rest.find(end);
    field = std::string(trimmed(stop == npos ? std::string_view() : rest.substr(0, stop)));
    return true;
}

// Where `marker` first stands in `text`, counted from 1; 0 when it is missing.
std::size_t place(std::string_view text, std::string_view marker)
{
    const auto at = text.find(marker);
    return at == npos ? 0 : at + 1;
}

// Each "kb/s" closes a segment; the stream marker that comes later in the
// segment says whose rate stands in front of it:
//   "Stream #0:0: Video: h264, yuv420p, 1920x1080 [SAR 1:1], 4987 kb/s"
// A video line without a rate merges with the audio line after it, and the
// audio marker, coming later, takes the rate.
void stream_bit_rates(std::string_view text, MediaInfo& info)
{
    constexpr std::string_view unit = "kb/s";
    std::string_view rest = text;
    for (auto at = rest.find(unit); at != npos; at = rest.find(unit)) {
        const std::string_view segment = rest.substr(0, at);
        const std::size_t audio = place(segment, ": Audio:");
        const std::size_t video = place(segment, ": Video:");
        if (segment.find("#0:") != npos && (audio > 0 || video > 0)) {
            const std::string rate(trimmed(after_last(segment, ",")));
            if (audio > video)
                info.audiobitrate = rate;
            else if (video > audio)
                info.videobitrate = rate;
        }
        // The marker and the character behind it (a "," or a line break).
        rest.remove_prefix(std::min(rest.size(), at + unit.size() + 1));
    }
}

// A frame size is a whole number on each side of an "x", cut off by "," and
// blanks: ", 1920x1080 [SAR 1:1]". Codec tags such as "0x31637661" give the
// left side 0 and are passed over. The largest width and the largest height
// are taken separately.
void frame_size(std::string_view text, MediaInfo& info)
{
    std::string width, height;
    std::int32_t best_width = 0, best_height = 0;
    std::string_view rest = text;
    for (auto at = rest.find('x'); at != npos; at = rest.find('x')) {
        std::string_view left = after_last(rest.substr(0, at), ",");
        if (left.find(' ') != npos)
            left = after_last(left, " ");
        std::string_view right = rest.substr(at + 1);
        const auto comma = right.find(',');
        right = comma == npos ? std::string_view() : right.substr(0, comma);
        right = before_first(right, " ");

        const auto w = whole_number(left);
        const auto h = whole_number(right);
        if (w && *w != 0 && h && *h != 0) {
            if (width.empty())
                width = "0";
            if (height.empty())
                height = "0";
            if (*w > best_width) {
                best_width = *w;
                width = std::string(left);
            }
            if (*h > best_height) {
                best_height = *h;
                height = std::string(right);
            }
        }
        rest.remove_prefix(at + 1);
    }
    // Only negative sizes were seen: no size at all.
    info.width = width == "0" ? std::string() : width;
    info.height = height == "0" ? std::string() : height;
}

// The lines of the text, without their line breaks.
std::vector<std::string_view> lines_of(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find_first_of("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool starts_with(std::string_view text, std::string_view head)
{
    return text.substr(0, head.size()) == head;
}

std::string_view left_trimmed(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    return text;
}

// A video stream's line and the lines under it up to the next stream:
//   Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, bt709), ...
//     Side data:
//       displaymatrix: rotation of -90.00 degrees
// A cover or thumbnail ends its line with "(attached pic)".
struct VideoStream
{
    std::string_view line;
    std::vector<std::string_view> below;
    bool picture = false;
};

std::vector<VideoStream> video_streams(std::string_view text)
{
    std::vector<VideoStream> streams;
    bool in_video = false;
    for (const std::string_view line : lines_of(text)) {
        const std::string_view head = left_trimmed(line);
        if (starts_with(head, "Stream #")) {
            in_video = head.find(": Video: ") != npos;
            if (in_video)
                streams.push_back({line, {}, line.find("(attached pic)") != npos});
        } else if (starts_with(head, "Input #") || starts_with(head, "Output #")) {
            in_video = false;
        } else if (in_video) {
            streams.back().below.push_back(line);
        }
    }
    return streams;
}

// The field after the codec: "rgb24", "yuv420p(tv, bt709, progressive)" gives
// its name; commas inside parentheses do not count. Empty when the field is
// not a format name (a frame size where the format is not printed, "none").
std::string pixel_format_of(std::string_view line)
{
    std::string_view rest = line.substr(line.find(": Video: ") + 9);
    int depth = 0;
    std::size_t field = 0, start = 0;
    for (std::size_t i = 0; i <= rest.size(); ++i) {
        const char c = i < rest.size() ? rest[i] : ',';
        if (c == '(')
            ++depth;
        else if (c == ')' && depth > 0)
            --depth;
        else if (c == ',' && depth == 0) {
            if (field == 1) {
                rest = left_trimmed(rest.substr(start, i - start));
                break;
            }
            ++field;
            start = i + 1;
        }
        if (i == rest.size())
            return {};
    }
    std::size_t n = 0;
    while (n < rest.size() && (std::islower(static_cast<unsigned char>(rest[n])) ||
                               std::isdigit(static_cast<unsigned char>(rest[n])) || rest[n] == '_'))
        ++n;
    const std::string name(rest.substr(0, n));
    if (name.empty() || !std::islower(static_cast<unsigned char>(name[0])) || name == "none")
        return {};
    return name;
}

// "displaymatrix: rotation of -90.00 degrees" under the stream's line.
std::string rotation_of(const VideoStream& stream)
{
    constexpr std::string_view marker = "displaymatrix: rotation of ";
    for (const std::string_view line : stream.below) {
        const auto at = line.find(marker);
        if (at == npos)
            continue;
        const std::string_view rest = line.substr(at + marker.size());
        return std::string(trimmed(before_first(rest, "degrees")));
    }
    return {};
}

// The text without the lines of attached pictures, whose sizes are no frame size.
std::string without_pictures(std::string_view text, const std::vector<VideoStream>& streams)
{
    std::string kept;
    std::size_t from = 0;
    for (const auto& s : streams) {
        if (!s.picture)
            continue;
        const std::size_t at = static_cast<std::size_t>(s.line.data() - text.data());
        kept.append(text.substr(from, at - from));
        from = at + s.line.size();
    }
    kept.append(text.substr(from));
    return kept;
}

} // namespace

bool quarter_turned(std::string_view rotation)
{
    const std::string text(trimmed(rotation));
    if (text.empty())
        return false;
    try {
        const long long degrees = round_half_even(read_float(text));
        return degrees % 180 != 0 && degrees % 90 == 0;
    } catch (const ConversionError&) {
        return false;
    }
}

bool parse_media_description(std::string_view text, MediaInfo& info, std::string& code)
{
    const bool has_duration = field_after(text, "Duration: ", ",", info.duration);
    field_after(text, "bitrate: ", "kb/s", info.bitrate);
    stream_bit_rates(text, info);

    const auto streams = video_streams(text);
    frame_size(without_pictures(text, streams), info);
    info.pixel_format.clear();
    info.rotation.clear();
    info.no_video = true;
    for (const auto& s : streams) {
        if (s.picture)
            continue;
        info.pixel_format = pixel_format_of(s.line);
        info.rotation = rotation_of(s);
        info.no_video = false;
        break;
    }

    // Only a duration this description gave counts, never one left from before.
    const std::string_view duration = info.duration;
    if (!has_duration || trimmed(duration).empty() || duration == "0" || duration == "N/A") {
        code = "No duration!";
        return false;
    }
    return true;
}

} // namespace calm
