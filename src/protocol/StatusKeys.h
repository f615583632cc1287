#pragma once

#include <array>
#include <string_view>

// The keys of a "STATUS" block's lines that the operator's window shows, in the order it shows
// them. A display may send other keys too; they are kept and not shown.
namespace StatusKeys {

inline constexpr std::string_view Shown = "shown";             // what is on the screen now
inline constexpr std::string_view Place = "place";             // where in its rotation
inline constexpr std::string_view Screen = "screen";           // on, off, its hours
inline constexpr std::string_view Media = "media";             // the media cache's state
inline constexpr std::string_view Problem = "problem";         // the last problem, if any
inline constexpr std::string_view Uptime = "uptime";           // since the program started
inline constexpr std::string_view Version = "version";         // of the display program
inline constexpr std::string_view Temperature = "temperature"; // of the board, in degrees Celsius

inline constexpr std::array<std::string_view, 8> InWindowOrder{
    Shown, Place, Screen, Media, Problem, Uptime, Version, Temperature};

} // namespace StatusKeys
