#include "job/analysis_cache.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <stdlib.h>
#include <vector>

namespace calm {
namespace {

namespace fs = std::filesystem;

AnalysisKey sample_key()
{
    AnalysisKey key;
    key.source = {2049, 131077, 52428800, 1765400000, 123456789};
    key.shakiness = "5";
    key.accuracy = "15";
    key.stepsize = "6";
    key.mincontrast = "0.3";
    key.filters = "vidstabdetect=shakiness=5:accuracy=15:stepsize=6:mincontrast=0.3:"
                  "result=calm.trf";
    key.converter = {"/usr/bin/ffmpeg", 1700000000, 5};
    return key;
}

AnalysisKey key_named(int n)
{
    AnalysisKey key = sample_key();
    key.source.inode = 1000 + static_cast<std::uint64_t>(n);
    return key;
}

class AnalysisCacheTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/calm-cache-XXXXXX";
        root_ = fs::path(::mkdtemp(tmpl));
        fs::create_directories(root_ / "job");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    std::string cache_folder() const { return (root_ / "cache").string(); }
    std::string destination() const { return (root_ / "job/calm.trf").string(); }

    // A transforms file as the analysis leaves it.
    std::string transforms(const std::string& content) const
    {
        const fs::path path = root_ / "made.trf";
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    std::vector<std::string> names_in_cache(const std::string& ending = {}) const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(root_ / "cache", ec)) {
            const std::string name = e.path().filename().string();
            if (name.size() >= ending.size() &&
                name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
                names.push_back(name);
        }
        return names;
    }
    fs::path only(const std::string& ending) const
    {
        const auto names = names_in_cache(ending);
        EXPECT_EQ(names.size(), 1u) << ending;
        return root_ / "cache" / (names.empty() ? std::string("none") : names.front());
    }

    static std::string read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Fetches into a fresh destination; the content found, or nothing.
    std::optional<std::string> fetched(AnalysisCache& cache, const AnalysisKey& key) const
    {
        std::error_code ec;
        fs::remove(destination(), ec);
        if (!cache.fetch(key, destination())) {
            EXPECT_FALSE(fs::exists(destination())) << "a miss leaves nothing behind";
            return std::nullopt;
        }
        return read(destination());
    }

