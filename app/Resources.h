#pragma once
// The icons and button glyphs compiled into the program (drawn by tools/icongen).

// Makes the compiled-in images reachable. The program's library is static, so the resource
// data is linked only when something calls this; every window that uses an image calls it.
void initDipolixResources();

class QIcon;
// The program icon at every drawn size (16 to 256 pixels).
QIcon dipolixAppIcon();
// A compiled-in PNG picture as an icon, with an optional picture for the disabled state.
QIcon resourceIcon(const char *normal, const char *disabled = nullptr);

namespace resources {
inline constexpr char kAppIcon16[] = ":/dipolix/dipolix-16.png";
inline constexpr char kAppIcon32[] = ":/dipolix/dipolix-32.png";
inline constexpr char kAppIcon48[] = ":/dipolix/dipolix-48.png";
inline constexpr char kAppIcon64[] = ":/dipolix/dipolix-64.png";
inline constexpr char kAppIcon128[] = ":/dipolix/dipolix-128.png";
inline constexpr char kAppIcon256[] = ":/dipolix/dipolix-256.png";
// The About box's own 32 x 32 icon.
inline constexpr char kAboutIcon[] = ":/dipolix/about32.png";
// Info button: an exclamation mark, and its outline for the disabled state (20 x 20).
inline constexpr char kInfoGlyph[] = ":/dipolix/info.png";
inline constexpr char kInfoGlyphDisabled[] = ":/dipolix/info-disabled.png";
// Exit button: a broad arrow up and to the right (21 x 21).
inline constexpr char kExitGlyph[] = ":/dipolix/exit.png";
// OK button: a blue tick on white (21 x 21).
inline constexpr char kOkGlyph[] = ":/dipolix/ok.png";
} // namespace resources
