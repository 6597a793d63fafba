#pragma once
// The five stabilization parameters as the texts the user left in the
// options window; the job reads them unchanged at the moment it builds a
// converter command line.

#include <string>

namespace calm {

struct Parameters
{
    std::string shakiness = "5";
    std::string accuracy = "15";
    std::string stepsize = "6";
    std::string mincontrast = "0.3";
    std::string smoothing = "10";
};

} // namespace calm
