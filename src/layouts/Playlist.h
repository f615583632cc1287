#pragma once

#include "layouts/Rotation.h"

#include <string_view>

// An M3U playlist as a rotation: one entry a line; "#EXTINF:<seconds>,<title>" before an entry
// gives a picture its time on screen, "#VELMORA-HOURS:<hours>" (Hours::THours) the hours an
// entry is shown at; blank lines and other "#" lines are skipped. ".m3u8" is
// UTF-8; ".m3u" is UTF-8 when it is valid UTF-8 throughout, else Windows-1251 (the operator's code
// page). An entry is an absolute path (Windows "C:\..." or "\\host\...", or POSIX), a web address,
// a "file://" address as media players save them, or a path relative to the playlist's folder.
namespace Playlist {

// The longest entry taken, in bytes: a path longer than any file system allows is garbage.
constexpr size_t MostPathBytes = 4096;
// The most problem lines one reading gives; more are counted in a last line.
constexpr size_t MostProblemLines = 20;

// The rotation in the playlist's bytes. path is the playlist's own layout path in UTF-8
// (CodePage1251::ToUtf8 of the layout's key), which relative entries are read against. Entries
// that name the playlist itself or a folder that holds it are left out, as is every line that
// cannot be a path (control characters, too long), each said in a problem line.
TRotation Read(std::string_view bytes, std::string_view path);

} // namespace Playlist