    fs::path root_;
};

TEST_F(AnalysisCacheTest, EveryPartOfTheKeyCounts)
{
    AnalysisCache cache(cache_folder());
    const std::string trf = "VID.STAB 1\nFrame 1 (List 0 [])\n";
    cache.keep(sample_key(), transforms(trf));

    struct Case
    {
        const char* change;
        std::function<void(AnalysisKey&)> make;
    };
    const Case cases[] = {
        {"source device", [](AnalysisKey& k) { k.source.device += 1; }},
        {"source inode", [](AnalysisKey& k) { k.source.inode += 1; }},
        {"source size", [](AnalysisKey& k) { k.source.size -= 1; }},
        {"source time, seconds", [](AnalysisKey& k) { k.source.mtime_seconds += 1; }},
        {"source time, nanoseconds", [](AnalysisKey& k) { k.source.mtime_nanoseconds += 1; }},
        {"shakiness", [](AnalysisKey& k) { k.shakiness = "6"; }},
        {"shakiness with a blank", [](AnalysisKey& k) { k.shakiness = "5 "; }},
        {"accuracy", [](AnalysisKey& k) { k.accuracy = "9"; }},
        {"stepsize", [](AnalysisKey& k) { k.stepsize = "4"; }},
        {"mincontrast", [](AnalysisKey& k) { k.mincontrast = "0.30"; }},
        {"a digit moved from one part to the next",
         [](AnalysisKey& k) {
             k.shakiness = "51";
             k.accuracy = "5";
         }},
        {"filter chain",
         [](AnalysisKey& k) { k.filters = "crop=trunc(iw/2)*2:trunc(ih/2)*2," + k.filters; }},
        {"converter path", [](AnalysisKey& k) { k.converter.resolved_path = "/opt/ffmpeg"; }},
        {"converter time, seconds", [](AnalysisKey& k) { k.converter.mtime_seconds += 1; }},
        {"converter time, nanoseconds", [](AnalysisKey& k) { k.converter.mtime_nanoseconds += 1; }},
    };
    for (const auto& c : cases) {
        AnalysisKey key = sample_key();
        c.make(key);
        EXPECT_NE(key_text(key), key_text(sample_key())) << c.change;
        EXPECT_FALSE(fetched(cache, key)) << c.change;
    }
    EXPECT_EQ(fetched(cache, sample_key()), trf) << "nothing changed";
    EXPECT_EQ(fetched(cache, sample_key()), trf) << "a hit leaves the entry in place";
}

TEST_F(AnalysisCacheTest, KeyFromTheRealFiles)
{
    std::ofstream(root_ / "clip.mp4") << "video";
    std::ofstream(root_ / "ffmpeg") << "#!";
    fs::create_symlink(root_ / "ffmpeg", root_ / "client.exe");
    const Parameters parameters;
    const auto key = analysis_key((root_ / "clip.mp4").string(), parameters, "vidstabdetect=x",
                                  (root_ / "client.exe").string());
    ASSERT_TRUE(key);
    EXPECT_EQ(key->converter.resolved_path, fs::canonical(root_ / "ffmpeg").string());
    EXPECT_EQ(key->shakiness, "5");
    EXPECT_EQ(key->mincontrast, "0.3");
    EXPECT_EQ(key->source.size, 5);

    AnalysisCache cache(cache_folder());
    cache.keep(*key, transforms("kept"));
    // The clip is edited: its time moves on, the kept transforms no longer fit.
    fs::last_write_time(root_ / "clip.mp4",
                        fs::last_write_time(root_ / "clip.mp4") + std::chrono::seconds(1));
    const auto edited = analysis_key((root_ / "clip.mp4").string(), parameters, "vidstabdetect=x",
                                     (root_ / "client.exe").string());
    ASSERT_TRUE(edited);
    EXPECT_FALSE(fetched(cache, *edited));
    EXPECT_EQ(fetched(cache, *key), "kept");

    EXPECT_FALSE(analysis_key((root_ / "gone.mp4").string(), parameters, "",
                              (root_ / "client.exe").string()));
    EXPECT_FALSE(analysis_key((root_ / "clip.mp4").string(), parameters, "",
                              (root_ / "no-converter").string()));
}

TEST_F(AnalysisCacheTest, AnotherKeyUnderTheSameNameIsAMissNotItsTransforms)
{
    // Two keys whose hashes meet: the second's key file holds the first's text.
    AnalysisCache cache(cache_folder());
    cache.keep(key_named(2), transforms("second"));
    const fs::path second_key_file = only(".key");
    for (const auto& name : names_in_cache())
        fs::remove(root_ / "cache" / name);
    cache.keep(key_named(1), transforms("first"));
    fs::rename(only(".key"), second_key_file);

    EXPECT_FALSE(fetched(cache, key_named(2)));
    EXPECT_TRUE(fs::exists(second_key_file)) << "a sound entry of another key is left alone";
}

TEST_F(AnalysisCacheTest, DamagedEntryIsAMissAndIsDropped)
{
    const std::string trf(5000, 't');
    struct Case
    {
        const char* damage;
        std::function<void(const fs::path& key_file, const fs::path& data)> make;
    };
    const Case cases[] = {
        {"kept file missing", [](const fs::path&, const fs::path& data) { fs::remove(data); }},
        {"kept file truncated",
         [](const fs::path&, const fs::path& data) { fs::resize_file(data, 4999); }},
        {"kept file emptied",
         [](const fs::path&, const fs::path& data) { fs::resize_file(data, 0); }},
        {"kept file longer than recorded",
         [](const fs::path&, const fs::path& data) { std::ofstream(data, std::ios::app) << "x"; }},
        {"kept file cannot be read",
         [](const fs::path&, const fs::path& data) {
             fs::remove(data);
             fs::create_directory(data);
         }},
        {"key file garbage",
         [](const fs::path& key_file, const fs::path&) {
             std::ofstream(key_file, std::ios::binary | std::ios::trunc) << "\x7f"
                                                                            "ELF garbage";
         }},
        {"key file empty",
         [](const fs::path& key_file, const fs::path&) { fs::resize_file(key_file, 0); }},
        {"key file cut in its size line",
         [](const fs::path& key_file, const fs::path&) {
             const std::string text = read(key_file);
             std::ofstream(key_file, std::ios::binary | std::ios::trunc)
                 << text.substr(0, text.find("size ") + 6);
         }},
        {"key file names a file outside the cache",
         [](const fs::path& key_file, const fs::path&) {
             std::string text = read(key_file);
             const auto at = text.find("data ") + 5;
             text.replace(at, text.find('\n', at) - at, "../../etc/passwd");
             std::ofstream(key_file, std::ios::binary | std::ios::trunc) << text;
         }},
    };
    for (const auto& c : cases) {
        std::error_code ec;
        fs::remove_all(root_ / "cache", ec);
        AnalysisCache cache(cache_folder());
        cache.keep(sample_key(), transforms(trf));
        c.make(only(".key"), only(".trf"));

        EXPECT_FALSE(fetched(cache, sample_key())) << c.damage;
        EXPECT_TRUE(names_in_cache(".key").empty()) << c.damage << ": dropped";

        cache.keep(sample_key(), transforms(trf));
        EXPECT_EQ(fetched(cache, sample_key()), trf) << c.damage << ": kept again after";
    }
}

TEST_F(AnalysisCacheTest, FetchReplacesAStaleFileAtTheDestination)
{
    AnalysisCache cache(cache_folder());
    cache.keep(sample_key(), transforms("fresh"));
    std::ofstream(destination()) << "stale and longer";
    ASSERT_TRUE(cache.fetch(sample_key(), destination()));
    EXPECT_EQ(read(destination()), "fresh");
    // The destination is the job's own: removing it leaves the cache whole.
    fs::remove(destination());
    EXPECT_EQ(fetched(cache, sample_key()), "fresh");
}

TEST_F(AnalysisCacheTest, EvictsByCountLeastRecentlyUsedFirst)
{
    AnalysisCache cache(cache_folder(), AnalysisCache::default_max_bytes, 3);
    for (int n = 1; n <= 3; ++n)
        cache.keep(key_named(n), transforms("entry " + std::to_string(n)));
    EXPECT_TRUE(fetched(cache, key_named(1))) << "a use makes 1 the most recent";
    cache.keep(key_named(4), transforms("entry 4"));

    EXPECT_EQ(names_in_cache(".key").size(), 3u);
    EXPECT_EQ(names_in_cache(".trf").size(), 3u) << "no kept file outlives its key";
    EXPECT_FALSE(fetched(cache, key_named(2))) << "least recently used";
    EXPECT_EQ(fetched(cache, key_named(1)), "entry 1");
    EXPECT_EQ(fetched(cache, key_named(3)), "entry 3");
    EXPECT_EQ(fetched(cache, key_named(4)), "entry 4");
}

TEST_F(AnalysisCacheTest, EvictsByBytesLeastRecentlyUsedFirst)
{
    // Room for two files of 10000 bytes with their key files, not three.
    AnalysisCache cache(cache_folder(), 25000, 200);
    const std::string trf(10000, 'x');
    cache.keep(key_named(1), transforms(trf));
    cache.keep(key_named(2), transforms(trf));
    EXPECT_TRUE(fetched(cache, key_named(1)));
    cache.keep(key_named(3), transforms(trf));
    EXPECT_FALSE(fetched(cache, key_named(2)));
    EXPECT_TRUE(fetched(cache, key_named(1)));
    EXPECT_TRUE(fetched(cache, key_named(3)));

    // A file larger than the whole cache is not kept and pushes nothing out.
    cache.keep(key_named(4), transforms(std::string(30000, 'y')));
    EXPECT_FALSE(fetched(cache, key_named(4)));
    EXPECT_TRUE(fetched(cache, key_named(1)));
    EXPECT_TRUE(fetched(cache, key_named(3)));
}

TEST_F(AnalysisCacheTest, KeepingAKeyAgainReplacesItsEntry)
{
    AnalysisCache cache(cache_folder());
    cache.keep(sample_key(), transforms("old"));
    cache.keep(sample_key(), transforms("new"));
    EXPECT_EQ(fetched(cache, sample_key()), "new");
    EXPECT_EQ(names_in_cache(".trf").size(), 1u) << "the old file is not left behind";
}

TEST_F(AnalysisCacheTest, OnlyFinishedEntriesAreEverFound)
{
    AnalysisCache cache(cache_folder());
    cache.keep(sample_key(), transforms("whole"));
    EXPECT_TRUE(names_in_cache(".tmp-").empty());
    for (const auto& name : names_in_cache())
        EXPECT_NE(name.rfind(".tmp-", 0), 0u) << name << ": no temporary is left behind";

    // A key file still under its temporary name is not looked at.
    fs::rename(only(".key"), root_ / "cache" / ".tmp-0123456789abcdef");
    EXPECT_FALSE(fetched(cache, sample_key()));
}

TEST_F(AnalysisCacheTest, LeftoversOfAnInterruptedKeepGoOnceTheyAreOld)
{
    AnalysisCache cache(cache_folder());
    cache.keep(key_named(1), transforms("one"));
    const auto plant = [&](const std::string& name, std::chrono::minutes age) {
        const fs::path path = root_ / "cache" / name;
        std::ofstream(path) << "partial";
        fs::last_write_time(path, fs::file_time_type::clock::now() - age);
    };
    plant(".tmp-00000000000000aa", std::chrono::minutes(60));
    plant("00000000000000bb-00000000000000cc.trf", std::chrono::minutes(60));
    plant(".tmp-00000000000000dd", std::chrono::minutes(0));
    plant("00000000000000ee-00000000000000ff.trf", std::chrono::minutes(0));
    plant("notes.txt", std::chrono::minutes(60));
    cache.keep(key_named(2), transforms("two"));

    const auto names = names_in_cache();
    const auto has = [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    EXPECT_FALSE(has(".tmp-00000000000000aa"));
    EXPECT_FALSE(has("00000000000000bb-00000000000000cc.trf"));
    EXPECT_TRUE(has(".tmp-00000000000000dd")) << "may be another copy's keep under way";
    EXPECT_TRUE(has("00000000000000ee-00000000000000ff.trf"));
    EXPECT_TRUE(has("notes.txt")) << "not the cache's own";
    EXPECT_EQ(fetched(cache, key_named(1)), "one");
    EXPECT_EQ(fetched(cache, key_named(2)), "two");
}

TEST_F(AnalysisCacheTest, KeepingThatFailsKeepsNothingAndNeverThrows)
{
    {
        AnalysisCache cache(cache_folder());
        EXPECT_NO_THROW(cache.keep(sample_key(), (root_ / "missing.trf").string()));
        EXPECT_NO_THROW(cache.keep(sample_key(), (root_ / "job").string())) << "a folder";
        EXPECT_NO_THROW(cache.keep(sample_key(), transforms(""))) << "an empty file";
        EXPECT_FALSE(fetched(cache, sample_key()));
        EXPECT_TRUE(names_in_cache(".key").empty());
        EXPECT_TRUE(names_in_cache(".tmp-").empty());
    }
    {
        // Where the folder should be stands a file: nothing can be written.
        std::ofstream(root_ / "blocked") << "x";
        AnalysisCache cache((root_ / "blocked").string());
        EXPECT_NO_THROW(cache.keep(sample_key(), transforms("t")));
        EXPECT_FALSE(cache.fetch(sample_key(), destination()));
        EXPECT_NO_THROW(cache.record_transform_cost(2));
        EXPECT_EQ(cache.transform_cost(), 3);
    }
    {
        AnalysisCache off("");
        off.keep(sample_key(), transforms("t"));
        EXPECT_FALSE(off.fetch(sample_key(), destination()));
    }
}

TEST_F(AnalysisCacheTest, FolderItMakesIsTheUsersOwn)
{
    AnalysisCache cache((root_ / "deep/cache").string());
    cache.keep(sample_key(), transforms("t"));
    ASSERT_TRUE(fs::is_directory(root_ / "deep/cache"));
    EXPECT_EQ(fs::status(root_ / "deep/cache").permissions() & fs::perms::all,
              fs::perms::owner_all);
}

TEST_F(AnalysisCacheTest, TransformCostIsKeptBesideTheEntries)
{
    AnalysisCache cache(cache_folder());
    EXPECT_EQ(cache.transform_cost(), 3) << "nothing measured yet";
    cache.record_transform_cost(2.5);
    EXPECT_EQ(AnalysisCache(cache_folder()).transform_cost(), 2.5) << "read by the next run";

    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const double nonsense : {0.0, -1.0, nan, std::numeric_limits<double>::infinity(), 1e6}) {
        cache.record_transform_cost(nonsense);
        EXPECT_EQ(cache.transform_cost(), 2.5) << nonsense << " is not recorded";
    }
    cache.record_transform_cost(0.75);
    EXPECT_EQ(cache.transform_cost(), 0.75) << "the last job's ratio, not an average";
    EXPECT_TRUE(names_in_cache(".tmp-").empty());

    struct Case
    {
        const char* text;
        double cost;
    };
    const Case cases[] = {
        {"4.25\n", 4.25}, {"  1.5  \r\n", 1.5}, {"", 3},    {"abc", 3},
        {"2.5x", 3},      {"2,5", 3},           {"0", 3},   {"-3", 3},
        {"nan", 3},       {"inf", 3},           {"1e9", 3}, {"\n", 3},
        {"1e1", 10},      {"2.5 3", 3},
    };
    for (const auto& c : cases) {
        std::ofstream(root_ / "cache/transform-cost", std::ios::trunc) << c.text;
        EXPECT_EQ(cache.transform_cost(), c.cost) << '"' << c.text << '"';
    }
    // The ratio is not an entry: eviction leaves it.
    AnalysisCache tiny(cache_folder(), AnalysisCache::default_max_bytes, 1);
    tiny.record_transform_cost(2);
    tiny.keep(key_named(1), transforms("a"));
    tiny.keep(key_named(2), transforms("b"));
    EXPECT_EQ(tiny.transform_cost(), 2);
}

} // namespace
} // namespace calm
