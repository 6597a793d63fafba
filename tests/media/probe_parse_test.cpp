#include "media/probe_parse.h"
#include "media_descriptions.h"

#include <gtest/gtest.h>

namespace calm {
namespace {

using test::expect_record;
using test::untouched;
using test::untouched_record;

TEST(MediaDescription, WhatRealConverterOutputGives)
{
    for (const auto& want : test::described_fixtures()) {
        SCOPED_TRACE(want.fixture);
        const std::string text = test::fixture_text(want.fixture);
        ASSERT_FALSE(text.empty());
        MediaInfo info = untouched_record();
        std::string code = "caller";
        EXPECT_EQ(parse_media_description(text, info, code), want.loads);
        EXPECT_EQ(code, want.loads ? "caller" : "No duration!");
        expect_record(info, want);
    }
}

TEST(MediaDescription, PixelFormatAndTurnOfTheVideoAndWhetherThereIsOne)
{
    const struct
    {
        const char* fixture;
        const char* pixel_format;
        const char* rotation;
        bool no_video;
    } cases[] = {
        {"h264_aac", "yuv420p", "", false},
        {"matroska", "yuv420p", "", false},
        {"tagged", "yuv420p", "", false},
        {"packed", "rgb24", "", false},
        {"two_video", "yuv420p", "", false},
        {"cover", "yuv420p", "", false},
        {"turned", "yuv420p", "-90.00", false},
        {"audio_only", "", "", true},
        {"song", "", "", true},
        {"not_media", "", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        MediaInfo info = untouched_record();
        info.pixel_format = info.rotation = untouched;
        std::string code;
        parse_media_description(test::fixture_text(c.fixture), info, code);
        EXPECT_EQ(info.pixel_format, c.pixel_format);
        EXPECT_EQ(info.rotation, c.rotation);
        EXPECT_EQ(info.no_video, c.no_video);
    }
}

TEST(MediaDescription, TheVideoStreamsLineAsOtherConvertersAndFilesWriteIt)
{
    const std::string head = "  Duration: 00:00:05.00, start: 0.000000, bitrate: 700 kb/s\n";
    const struct
    {
        const char* shows;
        std::string streams;
        const char* pixel_format;
        const char* rotation;
        const char* width;
        const char* height;
    } cases[] = {
        {"colour details in parentheses",
         "  Stream #0:0: Video: h264 (High), yuv420p(tv, bt709, progressive), 1920x1080, 25 fps\n",
         "yuv420p", "", "1920", "1080"},
        {"ten bits", "  Stream #0:0: Video: hevc (Main 10), yuv420p10le(tv), 3840x2160, 25 fps\n",
         "yuv420p10le", "", "3840", "2160"},
        {"a palette", "  Stream #0:0: Video: png (MPNG / 0x474E504D), pal8, 320x240, 25 fps\n",
         "pal8", "", "320", "240"},
        {"no format printed", "  Stream #0:0: Video: mjpeg, 640x480, 25 fps\n", "", "", "640",
         "480"},
        {"a cover first, the video after it",
         "  Stream #0:0: Video: mjpeg, yuvj420p(pc), 1000x1000, 90k tbn (attached pic)\n"
         "    Side data:\n      displaymatrix: rotation of 90.00 degrees\n"
         "  Stream #0:1: Video: h264, yuv420p, 720x404, 25 fps\n"
         "    Side data:\n      displaymatrix: rotation of -90.00 degrees\n",
         "yuv420p", "-90.00", "720", "404"},
        {"the turn of another stream is not this one's",
         "  Stream #0:0: Video: h264, yuv420p, 720x404, 25 fps\n"
         "  Stream #0:1: Audio: aac, 48000 Hz\n"
         "    Side data:\n      displaymatrix: rotation of -90.00 degrees\n",
         "yuv420p", "", "720", "404"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        MediaInfo info;
        std::string code;
        EXPECT_TRUE(parse_media_description(head + c.streams, info, code));
        EXPECT_EQ(info.pixel_format, c.pixel_format);
        EXPECT_EQ(info.rotation, c.rotation);
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(info.height, c.height);
        EXPECT_FALSE(info.no_video);
    }
}

TEST(MediaDescription, OnlyAQuarterTurnEitherWaySwapsTheShownSize)
{
    const struct
    {
        const char* rotation;
        bool swapped;
    } cases[] = {
        {"-90.00", true},   {"90.00", true}, {"270", true}, {"-270.00", true}, {"180.00", false},
        {"-180.00", false}, {"0.00", false}, {"", false},   {"45.00", false},  {"nonsense", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quarter_turned(c.rotation), c.swapped) << c.rotation;
}

TEST(MediaDescription, EdgeCases)
{
    const std::string banner = "ffmpeg version 5.1 Copyright (c) 2000-2022 the FFmpeg developers\n"
                               "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'clip.mp4':\n";
    const std::string duration = "  Duration: 00:01:10.52, start: 0.000000, bitrate: 5123 kb/s\n";
    struct Case
    {
        const char* shows;
        std::string text;
        test::Described want;
    };
    const Case cases[] = {
        {"the worked example",
         banner + duration +
             "    Stream #0:0: Video: h264, yuv420p, 1920x1080 [SAR 1:1], 4987 kb/s, 29.97 fps\n"
             "    Stream #0:1: Audio: aac, 48000 Hz, stereo, 128 kb/s\n",
         {"", true, "00:01:10.52", "5123", "4987", "128", "1920", "1080"}},
        {"a video line without a rate lends its segment to the audio line's rate",
         duration + "    Stream #0:0: Video: mpeg2video, 720x576 [SAR 16:15], 25 fps\n"
                    "    Stream #0:1: Audio: mp2, 48000 Hz, stereo, 128 kb/s\n",
         {"", true, "00:01:10.52", "5123", untouched, "128", "720", "576"}},
        {"an audio line without a rate lends its segment to the video line's rate",
         duration + "    Stream #0:0: Audio: vorbis, 48000 Hz, stereo\n"
                    "    Stream #0:1: Video: h264, 640x480, 900 kb/s\n",
         {"", true, "00:01:10.52", "5123", "900", untouched, "640", "480"}},
        {"of each kind the last stream with a rate wins",
         duration + "    Stream #0:0: Video: h264, 640x480, 900 kb/s, 25 fps\n"
                    "    Stream #0:1: Audio: aac, 48000 Hz, 96 kb/s\n"
                    "    Stream #0:2: Video: h264, 320x240, 300 kb/s, 25 fps\n"
                    "    Stream #0:3: Audio: aac, 48000 Hz, 64 kb/s\n",
         {"", true, "00:01:10.52", "5123", "300", "64", "640", "480"}},
        {"a rate with no stream of input 0 in its segment is nobody's",
         "  Duration: 00:00:05.00, bitrate: 700 kb/s\n"
         "    Stream #1:0: Video: h264, 640x480, 500 kb/s\n",
         {"", true, "00:00:05.00", "700", untouched, untouched, "640", "480"}},
        {"width and height are judged separately",
         duration + "    Stream #0:0: Video: h264, 1920x1080, 4000 kb/s\n"
                    "    Stream #0:1: Video: h264, 1440x1440, 3000 kb/s\n",
         {"", true, "00:01:10.52", "5123", "3000", untouched, "1920", "1440"}},
        {"a codec tag 0x... has the left side 0 and is no frame size",
         duration + "    Stream #0:0: Video: rawvideo, 0x1234, 64x48, 10 kb/s\n",
         {"", true, "00:01:10.52", "5123", "10", untouched, "64", "48"}},
        {"a frame size of 0x0 is passed over",
         duration + "    Stream #0:0: Video: rawvideo, 0x0, 10 kb/s\n",
         {"", true, "00:01:10.52", "5123", "10", untouched, "", ""}},
        {"a frame size last on its line runs into the line break and is passed over",
         duration + "    Stream #0:0: Video: h264, yuv420p, 640x480\n"
                    "    Stream #0:1: Audio: aac, 48000 Hz, 128 kb/s\n",
         {"", true, "00:01:10.52", "5123", untouched, "128", "", ""}},
        {"a negative width is no width",
         duration + "    Stream #0:0: Video: h264, -640x480, 10 kb/s\n",
         {"", true, "00:01:10.52", "5123", "10", untouched, "", "480"}},
        {"blanks around the duration are dropped",
         "  Duration:   00:00:05.00 , bitrate:  700  kb/s\n",
         {"", true, "00:00:05.00", "700", untouched, untouched, "", ""}},
        {"duration N/A; a bit rate marker without kb/s writes an empty rate",
         "  Duration: N/A, start: 0.000000, bitrate: N/A\n"
         "    Stream #0:0: Video: h264, 640x480, 25 fps\n",
         {"", false, "N/A", "", untouched, untouched, "640", "480"}},
        {"a duration of 0",
         "  Duration: 0, bitrate: 10 kb/s\n",
         {"", false, "0", "10", untouched, untouched, "", ""}},
        {"a duration that no \",\" closes is empty",
         "  Duration: 00:00:05.00\n",
         {"", false, "", untouched, untouched, untouched, "", ""}},
        {"no \"Duration: \" at all: the converter could not open the file",
         "clip.mp4: Invalid data found when processing input\n",
         {"", false, untouched, untouched, untouched, untouched, "", ""}},
        {"no output at all", "", {"", false, untouched, untouched, untouched, untouched, "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shows);
        MediaInfo info = untouched_record();
        std::string code = "caller";
        EXPECT_EQ(parse_media_description(c.text, info, code), c.want.loads);
        EXPECT_EQ(code, c.want.loads ? "caller" : "No duration!");
        expect_record(info, c.want);
    }
}

} // namespace
} // namespace calm
