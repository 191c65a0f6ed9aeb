#include "plot/gain_marks.h"

#include <algorithm>

namespace zvr {

std::string GainChangeText(const GainChange& change) {
    return change.gain + " " + change.before + " -> " + change.after;
}

void GainMarks::Add(uint64_t nextSample, GainChange change) {
    marks_.push_back({nextSample, std::move(change)});
}

void GainMarks::Forget(uint64_t newestNext, size_t size) {
    const uint64_t oldest = newestNext >= size ? newestNext - size : 0;
    std::erase_if(marks_, [oldest](const Mark& mark) { return mark.sample < oldest; });
}

std::vector<PlotMark> GainMarks::InBuffers(uint64_t newestNext, size_t size) const {
    const uint64_t oldest = newestNext >= size ? newestNext - size : 0;
    std::vector<PlotMark> inside;
    for (const Mark& mark : marks_) {
        if (mark.sample < oldest || mark.sample > newestNext) continue;
        inside.push_back({static_cast<size_t>(mark.sample - oldest), mark.change});
    }
    return inside;
}

}  // namespace zvr
