#pragma once
// The video types the program offers and accepts from a drop.

#include <string>
#include <string_view>
#include <vector>

namespace calm {

inline constexpr std::string_view video_extensions =
    "*.AVI;*.MPG;*.MPEG;*.WMV;*.MP4;*.M4V;*.FLV;*.MKV;*.WEBM;*.MOV;*.VOB;*.ASF;*.TS;*.MTS;";

// From the last "." of the file's name to its end, dot included; empty when
// the name has no dot.
std::string extension_of(std::string_view path);

// ASCII letters only, so bytes of other encodings stay as they are.
std::string ascii_upper(std::string_view text);
std::string ascii_lower(std::string_view text);

// The extension, upper-cased, occurs in video_extensions. Being a substring
// test it also passes a leading part of a listed extension (".MP", ".M").
bool passes_extension_test(std::string_view path);

// The extensions of video_extensions without "*." and ";", in order.
std::vector<std::string> listed_extensions();

} // namespace calm
