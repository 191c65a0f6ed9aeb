#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zvr {

// One gain written during plotting: which gain ("P", "I" or "D") and its value before and
// after, as the plot showed them.
struct GainChange {
    std::string gain;
    std::string before;
    std::string after;

    friend bool operator==(const GainChange&, const GainChange&) = default;
};

// "P 2.500 -> 2.750": the change in text files, where an arrow sign has no single byte. The
// screen and the printed page draw the arrow sign itself.
std::string GainChangeText(const GainChange& change);

// A gain change at its place among the plotted samples: before sample `index` of the sample
// buffers (index == the buffers' size: after the newest).
struct PlotMark {
    size_t index = 0;
    GainChange change;

    friend bool operator==(const PlotMark&, const PlotMark&) = default;
};

// The gain changes of a plot, each tied to the number of the first sample taken after it
// (samples are numbered from 0 since the buffers were last cleared). Marks older than the
// buffers' oldest sample are forgotten.
class GainMarks {
public:
    void Add(uint64_t nextSample, GainChange change);
    void Clear() { marks_.clear(); }
    // The buffers hold `size` samples, the newest numbered newestNext - 1; marks before the
    // oldest of them are dropped.
    void Forget(uint64_t newestNext, size_t size);
    // The marks within the buffers, by their index there, oldest first.
    std::vector<PlotMark> InBuffers(uint64_t newestNext, size_t size) const;
    size_t count() const { return marks_.size(); }

private:
    struct Mark {
        uint64_t sample;
        GainChange change;
    };
    std::vector<Mark> marks_;
};

}  // namespace zvr
