// Any output of a pass, cut into reads of at most 512 bytes wherever the
// input says: the chunk handling never fails, a progress step keeps the
// gauge near its half of the range and names the pass, and a failure text
// within one read is always seen.

#include "check.h"
#include "job/pass_output.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

struct Input
{
    const std::uint8_t* data;
    std::size_t size;

    std::uint8_t byte()
    {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in{data, size};
    const calm::Pass pass = in.byte() & 1 ? calm::Pass::transform : calm::Pass::analysis;
    // Durations from none at all to far beyond any clip, and the odd ones.
    const std::uint8_t d = in.byte();
    double duration = d == 255 ? NAN : d == 254 ? INFINITY : d == 253 ? -3.5 : d * 0.37;
    if (d == 252) {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = bits << 8 | in.byte();
        std::memcpy(&duration, &bits, sizeof duration);
    }
    const std::uint8_t how = in.byte();
    calm::ExitStatus status;
    status.known = how & 1;
    status.signalled = how & 2;
    status.value = static_cast<std::int8_t>(how) >> 2;

    calm::PassOutput output(pass, duration);
    while (in.size > 0) {
        const std::size_t want = 1 + (static_cast<std::size_t>(in.byte()) << 1);
        const std::size_t n = std::min({want, in.size, std::size_t{512}});
        const std::string_view chunk(reinterpret_cast<const char*>(in.data), n);
        in.data += n;
        in.size -= n;

        const auto taken = output.take(chunk);
        if (chunk.find("No such file") != std::string_view::npos)
            CALM_CHECK(!taken.failure.empty());
        if (!taken.failure.empty()) {
            CALM_CHECK(taken.failure == "No such file" || taken.failure == "Assertion failed!");
            CALM_CHECK(!taken.progress);
        }
        if (taken.progress) {
            const int low = pass == calm::Pass::analysis ? -500 : -450;
            CALM_CHECK(taken.progress->gauge >= low && taken.progress->gauge <= low + 1000);
            const std::string_view word = pass == calm::Pass::analysis ? "Analyze " : "Process ";
            CALM_CHECK(taken.progress->label.compare(0, word.size(), word) == 0);
            CALM_CHECK(std::isfinite(duration) && duration != 0);
        }
        const auto time = calm::progress_time(chunk);
        if (time) {
            CALM_CHECK(chunk.find(*time) != std::string_view::npos);
            CALM_CHECK(time->size() < chunk.size());
        }
    }
    const std::string reason = output.failure_reason(status);
    CALM_CHECK(!reason.empty());
    CALM_CHECK(reason.size() <= 4096);
    if (status.signalled || !status.known)
        CALM_CHECK(reason == status.describe());
    return 0;
}
