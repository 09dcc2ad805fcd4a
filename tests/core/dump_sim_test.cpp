// Group dumps of the simulated modem's images, read the way the read operation reads them: every parameter
// arrives with its name, shape and whole value. Arrays are named by their first index or by a dimension suffix;
// arrays beyond the dump's cut of 1000 elements come whole through the size and value queries.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "channel/command_exchange.h"
#include "core/dump_parser.h"
#include "model/group_items.h"
#include "model/value_types.h"
#include "sim/generator.h"
#include "support/host_model_link.h"
#include "support/sim_host.h"

namespace vtq {
namespace {

struct Source {
    const char* what;
    std::string text;  // a generated image, or empty for the file `what` under sim/images
    nvmsim::Naming naming;
};
void PrintTo(const Source& source, std::ostream* os) {
    *os << source.what << (source.naming == nvmsim::Naming::Indexed ? " indexed" : " suffixed");
}

class DumpFromSimulatedModem : public ::testing::TestWithParam<Source> {};

TEST_P(DumpFromSimulatedModem, EveryParameterArrivesWithItsShapeAndValue) {
    std::string error;
    auto image = GetParam().text.empty()
                     ? nvmsim::Image::Load(std::string(VTQ_SOURCE_DIR "/sim/images/") + GetParam().what, error)
                     : nvmsim::Image::Parse(GetParam().text, error);
    ASSERT_TRUE(image) << error;
    image->naming = GetParam().naming;
    test::SimHost host(image);
    test::HostModelLink link(host);
    GroupItems items(&link);
    const auto& groups = host.modem().image().groups;
    {
        UpdateBracket bracket(items);
        for (const auto& group : groups) {
            GroupItem* entry = nullptr;
            items.FindOrAddGroup(group.name, &entry);
            entry->checked = true;
            std::string answer;
            ASSERT_TRUE(Exchange(host, "at@nvm:dump_csv_add(\"" + group.name + "\")\r", answer)) << group.name;
            ParseDumpAnswer(items, answer, items.GroupIndex(group.name));
        }
        items.RemoveExtraLutFill(true);
    }
    for (const auto& line : host.lines) EXPECT_NE(line.flag, 0) << line.text;

    size_t expected = 0;
    for (const auto& group : groups) {
        const GroupItem* entry = items.FindGroup(group.name);
        ASSERT_NE(entry, nullptr);
        for (const auto& param : group.params) {
            if (param.name.find("fill_") != std::string::npos) continue;
            ++expected;
            // Tables of two dimensions keep their range in the name.
            const std::string plain = group.name + "." + param.name;
            std::string name = plain;
            if (GetParam().naming == nvmsim::Naming::Indexed && param.IsArray() && param.dims.size() == 2)
                name += "[0," + std::to_string(param.dims[0] - 1) + "][0," + std::to_string(param.dims[1] - 1) + "]";
            const NVMParameter* p = entry->params.Find(name);
            ASSERT_NE(p, nullptr) << name;
            std::string value = host.modem().ValueOf(plain);
            EXPECT_EQ(std::max(p->elementCount, 0), param.IsArray() ? static_cast<int>(param.Count()) : 0) << p->name;
            if (param.IsArray()) value = value.substr(1, value.size() - 2);
            // Strings arrive whole, inner blanks included, so they write back unchanged.
            EXPECT_EQ(p->value, value) << p->name;
        }
    }
    EXPECT_EQ(static_cast<size_t>(items.ViewCount()), expected);
}

INSTANTIATE_TEST_SUITE_P(Images, DumpFromSimulatedModem,
                         ::testing::Values(Source{"default.img", "", nvmsim::Naming::Indexed},
                                           Source{"default.img", "", nvmsim::Naming::Suffixed},
                                           Source{"rf_t71.img", "", nvmsim::Naming::Indexed},
                                           Source{"generated", nvmsim::GenerateScaleImage(12, 40, 99),
                                                  nvmsim::Naming::Suffixed}));

}  // namespace
}  // namespace vtq
