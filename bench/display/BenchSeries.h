#pragma once

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

// The runs of one side of a figure, in milliseconds unless another unit is given; a run that
// timed out has none.
class TSeries {
public:
    explicit TSeries(const char* name, const char* unit = "ms") : name_(name), unit_(unit) {}

    void Add(std::optional<double> ms) {
        if (ms)
            values_.push_back(*ms);
        else
            std::printf("  %s: timed out\n", name_);
    }
    std::optional<double> Median() const {
        if (values_.empty())
            return std::nullopt;
        std::vector<double> sorted = values_;
        std::sort(sorted.begin(), sorted.end());
        const size_t middle = sorted.size() / 2;
        return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }
    void Print() const {
        std::printf("  %-28s", name_);
        if (const auto median = Median())
            std::printf(" median %8.1f %-4s runs", *median, unit_);
        else
            std::printf(" no run finished      runs");
        for (double value : values_)
            std::printf(" %.1f", value);
        std::printf("\n");
    }

private:
    const char* name_;
    const char* unit_;
    std::vector<double> values_;
};
