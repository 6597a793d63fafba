#pragma once
// The stabilization parameters as the user left them in the options window.
// The five that steer the measuring and the smoothing, and the zoom, are the
// texts of their edits; the job reads them unchanged at the moment it builds
// a converter command line. The border and tripod choices are values that
// cannot be wrong.

#include <string>

namespace calm {

// How the transform pass zooms to hide the borders the correction uncovers.
enum class AutoZoom {
    off = 0,      // only the zoom the user set
    fixed = 1,    // one zoom for the whole clip, so that no border shows
    adaptive = 2, // a zoom that follows the motion frame by frame
};

// What fills the borders the correction uncovers.
enum class Borders { keep, black };

struct Parameters
{
    std::string shakiness = "5";
    std::string accuracy = "15";
    std::string stepsize = "6";
    std::string mincontrast = "0.3";
    std::string smoothing = "10";
    std::string zoom = "0"; // percent, positive zooms in
    AutoZoom optzoom = AutoZoom::fixed;
    Borders crop = Borders::keep;
    bool tripod = false; // hold the camera still on the first frame
};

} // namespace calm
