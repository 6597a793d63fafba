#pragma once
// Who makes Calmora and where to reach them: one place to change.

namespace calm::maker {

inline constexpr const char* name = "The Calmora developers";
inline constexpr const char* web_site = "https://calmora.example.org/";
inline constexpr const char* support_mail = "support@calmora.example.org";
inline constexpr const char* notice =
    "This program is protected by copyright law. Unauthorized reproduction or distribution "
    "of it, or of any part of it, is not permitted.";

} // namespace calm::maker
