#include "setupdoc/plot_setup_file.h"

#include "common/numbers.h"
#include "common/replacing_file.h"
#include "setupdoc/setup_file.h"
#include "setupdoc/setup_node.h"

namespace zvr {

namespace {

bool AxisLimitsValid(const std::string& name, const std::string& max, const std::string& min) {
    return name == kNoPlot || ParseDecimal(max) > ParseDecimal(min);
}

bool IsPlotChoice(const std::string* name, const SortedTable<VariableDef>& variables) {
    return name != nullptr && (*name == kNoPlot || variables.find(*name) != nullptr);
}

void AddPlot(SetupNode& root, const char* element, const std::string& name, const std::string& max,
             const std::string& min) {
    SetupNode& plot = root.appendChild(element);
    plot.setAttribute("PARAMETER", name);
    plot.setAttribute("MAX", max);
    plot.setAttribute("MIN", min);
}

std::string TextAttribute(const SetupNode& node, std::string_view name) {
    const std::string* value = node.attribute(name);
    return value != nullptr ? *value : std::string();
}

void ReadDivisions(const SetupNode& grid, std::string_view name, int limit, int& divisions) {
    if (grid.attribute(name) != nullptr) {
        const int value = grid.intAttribute(name, 0);
        divisions = value < 0 || value > limit ? 4 : value;
    }
}

}  // namespace

FileChoice PlotSetupFileChoice(FileChoiceMode mode) {
    return {.mode = mode,
            .title = mode == FileChoiceMode::Save
                         ? "Choose or create a file to save the plot setup to."
                         : "Choose a file to open the plot setup info.",
            .filter = kPlotSetupFilter,
            .defaultExtension = kPlotSetupExtension};
}

bool CheckPlotSetup(const PlotSetup& setup, UserPrompt& prompt) {
    if (setup.timeScale < 1) {
        prompt.error("Time Scale must be greater than or equal to 1");
        return false;
    }
    if (setup.sampleRate < 50) {
        prompt.error("Sample Rate must be greater than 50");
        return false;
    }
    if (!AxisLimitsValid(setup.plot1Name, setup.plot1Max, setup.plot1Min) ||
        !AxisLimitsValid(setup.plot2Name, setup.plot2Max, setup.plot2Min)) {
        prompt.error("Axis Min must be less than Max");
        return false;
    }
    if (!SettlingBandPercent(setup.settlingBand)) {
        prompt.error("Settling Band must be more than 0 and at most 50 %");
        return false;
    }
    return true;
}

std::unique_ptr<SetupNode> BuildPlotSetup(const PlotSetup& setup) {
    auto root = std::make_unique<SetupNode>();
    root->parseText(kEmptySetupDocument);
    AddPlot(*root, "PLOT1", setup.plot1Name, setup.plot1Max, setup.plot1Min);
    AddPlot(*root, "PLOT2", setup.plot2Name, setup.plot2Max, setup.plot2Min);
    SetupNode& xAxis = root->appendChild("XAXIS");
    xAxis.setAttribute("XTIMESCALE", setup.timeScale);
    xAxis.setAttribute("SAMPLERATE", setup.sampleRate);
    SetupNode& grid = root->appendChild("GRID");
    grid.setAttribute("NUMHORZ", setup.horizontalDivisions);
    grid.setAttribute("NUMVERT", setup.verticalDivisions);
    SetupNode& step = root->appendChild("STEP");
    step.setAttribute("REFERENCE", PlotReferenceToken(setup.reference));
    step.setAttribute("BAND", setup.settlingBand);
    return root;
}

bool ReadPlotSetup(const SetupNode& root, const SortedTable<VariableDef>& variables,
                   int divisionLimit, PlotSetup& setup, UserPrompt& prompt) {
    auto refuse = [&prompt](const char* text) {
        prompt.error(text);
        return false;
    };
    const SetupNode* plot1 = root.findChild("PLOT1");
    if (plot1 == nullptr) return refuse("Invalid Plot File. No Plot 1 tag.");
    if (!IsPlotChoice(plot1->attribute("PARAMETER"), variables))
        return refuse("Incompatiable Plot File. Plot 1 parameter not in list.");
    const SetupNode* plot2 = root.findChild("PLOT2");
    if (plot2 == nullptr) return refuse("Invalid Plot File. No Plot 2 tag.");
    if (!IsPlotChoice(plot2->attribute("PARAMETER"), variables))
        return refuse("Incompatiable Plot File. Plot 2 parameter not in list.");
    const SetupNode* xAxis = root.findChild("XAXIS");
    if (xAxis == nullptr) return refuse("Invalid Plot File. No X Axis tag.");
    if (xAxis->attribute("XTIMESCALE") == nullptr)
        return refuse("Invalid Plot File. No  XAxis Time Scale.");
    if (xAxis->attribute("SAMPLERATE") == nullptr)
        return refuse("Invalid Plot File. No X Axis Sample Rate.");

    PlotSetup loaded = setup;
    loaded.plot1Name = *plot1->attribute("PARAMETER");
    loaded.plot1Max = TextAttribute(*plot1, "MAX");
    loaded.plot1Min = TextAttribute(*plot1, "MIN");
    loaded.plot2Name = *plot2->attribute("PARAMETER");
    loaded.plot2Max = TextAttribute(*plot2, "MAX");
    loaded.plot2Min = TextAttribute(*plot2, "MIN");
    loaded.timeScale = xAxis->intAttribute("XTIMESCALE", 0);
    loaded.sampleRate = xAxis->intAttribute("SAMPLERATE", 0);
    if (const SetupNode* grid = root.findChild("GRID")) {
        ReadDivisions(*grid, "NUMHORZ", divisionLimit, loaded.horizontalDivisions);
        ReadDivisions(*grid, "NUMVERT", divisionLimit, loaded.verticalDivisions);
    }
    if (const SetupNode* step = root.findChild("STEP")) {
        if (const std::string* reference = step->attribute("REFERENCE"))
            loaded.reference = ParsePlotReference(*reference);
        if (const std::string* band = step->attribute("BAND")) loaded.settlingBand = *band;
    }
    setup = std::move(loaded);
    return true;
}

int SavePlotSetupFile(const PlotSetup& setup, const std::string& path, UserPrompt& prompt) {
    ReplacingFile file(path);
    if (!OpenSetupFileForWriting(file, prompt)) {
        return -1;
    }
    return WriteSetupDocument(file, *BuildPlotSetup(setup), prompt) ? 0 : -3;
}

int OpenPlotSetupFile(const std::string& path, const SortedTable<VariableDef>& variables,
                      int divisionLimit, PlotSetup& setup, UserPrompt& prompt) {
    SetupNode root;
    if (!ReadSetupFile(path, root, prompt)) {
        return -1;
    }
    return ReadPlotSetup(root, variables, divisionLimit, setup, prompt) ? 0 : -2;
}

}  // namespace zvr
