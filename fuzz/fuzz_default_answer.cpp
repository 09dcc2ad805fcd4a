// Any input as the target's default-value dump answer, as a C text searched
// for array definitions from several starting points, and as the answer of
// the variant identifier query. The scanners must stay inside the text and
// keep their promises about what they return.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "defaults/default_dump.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsIdentifier(const std::string& text) {
    for (char c : text)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's size, so ASan sees any read past its end.
    const std::string input(reinterpret_cast<const char*>(data), size);

    vtq::DefaultGroupData record;
    if (vtq::ParseDefaultAnswer(input, record) == vtq::DefaultDumpFailure::None) {
        Check(record.DataText.find('\r') == std::string::npos);
        Check(record.DataText.find('}') == std::string::npos);
    }

    const std::string blanked = vtq::BlankComments(input);
    Check(blanked.size() == input.size());
    for (size_t from : {size_t(0), size / 3, size / 2, size}) {
        const vtq::CArrayFind found = vtq::FindCArray(input, from);
        if (!found.Found()) continue;
        Check(found.brace >= from && found.brace < size && input[found.brace] == '{');
    }

    const std::string variant = vtq::VariantIdFromAnswer(input);
    Check(IsIdentifier(variant));
    std::string cleaned;
    if (vtq::CleanVariantInput(input, cleaned)) Check(IsIdentifier(cleaned) && !cleaned.empty());
    const std::string identifier = vtq::MakeCIdentifier(input);
    Check(IsIdentifier(identifier) && !(identifier.size() && identifier[0] >= '0' && identifier[0] <= '9'));
    return 0;
}
