// Group dumps of the simulated modem's default image, read the way the read
// operation reads them.

#include <gtest/gtest.h>

#include <string>

#include "channel/command_exchange.h"
#include "core/dump_parser.h"
#include "model/group_items.h"
#include "model/value_types.h"
#include "support/sim_host.h"
#include "support/host_model_link.h"

namespace vtq {
namespace {

// The default image as the target dumps it: arrays named by their first index,
// or by a dimension suffix (grp.tab_16, grp.gain_2x3).
class DumpFromSimulatedModem : public ::testing::TestWithParam<nvmsim::Naming> {};

TEST_P(DumpFromSimulatedModem, EveryParameterOfTheDefaultImageArrivesWithItsShape) {
    std::string error;
    auto image = nvmsim::Image::Load(nvmsim::Modem::DefaultImagePath(), error);
    ASSERT_TRUE(image) << error;
    image->naming = GetParam();
    test::SimHost host(image);
    test::HostModelLink link(host);
    GroupItems items(&link);
    const auto& groups = host.modem().image().groups;
    ASSERT_FALSE(groups.empty());
    int added = 0;
    {
        UpdateBracket bracket(items);
        for (const auto& group : groups) {
            GroupItem* entry = nullptr;
            items.FindOrAddGroup(group.name, &entry);
            entry->checked = true;
            std::string answer;
            ASSERT_TRUE(Exchange(host, "at@nvm:dump_csv_add(\"" + group.name + "\")\r", answer)) << group.name;
            added += ParseDumpAnswer(items, answer, items.GroupIndex(group.name));
        }
        items.RemoveExtraLutFill(true);
    }
    for (const auto& line : host.lines) EXPECT_NE(line.flag, 0) << line.text;
    EXPECT_GT(added, 0);

    size_t expected = 0;
    for (const auto& group : groups) {
        const GroupItem* entry = items.FindGroup(group.name);
        ASSERT_NE(entry, nullptr);
        for (const auto& param : group.params) {
            if (param.name.find("fill_") != std::string::npos) continue;
            ++expected;
            // Tables of two dimensions keep their range in the name.
            std::string name = group.name + "." + param.name;
            if (GetParam() == nvmsim::Naming::Indexed && param.IsArray() && param.dims.size() == 2)
                name += "[0," + std::to_string(param.dims[0] - 1) + "][0," + std::to_string(param.dims[1] - 1) + "]";
            const NVMParameter* p = entry->params.Find(name);
            ASSERT_NE(p, nullptr) << name;
            if (param.IsArray()) {
                EXPECT_EQ(p->elementCount, static_cast<int>(param.Count())) << p->name;
                EXPECT_EQ(ElementCount(p->value), static_cast<int>(param.Count())) << p->name;
            } else {
                EXPECT_LT(p->elementCount, 1) << p->name;
            }
            if (param.IsString()) {
                // Strings arrive whole, inner blanks included, so they write back unchanged.
                EXPECT_EQ(p->value, host.modem().ValueOf(name)) << p->name;
            } else {
                EXPECT_EQ(p->value.find_first_of(" \t\r\n"), std::string::npos) << p->name;
            }
        }
    }
    EXPECT_EQ(static_cast<size_t>(items.ViewCount()), expected);
}

INSTANTIATE_TEST_SUITE_P(Naming, DumpFromSimulatedModem,
                         ::testing::Values(nvmsim::Naming::Indexed, nvmsim::Naming::Suffixed));

}  // namespace
}  // namespace vtq
