#include "shaky_clip.h"

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace calm::test {

namespace fs = std::filesystem;

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

struct Ran
{
    bool ok = false;
    QByteArray out;
    QByteArray err;
};

Ran run(const std::string& program, const QStringList& args)
{
    QProcess p;
    p.start(q(program), args);
    Ran r;
    if (!p.waitForStarted(10000))
        return r;
    p.closeWriteChannel();
    p.waitForFinished(120000);
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    r.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return r;
}

QString file_arg(const fs::path& p)
{
    return QString::fromStdString(p.string());
}

// The region searched by block matching: the centre half, kept far enough
// from the edges for every tried shift.
struct Region
{
    int x0, x1, y0, y1;
};

constexpr int search_range = 32;

Region centre(const Frames& f, int margin)
{
    return {std::max(margin, f.width / 4), std::min(f.width - margin, 3 * f.width / 4),
            std::max(margin, f.height / 4), std::min(f.height - margin, 3 * f.height / 4)};
}

} // namespace

std::string ffmpeg_path()
{
    return CALM_FFMPEG;
}

std::string ffprobe_path()
{
    return (fs::path(CALM_FFMPEG).parent_path() / "ffprobe").string();
}

bool make_shaky_clip(const fs::path& file, const ClipSpec& shape, std::string* log)
{
    // The texture is larger than the frame by a margin the jitter never leaves.
    const int margin = 2 * shape.jitter + shape.sway + 8;
    const int tw = shape.width + 2 * margin;
    const int th = shape.height + 2 * margin;
    const int frames = shape.fps * shape.seconds;
    const double a = shape.jitter;
    const double b = shape.jitter / 2.0;
    const QString video =
        QStringLiteral("life=s=%1x%2:rate=%3:ratio=0.5:seed=7:mold=0:life_color=white:"
                       "death_color=black,trim=end_frame=1,scale=%4x%5:flags=bicubic,"
                       "format=rgb24,loop=loop=-1:size=1,trim=end_frame=%6,setpts=N/(%3*TB),"
                       "crop=%7:%8:x='%9+%10*sin(n*1.7)+%11*sin(n*2.9)+%12*sin(PI*n/%6)'"
                       ":y='%9+%10*sin(n*2.3)+%11*sin(n*3.7)+%12*sin(PI*n/%6)',format=yuv420p")
            .arg(std::max(8, tw / 6))
            .arg(std::max(8, th / 6))
            .arg(shape.fps)
            .arg(tw)
            .arg(th)
            .arg(frames)
            .arg(shape.width)
            .arg(shape.height)
            .arg(margin)
            .arg(a)
            .arg(b)
            .arg(shape.sway);
    const QString audio = QStringLiteral("sine=frequency=440:duration=%1").arg(shape.seconds);
    // libx264 refuses odd 4:2:0 sizes; MPEG-4 part 2 takes them.
    const bool even = shape.width % 2 == 0 && shape.height % 2 == 0;
    QStringList args = {QStringLiteral("-hide_banner"), QStringLiteral("-y"),
                        QStringLiteral("-f"),           QStringLiteral("lavfi"),
                        QStringLiteral("-i"),           video,
                        QStringLiteral("-f"),           QStringLiteral("lavfi"),
                        QStringLiteral("-i"),           audio};
    if (even)
        args << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset")
             << QStringLiteral("veryfast");
    else
        args << QStringLiteral("-c:v") << QStringLiteral("mpeg4") << QStringLiteral("-q:v")
             << QStringLiteral("4");
    args << QStringLiteral("-c:a") << QStringLiteral("aac") << QStringLiteral("-shortest")
         << file_arg(file);
    const Ran r = run(ffmpeg_path(), args);
    if (log)
        *log = r.err.toStdString();
    return r.ok && fs::exists(file);
}

VideoFacts probe_video(const fs::path& file)
{
    const Ran r = run(ffprobe_path(),
                      {QStringLiteral("-v"), QStringLiteral("error"),
                       QStringLiteral("-count_frames"), QStringLiteral("-select_streams"),
                       QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                       QStringLiteral("stream=width,height,nb_read_frames,r_frame_rate,bit_rate:"
                                      "format=duration,bit_rate"),
                       QStringLiteral("-of"), QStringLiteral("flat"), file_arg(file)});
    VideoFacts facts;
    // Lines such as: streams.stream.0.width=320  format.duration="3.000000"
    for (const QByteArray& line : r.out.split('\n')) {
        const auto eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq);
        QByteArray value = line.mid(eq + 1);
        value.replace('"', QByteArray());
        if (key.endsWith(".width"))
            facts.width = value.toInt();
        else if (key.endsWith(".height"))
            facts.height = value.toInt();
        else if (key.endsWith(".nb_read_frames"))
            facts.frames = value.toInt();
        else if (key.endsWith(".r_frame_rate")) {
            const auto parts = value.split('/');
            if (parts.size() == 2 && parts[1].toDouble() != 0)
                facts.fps = parts[0].toDouble() / parts[1].toDouble();
        } else if (key == "format.duration")
            facts.duration = value.toDouble();
        else if (key == "format.bit_rate")
            facts.bit_rate = value.toLongLong();
        else if (key.startsWith("streams.") && key.endsWith(".bit_rate"))
            facts.video_bit_rate = value.toLongLong();
    }
    return facts;
}

