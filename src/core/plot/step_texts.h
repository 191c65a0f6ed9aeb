#pragma once

#include <string>

#include "plot/step_response.h"

namespace zvr {

// A step's figures as the Parameter Plot and zvr-cli show them: the levels with the decimals
// of the values, overshoot in % with one decimal, times in seconds with the decimals given,
// the error with one decimal more than the values. A figure the step lacks reads "measuring"
// while the step is still measured, afterwards "not reached" (rise) or "not settled".
struct StepTexts {
    std::string from;
    std::string to;
    std::string overshoot;
    std::string rise;
    std::string settling;
    std::string error;
};

StepTexts DescribeStep(const StepFigures& figures, int valueDecimals, int secondDecimals);

}  // namespace zvr
