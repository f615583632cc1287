#pragma once

// The program's name and its maker's, as captions, the tray and the per-user settings spell them.
namespace Product {

inline constexpr const char* Name = "Velmora";
inline constexpr const char* Maker = "Quillbrook";

} // namespace Product
