#pragma once
// Transforms files of finished analysis passes, kept per user so a clip
// fixed again with the same analysis settings skips straight to the
// transform pass. Each entry is filed under everything that shapes the
// analysis; a lookup compares that whole description, never just its hash.
// The cache never makes a job fail: whatever goes wrong in it is a miss, and
// a damaged entry is dropped on the way. Entries reach their final names by
// rename only, so another copy of the program never reads half a file.
// Besides the entries the folder keeps the measured ratio of transform to
// analysis time, for the time-left estimate.
//
// In the folder:  <hash>.key               the key text and what it files
//                 <hash>-<unique>.trf      the kept transforms, never rewritten
//                 .tmp-<unique>            being written; never looked up
//                 transform-cost           e.g. "3.25"

#include "platform/file_identity.h"
#include "settings/parameters.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace calm {

struct AnalysisKey
{
    FileIdentity source;
    // The analysis parameters exactly as they went into the command line.
    std::string shakiness;
    std::string accuracy;
    std::string stepsize;
    std::string mincontrast;
    // The whole analysis filter chain as passed ("crop=...,vidstabdetect=...");
    // it carries every option, so nothing else needs a place here.
    std::string filters;
    ProgramIdentity converter;
};

// The key with the identities of the source and of the converter as they are
// now; nothing when either cannot be looked at (then nothing is cached).
std::optional<AnalysisKey> analysis_key(const std::string& source, const Parameters& parameters,
                                        const std::string& filters, const std::string& converter);

// One line per part, texts with their length in front, so no text can pass
// for another part:
//   source.device=2049
//   ...
//   mincontrast=3:0.3
//   converter=15:/usr/bin/ffmpeg
std::string key_text(const AnalysisKey& key);

class AnalysisCache
{
  public:
    static constexpr std::uint64_t default_max_bytes = std::uint64_t{2} << 30;
    static constexpr std::size_t default_max_entries = 200;

    // An empty folder name gives a cache that keeps nothing.
    explicit AnalysisCache(std::string folder, std::uint64_t max_bytes = default_max_bytes,
                           std::size_t max_entries = default_max_entries);

    // Puts the kept transforms for the key at destination (a link when the
    // folders share a file system, else a copy) and counts as a use. False
    // on a miss, and when the kept file is missing, unreadable or not of its
    // recorded size; such an entry is dropped. Never throws.
    bool fetch(const AnalysisKey& key, const std::string& destination);

    // Keeps a copy of trf_file for the key, replacing what the key had, then
    // drops the least recently used entries until the bounds hold. A file
    // larger than the whole cache, a full disk or a folder that cannot be
    // written just means nothing is kept. Never throws.
    void keep(const AnalysisKey& key, const std::string& trf_file);

    // The ratio last recorded; 3 when none is, or it is not plausible.
    double transform_cost() const;
    // Ignores a ratio that is not plausible. Never throws.
    void record_transform_cost(double cost);

    const std::string& folder() const { return folder_; }

  private:
    void evict();
    void drop(const std::string& hash, const std::string& data_name);

    std::string folder_;
    std::uint64_t max_bytes_;
    std::size_t max_entries_;
};

} // namespace calm
