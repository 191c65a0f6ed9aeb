#pragma once

#include <memory>
#include <string>

#include "common/user_prompt.h"
#include "definitions/definition_tables.h"
#include "definitions/definitions.h"
#include "settings/registry_settings.h"

namespace zvr {

class SetupNode;

// Plot setup files (*.zpf) and the checks of the Plot Setup dialog. After the declaration
// and the "ZVR" element come PLOT1 and PLOT2 (PARAMETER, MAX, MIN), XAXIS (XTIMESCALE,
// SAMPLERATE), GRID (NUMHORZ, NUMVERT) and STEP (REFERENCE: AUTO, PLOT1, PLOT2 or NONE; BAND,
// the settling band in percent), attributes only. STEP comes last and is optional: readers
// that look elements up by name pass over it, and a file without it keeps the dialog's values.

inline constexpr const char* kNoPlot = "NO PLOT";
// The largest division count the dialog's lists offer when Parameter Plot opens it.
inline constexpr int kPlotDivisionLimit = 30;

inline constexpr const char* kPlotSetupFilter = "ZVR Plot Setup Files (*.zpf)|*.zpf||";
inline constexpr const char* kPlotSetupExtension = "*.zpf";

// What the Plot Setup dialog edits. The defaults are those of a fresh installation.
struct PlotSetup {
    std::string plot1Name = kNoPlot;
    std::string plot1Max = "100.0";  // axis limits: decimal text as typed
    std::string plot1Min = "0.0";
    std::string plot2Name = kNoPlot;
    std::string plot2Max = "1.0";
    std::string plot2Min = "-1.0";
    int timeScale = 10;    // seconds on the time axis
    int sampleRate = 100;  // milliseconds between samples
    // Indexes in the dialog's division lists: the chart's division counts + 1.
    int verticalDivisions = 21;
    int horizontalDivisions = 11;
    // The trace whose steps start step-response measurements, and their settling band.
    PlotReference reference = PlotReference::Automatic;
    std::string settlingBand = kDefaultSettlingBand;  // percent, as typed

    friend bool operator==(const PlotSetup&, const PlotSetup&) = default;
};

// The file dialog of Save (asking before overwriting) or Open.
FileChoice PlotSetupFileChoice(FileChoiceMode mode);

// The dialog's OK checks: time scale at least 1, sample rate at least 50, for each plotted
// variable a maximum above its minimum, and a settling band above 0 and at most 50 %. False
// with the first failure shown.
bool CheckPlotSetup(const PlotSetup& setup, UserPrompt& prompt);

std::unique_ptr<SetupNode> BuildPlotSetup(const PlotSetup& setup);

// Takes a plot setup document into setup. Checked in this order: PLOT1 and its PARAMETER,
// PLOT2 and its PARAMETER (each "NO PLOT" or the exact name of a variable), XAXIS, its
// XTIMESCALE and its SAMPLERATE; the first failure is shown and returns false with setup
// untouched. GRID is optional: each count it holds is
// taken, one outside 0..divisionLimit as 4. STEP is optional too: its REFERENCE when present
// (an unknown one as AUTO), its BAND text when present. The numbers are not checked here (OK
// does that).
bool ReadPlotSetup(const SetupNode& root, const SortedTable<VariableDef>& variables,
                   int divisionLimit, PlotSetup& setup, UserPrompt& prompt);

// Saves setup to path. Results: 0 saved; -1 the file cannot be written; -3 a write error.
// The message is shown; on failure an existing file keeps its content.
int SavePlotSetupFile(const PlotSetup& setup, const std::string& path, UserPrompt& prompt);

// Loads path into setup. Results: 0 loaded; -1 the file cannot be read; -2 the file was
// refused (see ReadPlotSetup). On failure the message is shown and setup is untouched.
int OpenPlotSetupFile(const std::string& path, const SortedTable<VariableDef>& variables,
                      int divisionLimit, PlotSetup& setup, UserPrompt& prompt);

}  // namespace zvr
