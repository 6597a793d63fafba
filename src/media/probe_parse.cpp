#include "probe_parse.h"

#include "converter/trim.h"
#include "numbers.h"

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

} // namespace

bool parse_media_description(std::string_view text, MediaInfo& info, std::string& code)
{
    const bool has_duration = field_after(text, "Duration: ", ",", info.duration);
    field_after(text, "bitrate: ", "kb/s", info.bitrate);
    stream_bit_rates(text, info);
    frame_size(text, info);

    // Only a duration this description gave counts, never one left from before.
    const std::string_view duration = info.duration;
    if (!has_duration || trimmed(duration).empty() || duration == "0" || duration == "N/A") {
        code = "No duration!";
        return false;
    }
    return true;
}

} // namespace calm
