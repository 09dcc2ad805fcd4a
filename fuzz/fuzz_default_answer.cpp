// Any input as the target's default-value dump answer, as a C text searched for arrays from several starting
// points, and as the variant query's answer: the scanners stay inside the text and keep their promises.

#include <algorithm>

#include "defaults/default_dump.h"
#include "fuzz_checks.h"

using fuzzcheck::Check;

namespace {

bool IsIdentifier(const std::string& text) { return std::all_of(text.begin(), text.end(), vtq::IsCIdentChar); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's size, so ASan sees any read past its end.
    const std::string input(reinterpret_cast<const char*>(data), size);

    vtq::DefaultGroupData record;
    if (vtq::ParseDefaultAnswer(input, record) == vtq::DefaultDumpFailure::None)
        Check(record.DataText.find_first_of("\r}") == std::string::npos, "the values hold a CR or a '}'");

    const std::string blanked = vtq::BlankComments(input);
    Check(blanked.size() == input.size(), "blanking the comments changed the size");
    for (size_t from : {size_t(0), size / 3, size / 2, size}) {
        const vtq::CArrayFind found = vtq::FindCArray(input, from);
        if (!found.Found()) continue;
        Check(found.brace >= from && found.brace < size && input[found.brace] == '{', "a brace not found where told");
    }

    const std::string variant = vtq::VariantIdFromAnswer(input);
    Check(IsIdentifier(variant), "a variant identifier that is none", variant);
    std::string cleaned;
    if (vtq::CleanVariantInput(input, cleaned))
        Check(IsIdentifier(cleaned) && !cleaned.empty(), "a cleaned variant that is no identifier", cleaned);
    const std::string identifier = vtq::MakeCIdentifier(input);
    Check(IsIdentifier(identifier) && !(identifier.size() && identifier[0] >= '0' && identifier[0] <= '9'),
          "a C identifier that is none", identifier);
    return 0;
}
