#pragma once

// A colour as RGB components and opacity in 0…1. The core cannot use QColor
// (that belongs to Qt Gui); the display layer converts at the edge.
struct RgbColour {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;

    constexpr bool operator==(const RgbColour& other) const = default;
};

namespace Colour {
// The accent colour, also the colour of an excellent signal.
inline constexpr RgbColour excellentTeal{0.0, 0.792, 0.875};
// Marks everything that belongs to the second target.
inline constexpr RgbColour slotBMagenta{0.859, 0.243, 0.694};
// "Veltrano Blue", the highlight colour.
inline constexpr RgbColour veltranoBlue{0.243, 0.722, 0.941};

// The desktop's standard yellow, red and grey have no portable source on Linux, so
// these are the GNOME HIG palette's Yellow 3 (#f6d32d), Red 3 (#e01b24) and
// Light 5 (#9a9996), which read well on both light and dark panels.
inline constexpr RgbColour systemYellow{0.965, 0.827, 0.176};
inline constexpr RgbColour systemRed{0.878, 0.106, 0.141};
inline constexpr RgbColour systemGrey{0.604, 0.600, 0.588};

// The dark phase of a flash, and the text drawn on a flashing background.
inline constexpr RgbColour black{0.0, 0.0, 0.0};
inline constexpr RgbColour white{1.0, 1.0, 1.0};
// The idle indicator's brackets in their "off" phase.
inline constexpr RgbColour transparent{0.0, 0.0, 0.0, 0.0};
// Secondary text such as the "|" between two title segments; mid-grey reads on
// light and dark panels alike.
inline constexpr RgbColour secondaryLabel{0.5, 0.5, 0.5};
} // namespace Colour
