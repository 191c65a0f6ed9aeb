#pragma once

#include <cstddef>
#include <deque>

namespace zvr {

// The newest samples of one series, at most a capacity of them: the oldest is dropped when a
// new one would exceed it.
class SampleBuffer {
public:
    explicit SampleBuffer(size_t capacity = 100) : capacity_(capacity) {}

    void Add(double value) {
        samples_.push_back(value);
        while (samples_.size() > capacity_)
            samples_.pop_front();
    }
    // A smaller capacity drops the oldest samples at once.
    void SetCapacity(size_t capacity) {
        capacity_ = capacity;
        while (samples_.size() > capacity_)
            samples_.pop_front();
    }
    void Clear() { samples_.clear(); }

    size_t capacity() const { return capacity_; }
    size_t size() const { return samples_.size(); }
    bool empty() const { return samples_.empty(); }
    double operator[](size_t i) const { return samples_[i]; }
    double newest() const { return samples_.empty() ? 0.0 : samples_.back(); }

private:
    size_t capacity_;
    std::deque<double> samples_;
};

}  // namespace zvr
