#include "core/array_plot.h"

#include <algorithm>
#include <cmath>

#include "core/array_block.h"

namespace vtq {

void ValueSpan::Take(double value) {
    if (std::isnan(value)) return;
    if (empty) {
        low = high = value;
        empty = false;
        return;
    }
    low = std::min(low, value);
    high = std::max(high, value);
}

void ValueSpan::Take(const ValueSpan& other) {
    if (other.empty) return;
    Take(other.low);
    Take(other.high);
}

std::vector<double> ElementValues(const std::vector<std::string>& elements, NVMValueType type) {
    std::vector<double> values;
    UpdateElementValues(values, elements, type, 0, elements.size());
    return values;
}

void UpdateElementValues(std::vector<double>& values, const std::vector<std::string>& elements, NVMValueType type,
                         size_t first, size_t count) {
    values.resize(elements.size());
    const size_t end = std::min(elements.size(), first + std::min(count, elements.size()));
    for (size_t i = first; i < end; ++i) values[i] = ElementValue(elements[i], type).value_or(std::nan(""));
}

ValueSpan SpanOf(std::span<const double> values) {
    ValueSpan span;
    for (const double value : values) span.Take(value);
    return span;
}

double ScalePosition(double value, const ValueSpan& span) {
    if (span.empty || !(span.high > span.low) || std::isnan(value)) return 0.5;
    return std::clamp((value - span.low) / (span.high - span.low), 0.0, 1.0);
}

std::vector<ValueSpan> PixelColumns(std::span<const double> values, int columns) {
    std::vector<ValueSpan> out(static_cast<size_t>(std::max(columns, 0)));
    const size_t n = values.size();
    for (size_t c = 0; c < out.size(); ++c) {
        const size_t begin = c * n / out.size();
        const size_t end = (c + 1) * n / out.size();
        if (begin >= end) continue;
        out[c] = SpanOf(values.subspan(begin, end - begin));
        if (begin > 0) out[c].Take(values[begin - 1]);
    }
    return out;
}

bool DiffersFromRead(std::span<const double> values, std::span<const double> read, size_t index) {
    if (read.empty()) return false;
    const bool here = index < values.size();
    const bool there = index < read.size();
    if (here != there) return true;
    return here && values[index] != read[index] && !(std::isnan(values[index]) && std::isnan(read[index]));
}

}  // namespace vtq
