#pragma once
// What the array editor's plot and colour scale draw, as numbers: each
// element read once into a number, the span of the values, a position on the
// colour scale, and a long series reduced to its lowest and highest value per
// pixel column, so a million points draw as fast as a few hundred.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "model/value_types.h"

namespace vtq {

// The lowest and highest of some values; `empty` until one was taken.
struct ValueSpan {
    double low = 0;
    double high = 0;
    bool empty = true;

    void Take(double value);
    void Take(const ValueSpan& other);
    bool operator==(const ValueSpan&) const = default;
};

// Elements as numbers, read as the block operations read them (ElementValue);
// a text that is no number gives NaN, which spans, plots and the colour scale skip.
std::vector<double> ElementValues(const std::vector<std::string>& elements, NVMValueType type);
// Reads `count` elements from `first` again into `values`, which takes the
// elements' length first (a value may change its number of elements).
void UpdateElementValues(std::vector<double>& values, const std::vector<std::string>& elements, NVMValueType type,
                         size_t first, size_t count);

ValueSpan SpanOf(std::span<const double> values);

// Where `value` sits between the span's ends: 0 at the low end, 1 at the high
// end, 0.5 for a span of one value (and for NaN); outside values are held to 0 and 1.
double ScalePosition(double value, const ValueSpan& span);

// The values spread over `columns` pixel columns: column c covers the indexes
// from c x n / columns up to (c + 1) x n / columns, each column's lowest and
// highest value. A column's span also takes the last value of the column
// before it, so the vertical strokes of neighbouring columns join into one
// line. With more columns than values some columns are empty.
std::vector<ValueSpan> PixelColumns(std::span<const double> values, int columns);

// True when element `index` differs from the value read from the target:
// both numbers differ (two texts that are no number do not), or only one of
// the two lists holds the element. With
// no value read (an empty list) nothing is known to differ.
bool DiffersFromRead(std::span<const double> values, std::span<const double> read, size_t index);

}  // namespace vtq
