#pragma once
// The project's own addresses, opened by the launcher and the about box.
namespace tarnwell::app {

inline constexpr const char kWebSiteAddress[] = "https://tarnwell.example.org/";
inline constexpr const char kSupportMailAddress[] =
    "mailto:support@tarnwell.example.org?subject=Tarnwell%20support";

}  // namespace tarnwell::app
