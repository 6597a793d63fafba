// Any text as the converter's description of a file: the parse never
// fails, a success always carries a usable duration, and a frame size it
// takes is a positive whole number.

#include "check.h"
#include "media/numbers.h"
#include "media/probe_parse.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    calm::MediaInfo info;
    info.filename = "/v/clip.mp4";
    info.duration = "00:00:09.00"; // left from an earlier probe: must not count
    std::string code;
    const bool ok = calm::parse_media_description(text, info, code);

    CALM_CHECK(info.filename == "/v/clip.mp4");
    if (ok) {
        CALM_CHECK(code.empty());
        CALM_CHECK(text.find("Duration: ") != std::string_view::npos);
        CALM_CHECK(!info.duration.empty() && info.duration != "0" && info.duration != "N/A");
    } else {
        CALM_CHECK(code == "No duration!");
    }
    for (const std::string* side : {&info.width, &info.height}) {
        if (side->empty())
            continue;
        const auto n = calm::whole_number(*side);
        CALM_CHECK(n && *n > 0);
        CALM_CHECK(text.find(*side) != std::string_view::npos);
    }
    return 0;
}
