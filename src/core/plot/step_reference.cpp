#include "plot/step_reference.h"

#include <algorithm>
#include <cctype>

#include "setupdoc/plot_setup_file.h"

namespace zvr {

namespace {

bool Plotted(const std::string& name) { return !name.empty() && name != kNoPlot; }

}  // namespace

bool IsReferenceName(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (std::string_view mark : {"desired", "target", "setpoint"}) {
        if (lower.find(mark) != std::string::npos) return true;
    }
    return false;
}

std::optional<ReferencePair> ResolveReference(PlotReference setting,
                                              const std::array<std::string, 2>& names) {
    std::optional<int> reference;
    switch (setting) {
        case PlotReference::Plot1:
            reference = 0;
            break;
        case PlotReference::Plot2:
            reference = 1;
            break;
        case PlotReference::None:
            break;
        case PlotReference::Automatic:
            for (int trace = 0; trace < 2 && !reference; ++trace) {
                if (Plotted(names[trace]) && IsReferenceName(names[trace])) reference = trace;
            }
            break;
    }
    if (!reference) return std::nullopt;
    const int response = 1 - *reference;
    if (!Plotted(names[*reference]) || !Plotted(names[response])) return std::nullopt;
    return ReferencePair{.reference = *reference, .response = response};
}

}  // namespace zvr
