#include "model/array_value.h"

#include <algorithm>
#include <climits>

#include "base/number_text.h"
#include "base/text.h"
#include "model/value_types.h"

namespace vtq {

namespace {

// Room reserved for the element list before filling it.
constexpr size_t kMostReserved = 1000000;

}  // namespace

void SplitElements(std::string_view value, std::vector<std::string>& out) {
    out.clear();
    out.reserve(std::min<size_t>(std::count(value.begin(), value.end(), ',') + 1, kMostReserved));
    size_t start = 0;
    for (;;) {
        const size_t comma = value.find(',', start);
        const std::string_view piece =
            TrimView(value.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) {
            if (!piece.empty()) out.emplace_back(piece);
            return;
        }
        out.emplace_back(piece);
        start = comma + 1;
    }
}

std::string JoinElements(const std::vector<std::string>& elements, long long limit) {
    const size_t n = limit < 0 ? elements.size() : std::min(elements.size(), static_cast<size_t>(limit));
    size_t length = n;
    for (size_t i = 0; i < n; ++i) length += elements[i].size();
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < n; ++i) {
        if (i) out += ',';
        out += elements[i];
    }
    return out;
}

int64_t ReadElementNumber(std::string_view element) {
    // Decimal with a sign, or "0x" hexadecimal without one; anything else, or beyond 2^63 - 1, reads as 0.
    NumberText read;
    if (!IsWholeNumber(TrimView(element), read, {.sign = true, .hex = true}) || read.magnitude > uint64_t(INT64_MAX) ||
        (read.signGiven && read.base == 16))
        return 0;
    return read.Clamped(-INT64_MAX, INT64_MAX);
}

std::string ArrayToString(std::string_view value) {
    std::string out;
    size_t start = 0;
    while (start <= value.size()) {
        const size_t comma = value.find(',', start);
        const size_t end = comma == std::string_view::npos ? value.size() : comma;
        const int64_t code = ReadElementNumber(value.substr(start, end - start));
        if (code == 0) break;
        out += code == 9 || (code >= 32 && code <= 255) ? static_cast<char>(code) : '_';
        start = end + 1;
    }
    return out;
}

std::string StringToArray(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 4 + 1);
    for (char c : text) {
        out += std::to_string(static_cast<unsigned char>(c));
        out += ',';
    }
    out += '0';
    return out;
}

std::vector<int64_t> StrideList(const std::vector<int>& dimensions) {
    std::vector<int64_t> strides(dimensions.size());
    int64_t stride = 1;
    for (size_t j = dimensions.size(); j-- > 0;) {
        strides[j] = stride;
        const int64_t length = std::max(dimensions[j], 1);
        stride = stride > INT64_MAX / length ? INT64_MAX : stride * length;
    }
    return strides;
}

std::string ElementLabel(size_t index, const std::vector<int64_t>& strides) {
    if (strides.empty()) return "[" + std::to_string(index) + "]";
    std::string label;
    auto rest = static_cast<uint64_t>(index);
    for (int64_t stride : strides) {
        const uint64_t digit = rest / static_cast<uint64_t>(stride);
        rest -= digit * static_cast<uint64_t>(stride);
        label += '[';
        label += std::to_string(digit);
        label += ']';
    }
    return label;
}

std::string DimensionText(const std::vector<int>& dimensions) {
    std::string text;
    for (int length : dimensions) text += "[" + std::to_string(length) + "]";
    return text;
}

std::string ArrayTypeLabel(std::string_view typeText, const std::vector<int>& dimensions) {
    if (typeText.empty()) return "(unknown type)";
    return ToLower(typeText) + " " + DimensionText(dimensions);
}

bool HasStringView(std::string_view typeText) {
    const std::string type = ToLower(typeText);
    return type.find("int8") != std::string::npos || type.find("string") != std::string::npos;
}

std::string ArrayCaption(size_t count) {
    return "Edit as array (" + std::to_string(count) + (count == 1 ? " item)" : " items)");
}

std::string ElementName(std::string_view name, size_t index) {
    return std::string(name) + "[" + std::to_string(index) + "]";
}

FittedValue FitElementCount(std::string_view text, int elementCount) {
    FittedValue fitted{Trim(text), {}};
    if (fitted.value.empty()) fitted.value = "0";
    const int count = ElementCount(fitted.value);
    if (elementCount <= 0 || count == elementCount) return fitted;

    // The pieces ElementCount counted: one trailing and one leading comma do not separate elements.
    std::string_view body = fitted.value;
    if (body.back() == ',') body.remove_suffix(1);
    if (!body.empty() && body.front() == ',') body.remove_prefix(1);
    std::vector<std::string> elements;
    for (size_t start = 0; !body.empty();) {
        const size_t comma = body.find(',', start);
        elements.emplace_back(TrimView(body.substr(start, comma == std::string_view::npos ? comma : comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    elements.resize(static_cast<size_t>(elementCount), "0");
    for (std::string& element : elements) {
        if (element.empty()) element = "0";
    }
    fitted.value = JoinElements(elements);
    const std::string size = std::to_string(elementCount);
    fitted.message =
        count < elementCount
            ? "The specified array has been appended with zeros, to match its size of " + size + " elements."
            : "The specified array has been truncated to match its size of " + size + " elements.";
    return fitted;
}

}  // namespace vtq
