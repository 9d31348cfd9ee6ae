#pragma once

// Names of the resources that resources/Quorvel.rc links into the program and the GUI test programs.

inline constexpr const char kMainIcon[] = "MAINICON"; // 32 x 32, 16 colours

// The browse button's folder, 14 x 12, 16 colours; magenta (its bottom-left pixel) is transparent.
inline constexpr const char kFolderGlyph[] = "FEDITBMP";

// Glyph strips of the three buttons: 96 x 32, 16 colours, images normal, disabled, pressed;
// olive (128, 128, 0), their bottom-left pixel, is transparent.
inline constexpr const char kRescanGlyph[] = "RESCANGLYPH";
inline constexpr const char kExitGlyph[] = "EXITGLYPH";
inline constexpr const char kAboutGlyph[] = "ABOUTGLYPH";

// The result tree's node images, 16 x 16, 24 bits, drawn opaque on olive (127, 127, 0), listed in the
// order of the tree's image indexes: a form with components, a component, a form without a number.
inline constexpr const char kFormNodeImage[] = "NODEFORM";
inline constexpr const char kComponentNodeImage[] = "NODECOMPONENT";
inline constexpr const char kEmptyFormNodeImage[] = "NODEEMPTYFORM";
inline constexpr const char* const kNodeImages[] = {kFormNodeImage, kComponentNodeImage, kEmptyFormNodeImage};