Frames read_frames(const fs::path& file, int width, int height)
{
    const Ran r = run(ffmpeg_path(),
                      {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),
                       file_arg(file), QStringLiteral("-f"), QStringLiteral("rawvideo"),
                       QStringLiteral("-pix_fmt"), QStringLiteral("gray"), QStringLiteral("-")});
    Frames f;
    f.width = width;
    f.height = height;
    const auto size = static_cast<qsizetype>(width) * height;
    if (size <= 0)
        return f;
    for (qsizetype at = 0; at + size <= r.out.size(); at += size)
        f.luma.emplace_back(r.out.begin() + at, r.out.begin() + at + size);
    return f;
}

namespace {

// The whole-frame shift from frame a to frame b, by block matching the centre.
double shift_between(const Frames& frames, const std::vector<unsigned char>& a,
                     const std::vector<unsigned char>& b)
{
    const Region c = centre(frames, search_range);
    const int w = frames.width;
    long long best = std::numeric_limits<long long>::max();
    int best_dx = 0, best_dy = 0;
    for (int dy = -search_range; dy <= search_range; ++dy)
        for (int dx = -search_range; dx <= search_range; ++dx) {
            long long sad = 0;
            for (int y = c.y0; y < c.y1; y += 4)
                for (int x = c.x0; x < c.x1; x += 4)
                    sad += std::abs(a[y * w + x] - b[(y + dy) * w + x + dx]);
            // Ties go to the smaller shift, so a still frame shows none.
            if (sad < best ||
                (sad == best && dx * dx + dy * dy < best_dx * best_dx + best_dy * best_dy)) {
                best = sad;
                best_dx = dx;
                best_dy = dy;
            }
        }
    return std::hypot(best_dx, best_dy);
}

} // namespace

double mean_global_motion(const Frames& frames)
{
    if (frames.luma.size() < 2)
        return 0;
    double total = 0;
    for (std::size_t i = 1; i < frames.luma.size(); ++i)
        total += shift_between(frames, frames.luma[i - 1], frames.luma[i]);
    return total / static_cast<double>(frames.luma.size() - 1);
}

double mean_offset_from_first(const Frames& frames)
{
    if (frames.luma.size() < 2)
        return 0;
    double total = 0;
    for (std::size_t i = 1; i < frames.luma.size(); ++i)
        total += shift_between(frames, frames.luma[0], frames.luma[i]);
    return total / static_cast<double>(frames.luma.size() - 1);
}

int frames_with_black_edge(const Frames& frames)
{
    // Dark enough for black after encoding and sharpening; the texture's own
    // dark cells never fill a whole line.
    constexpr int dark = 32;
    const int w = frames.width;
    const int h = frames.height;
    int count = 0;
    for (const auto& luma : frames.luma) {
        auto dark_line = [&](int start, int step, int n) {
            for (int i = 0; i < n; ++i)
                if (luma[static_cast<std::size_t>(start + i * step)] > dark)
                    return false;
            return true;
        };
        if (dark_line(0, 1, w) || dark_line((h - 1) * w, 1, w) || dark_line(0, w, h) ||
            dark_line(w - 1, w, h))
            ++count;
    }
    return count;
}

double mean_frame_difference(const Frames& frames)
{
    if (frames.luma.size() < 2)
        return 0;
    const Region c = centre(frames, 0);
    const int w = frames.width;
    double total = 0;
    for (std::size_t i = 1; i < frames.luma.size(); ++i) {
        long long sum = 0, count = 0;
        for (int y = c.y0; y < c.y1; ++y)
            for (int x = c.x0; x < c.x1; ++x, ++count)
                sum += std::abs(frames.luma[i - 1][y * w + x] - frames.luma[i][y * w + x]);
        total += static_cast<double>(sum) / static_cast<double>(count);
    }
    return total / static_cast<double>(frames.luma.size() - 1);
}

} // namespace calm::test
