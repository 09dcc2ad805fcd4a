#include "sim/generator.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

namespace nvmsim {

namespace {

// splitmix64: the same sequence on every platform, unlike the standard
// distributions.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T>
    const T& Pick(const std::vector<T>& v) {
        return v[static_cast<size_t>(Below(static_cast<int>(v.size())))];
    }

private:
    uint64_t state_;
};

struct TypeInfo {
    const char* name;
    int size;
    bool isSigned;
};

const std::vector<TypeInfo> kScalarTypes = {
    {"int8", 1, true},    {"sint8", 1, true},   {"uint8", 1, false}, {"int16", 2, true},    {"sint16", 2, true},
    {"uint16", 2, false}, {"int32", 4, true},   {"sint32", 4, true}, {"uint32", 4, false},  {"int64", 8, true},
    {"sint64", 8, true},  {"uint64", 8, false}, {"bool", 1, false},  {"boolean", 1, false},
};

const TypeInfo& Type(const char* name) {
    for (const auto& t : kScalarTypes)
        if (std::string(t.name) == name) return t;
    return kScalarTypes[2];
}

const std::vector<std::string> kWords = {
    "gain",   "offset", "thresh", "timer", "enable", "mode",   "level", "bias", "temp", "pwr",   "freq",  "band",
    "rssi",   "agc",    "dc",     "iq",    "tx",     "rx",     "lna",   "pa",   "vco",  "pll",   "retry", "max",
    "min",    "step",   "slope",  "delay", "ramp",   "mask",   "ctrl",  "cfg",  "idx",  "count", "limit", "backoff",
    "hyst",   "comp",   "corr",   "ref",   "target", "scale",  "div",   "mult", "win",  "filt",  "coef",  "det",
    "sar",    "ant",    "sw",     "path",  "chan",   "rat",    "plmn",  "cell", "meas", "drx",   "cycle", "period",
    "margin", "weight", "boost",  "clip",  "fine",   "coarse", "init"};

const std::vector<std::string> kStrings = {"default",   "EU-868", "factory",     "rev_B2",     "v1.4.2",
                                           "lab setup", "none",   "auto",        "PRODUCTION", "unit-17",
                                           "cal_ok",    "golden", "band 3/7/20", "test",       "n/a"};

struct ParamPlan {
    TypeInfo type;
    bool isString = false;
    std::string name;
    std::vector<int> dims;
    std::vector<int64_t> values;
    std::string text;

    size_t Count() const {
        size_t n = 1;
        for (int d : dims) n *= static_cast<size_t>(d);
        return n;
    }
    size_t Bytes() const { return isString ? static_cast<size_t>(dims[0]) : Count() * static_cast<size_t>(type.size); }
};

struct GroupPlan {
    std::string name;
    int number = 0;
    int version = 1;
    bool track = false;
    int defaultSize = 2;  // element size of the default array
    std::vector<ParamPlan> params;
    std::vector<std::string> bases;
    std::set<std::string> used;
};

int64_t RandomValue(Random& r, const TypeInfo& t) {
    if (t.size == 1 && !t.isSigned && std::string(t.name).find("bool") == 0) return r.Below(2);
    const int bits = t.size * 8;
    // Mostly small, sometimes up to the type's limits.
    if (r.Chance(70)) return t.isSigned ? r.Between(-100, 100) : r.Between(0, 200);
    if (bits == 64) {
        const auto v = static_cast<int64_t>(r.Next() >> 1);
        return t.isSigned && r.Chance(50) ? -v : v;
    }
    const int64_t span = int64_t{1} << bits;
    const int64_t v = static_cast<int64_t>(r.Next() % static_cast<uint64_t>(span));
    return t.isSigned ? v - span / 2 : v;
}

int64_t Clamp(const TypeInfo& t, int64_t v) {
    if (std::string(t.name).find("bool") == 0) return std::clamp<int64_t>(v, 0, 1);
    if (t.size == 8) return v;
    const int bits = t.size * 8;
    const int64_t lo = t.isSigned ? -(int64_t{1} << (bits - 1)) : 0;
    const int64_t hi = t.isSigned ? (int64_t{1} << (bits - 1)) - 1 : (int64_t{1} << bits) - 1;
    return std::clamp(v, lo, hi);
}

// Array contents: ramps (look-up tables), constant runs or noise.
std::vector<int64_t> ArrayValues(Random& r, const TypeInfo& t, size_t n) {
    std::vector<int64_t> v(n);
    const int pattern = r.Below(3);
    const int64_t start = Clamp(t, RandomValue(r, t) / 2);
    const int64_t step = r.Between(0, 7);
    for (size_t i = 0; i < n; ++i) {
        if (pattern == 0)
            v[i] = Clamp(t, start + static_cast<int64_t>(i) * step);
        else if (pattern == 1)
            v[i] = i < n / 2 ? start : Clamp(t, start + 1);
        else
            v[i] = RandomValue(r, t);
    }
    return v;
}

std::string UniqueName(Random& r, GroupPlan& g, const std::string& wanted = {}) {
    for (int attempt = 0;; ++attempt) {
        std::string name = wanted;
        if (name.empty() || attempt > 0) {
            name = r.Pick(kWords);
            if (r.Chance(60)) name += "_" + r.Pick(kWords);
            if (attempt > 3) name += "_" + std::to_string(attempt);
        }
        if (g.used.insert(name).second) return name;
    }
}

ParamPlan Scalar(Random& r, GroupPlan& g, const std::string& name = {}) {
    ParamPlan s;
    s.type = r.Pick(kScalarTypes);
    s.name = UniqueName(r, g, name);
    s.values = {RandomValue(r, s.type)};
    return s;
}

ParamPlan Array(Random& r, GroupPlan& g, std::vector<int> dims, const char* type = nullptr,
                const std::string& name = {}) {
    ParamPlan s;
    do s.type = type ? Type(type) : r.Pick(kScalarTypes);
    while (!type && s.type.size == 8 && r.Chance(70));
    s.name = UniqueName(r, g, name);
    s.dims = std::move(dims);
    s.values = ArrayValues(r, s.type, s.Count());
    return s;
}

ParamPlan String(Random& r, GroupPlan& g) {
    ParamPlan s;
    s.isString = true;
    s.type = Type("uint8");
    s.name = UniqueName(r, g, r.Pick(std::vector<std::string>{"label", "name", "tag", "id_text", "desc"}));
    s.text = r.Pick(kStrings);
    s.dims = {static_cast<int>(s.text.size()) + r.Between(1, 24)};
    return s;
}

ParamPlan Fill(GroupPlan& g, const std::string& prefix, int bytes) {
    ParamPlan s;
    s.type = Type("uint8");
    for (int k = 0;; ++k) {
        s.name = prefix + "fill_" + std::to_string(k);
        if (g.used.insert(s.name).second) break;
    }
    s.dims = {bytes};
    s.values.assign(static_cast<size_t>(bytes), 0);
    return s;
}

// Records "chan[0].gain", "chan[0].ramp[4]", "chan[0].fill_0", ... for each record.
void Records(Random& r, GroupPlan& g, int records) {
    const std::string base =
        UniqueName(r, g, r.Pick(std::vector<std::string>{"chan", "path", "band_cfg", "entry", "port"}));
    struct Member {
        TypeInfo type;
        std::string name;
        int length;  // 0 = scalar
    };
    std::vector<Member> members;
    std::set<std::string> names;
    const int count = r.Between(2, 3);
    while (static_cast<int>(members.size()) < count) {
        Member m{r.Pick(kScalarTypes), r.Pick(kWords), 0};
        if (m.type.size == 8) continue;
        if (!names.insert(m.name).second) continue;
        if (members.empty() && r.Chance(50)) m.length = r.Between(2, 8);
        members.push_back(m);
    }
    const bool padded = r.Chance(40);
    for (int i = 0; i < records; ++i) {
        const std::string prefix = base + "[" + std::to_string(i) + "].";
        for (const auto& m : members) {
            ParamPlan s;
            s.type = m.type;
            s.name = prefix + m.name;
            g.used.insert(s.name);
            if (m.length) {
                s.dims = {m.length};
                s.values = ArrayValues(r, s.type, static_cast<size_t>(m.length));
            } else {
                s.values = {RandomValue(r, s.type)};
            }
            g.params.push_back(std::move(s));
        }
        if (padded) g.params.push_back(Fill(g, prefix, 1));
    }
    if (r.Chance(60)) g.bases.push_back(base);
}

// A parameter of a random kind: mostly scalars, then arrays, records,
// tables, strings and filler.
void RandomParam(Random& r, GroupPlan& g, int maxArray) {
    const int kind = r.Below(100);
    if (kind < 52) {
        g.params.push_back(Scalar(r, g));
    } else if (kind < 54) {
        // Names like mode_1 look dimension-suffixed but are scalars.
        g.params.push_back(Scalar(r, g, r.Pick(kWords) + "_" + std::to_string(r.Between(1, 3))));
    } else if (kind < 76) {
        g.params.push_back(Array(r, g, {r.Chance(10) ? 1 : r.Between(2, std::min(64, maxArray))}));
    } else if (kind < 80) {
        g.params.push_back(Array(r, g, {r.Between(2, 8), r.Between(2, 16)}));
    } else if (kind < 85) {
        g.params.push_back(String(r, g));
    } else if (kind < 90) {
        g.params.push_back(Fill(g, "", r.Between(1, 3)));
    } else if (kind < 93 && maxArray > 800) {
        g.params.push_back(Array(r, g, {r.Between(801, maxArray)}, r.Chance(50) ? "uint16" : "int16"));
    } else {
        Records(r, g, r.Between(2, 4));
    }
}

void AppendLE(std::vector<uint8_t>& bytes, int64_t v, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
}

std::vector<uint8_t> Mirror(const GroupPlan& g, std::vector<size_t>* starts = nullptr) {
    std::vector<uint8_t> bytes;
    for (const auto& s : g.params) {
        if (starts) starts->push_back(bytes.size());
        if (s.isString) {
            bytes.insert(bytes.end(), s.text.begin(), s.text.end());
            bytes.resize(bytes.size() + static_cast<size_t>(s.dims[0]) - s.text.size(), 0);
        } else {
            for (int64_t v : s.values) AppendLE(bytes, v, s.type.size);
        }
    }
    return bytes;
}

std::string ValueList(const std::vector<int64_t>& values) {
    std::string out;
    int inLine = 0;
    for (size_t i = 0; i < values.size();) {
        size_t run = 1;
        while (i + run < values.size() && values[i + run] == values[i]) ++run;
        if (i) out += inLine % 16 == 0 ? ",\n      " : ", ";
        out += run >= 4 ? std::to_string(run) + "*" + std::to_string(values[i]) : std::to_string(values[i]);
        if (run < 4) run = 1;
        i += run;
        ++inLine;
    }
    return out;
}

std::string Declared(const ParamPlan& s) {
    std::string out = s.name;
    for (int d : s.dims) out += "[" + std::to_string(d) + "]";
    return out;
}

std::string GroupText(Random& r, GroupPlan& g) {
    // The defaults are one array of g.defaultSize elements over the mirror.
    const size_t size = Mirror(g).size();
    const size_t rest = size % static_cast<size_t>(g.defaultSize);
    if (rest) g.params.push_back(Fill(g, "", static_cast<int>(g.defaultSize - rest)));
    std::vector<size_t> starts;
    const std::vector<uint8_t> mirror = Mirror(g, &starts);
    std::vector<uint8_t> defaults = mirror;
    if (g.track) {
        // The image's values of a few parameters differ from their defaults.
        const int changes = r.Between(1, 3);
        for (int k = 0; k < changes; ++k) {
            const size_t i = static_cast<size_t>(r.Below(static_cast<int>(g.params.size())));
            if (g.params[i].isString || g.params[i].name.find("fill_") != std::string::npos) continue;
            defaults[starts[i]] ^= 1;
        }
    }

    std::string out = "group " + g.name + " " + std::to_string(g.number) + " version=" + std::to_string(g.version) +
                      (g.track ? " track=yes" : "") + "\n";
    for (const auto& s : g.params) {
        out += "  " + std::string(s.isString ? "string" : s.type.name) + " " + Declared(s) + " = ";
        out += s.isString ? "\"" + s.text + "\"" : ValueList(s.values);
        out += "\n";
    }
    for (const auto& b : g.bases) out += "  base " + b + "\n";

    const char* elementType = g.defaultSize == 1 ? "U8" : g.defaultSize == 2 ? "U16" : "U32";
    out += "  default " + std::string(elementType) + " " + g.name + "_default\n";
    out += "    /* " + std::to_string(mirror.size()) + " bytes */\n";
    const size_t elements = defaults.size() / static_cast<size_t>(g.defaultSize);
    size_t param = 0;
    for (size_t e = 0; e < elements;) {
        std::string line = "    ";
        std::string comment;
        for (int k = 0; k < 8 && e < elements; ++k, ++e) {
            uint64_t v = 0;
            for (int b = g.defaultSize - 1; b >= 0; --b) v = (v << 8) | defaults[e * g.defaultSize + b];
            char text[24];
            if (g.defaultSize == 1)
                std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(v));
            else
                std::snprintf(text, sizeof text, "0x%0*llX", g.defaultSize * 2, static_cast<unsigned long long>(v));
            line += text;
            if (e + 1 < elements) line += ", ";
            const size_t endByte = (e + 1) * static_cast<size_t>(g.defaultSize);
            while (param < starts.size() && starts[param] < endByte) {
                if (g.params[param].name.find("fill_") == std::string::npos)
                    comment += (comment.empty() ? "" : ", ") + g.params[param].name;
                ++param;
            }
        }
        if (!comment.empty()) line += (r.Chance(20) ? " /* " + comment + " */" : " // " + comment);
        while (line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    out += "  end\nend\n\n";
    return out;
}

std::string Header(const char* what, bool suffixed, const char* engineId, int travuId) {
    std::string out =
        std::string("# ") + what + "\n# Made by \"nvmsim --generate...\"; see docs/sim_image_format.md.\n";
    out += std::string("naming ") + (suffixed ? "suffixed" : "indexed") + "\n";
    out += "identity manufacturer Simulated Modems\n";
    out += "identity model NVM-SIM 8x\n";
    out += "identity revision 8.4.1-sim\n";
    out += "identity serial 356938035643809\n";
    out += std::string("hwid RF_ENGINE_ID ") + engineId + "\n";
    out += "hwid TRAVU_ID " + std::to_string(travuId) + "\n\n";
    return out;
}

GroupPlan NewGroup(Random& r, const std::string& name, int number) {
    GroupPlan g;
    g.name = name;
    g.number = number;
    g.version = r.Between(1, 9);
    g.track = name.rfind("cal_", 0) == 0 || name.rfind("fix_", 0) == 0 || r.Chance(30);
    g.defaultSize = r.Chance(50) ? 2 : r.Chance(50) ? 1 : 4;
    return g;
}

// An RF look-up-table group: big tables, a 2-D table, per-path records.
void RfGroup(Random& r, GroupPlan& g, int big, bool aux) {
    g.defaultSize = 2;
    g.track = true;
    g.params.push_back(Scalar(r, g, "version_tag"));
    g.params.push_back(Scalar(r, g, "lut_mode_1"));
    g.params.push_back(Array(r, g, {big}, "uint16", "gain_lut"));
    if (!aux) g.params.push_back(Array(r, g, {big + 176}, "int16", "phase_lut"));
    g.params.push_back(Array(r, g, {16, 32}, "uint16", "pwr_tab"));
    g.params.push_back(Array(r, g, {64}, "int16", "temp_comp"));
    g.params.push_back(Array(r, g, {1}, "uint16", "band_count"));
    Records(r, g, 4);
    for (int i = 0; i < 6; ++i) RandomParam(r, g, 64);
}

// A 7 x 7 gain table with a smooth surface: a calibration table to see and
// shape as a table and a plot.
ParamPlan GainTable(GroupPlan& g) {
    ParamPlan s;
    s.type = Type("sint16");
    s.name = "gain_tab";
    g.used.insert(s.name);
    s.dims = {7, 7};
    for (int row = 0; row < 7; ++row)
        for (int column = 0; column < 7; ++column) s.values.push_back(40 + 12 * row - 4 * column + row * column);
    return s;
}

}  // namespace

std::string GenerateScaleImage(int groups, int paramsPerGroup, uint32_t seed) {
    Random r(seed);
    std::string out = Header("A scale image", false, "CUST_1_0", 5);
    const char* prefixes[] = {"fix_", "cal_", "dyn_", "hyb_"};
    for (int i = 0; i < groups; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%sgroup_%04d", prefixes[i % 4], i);
        GroupPlan g = NewGroup(r, name, i + 1);
        while (static_cast<int>(g.params.size()) < paramsPerGroup) RandomParam(r, g, 1200);
        out += GroupText(r, g);
    }
    return out;
}

std::string GenerateDefaultImage(bool suffixed) {
    Random r(20240611);
    const std::vector<std::string> names = {"fix_t8x_lut",    "fix_t8x_lut_setcal", "fix_radio_cfg",
                                            "fix_band_sel",   "fix_ant_tuner",      "fix_pa_ctrl",
                                            "fix_lna_ctrl",   "fix_gps_cfg",        "fix_sim_cfg",
                                            "fix_usb_cfg",    "fix_audio_cfg",      "fix_thermal",
                                            "fix_power_mgmt", "fix_rfic_init",      "fix_clock_cfg",
                                            "fix_sar_ctrl",   "cal_t8x_lut",        "cal_rx_gain",
                                            "cal_tx_power",   "cal_xo_freq",        "cal_temp_sensor",
                                            "cal_adc",        "cal_dc_offset",      "cal_iq_imbalance",
                                            "cal_pa_bias",    "cal_et_delay",       "cal_gps_rx",
                                            "cal_audio_eq",   "cal_batt_adc",       "cal_ant_detect",
                                            "cal_lna_gain",   "cal_det_pwr",        "dyn_cell_info",
                                            "dyn_nw_sel",     "dyn_plmn_list",      "dyn_band_pref",
                                            "dyn_ims_cfg",    "dyn_data_prof",      "dyn_sms_cfg",
                                            "dyn_rrc_cfg",    "dyn_meas_cfg",       "dyn_pwr_save",
                                            "dyn_fota_state", "dyn_usage_stats",    "dyn_apn_table",
                                            "dyn_emergency",  "dyn_test_mode",      "dyn_log_cfg",
                                            "hyb_cust",       "hyb_stackinfo",      "hyb_feature_flags",
                                            "hyb_ue_caps",    "hyb_l1_params",      "hyb_l2_params",
                                            "hyb_nas_params", "hyb_rf_switch",      "hyb_diag_cfg",
                                            "hyb_sec_cfg",    "hyb_boot_cfg",       "hyb_misc",
                                            "hyb_prod_info",  "hyb_coex_cfg",       "hyb_volte_cfg",
                                            "hyb_lpm_cfg"};
    std::string out = Header("The default target image", suffixed, "CUST_22_7", 5);
    int number = 3;
    for (const auto& name : names) {
        GroupPlan g = NewGroup(r, name, number);
        number += r.Between(1, 3);
        if (name == "cal_t8x_lut")
            RfGroup(r, g, 1024, false);
        else if (name == "fix_t8x_lut")
            RfGroup(r, g, 900, false);
        else if (name == "fix_t8x_lut_setcal")
            RfGroup(r, g, 128, false);
        const int wanted = r.Between(22, 46);
        while (static_cast<int>(g.params.size()) < wanted) RandomParam(r, g, name.rfind("cal_", 0) == 0 ? 1100 : 200);
        if (name != "cal_rx_gain") {
            out += GroupText(r, g);
            continue;
        }
        // The gain table joins after the group's draws, and the draws go on as
        // without it, so every other group stays as it was.
        Random before = r;
        GroupPlan plain = g;
        GroupText(r, plain);
        g.params.push_back(GainTable(g));
        out += GroupText(before, g);
    }
    return out;
}

std::string GenerateRfT71Image() {
    Random r(71);
    std::string out = Header("A target with the six-group RF set", false, "CUST_31_2", 6);
    const std::vector<std::string> names = {"cal_t71_lut",     "cal_t71_lut_aux",    "fix_t71_lut",
                                            "fix_t71_lut_aux", "fix_t71_lut_setcal", "fix_t71_lut_setcal_aux",
                                            "fix_radio_cfg",   "cal_xo_freq",        "dyn_cell_info",
                                            "dyn_nw_sel",      "hyb_cust",           "hyb_stackinfo"};
    int number = 1;
    for (const auto& name : names) {
        GroupPlan g = NewGroup(r, name, number++);
        if (name.find("_t71_") != std::string::npos)
            RfGroup(r, g, name.find("setcal") != std::string::npos ? 96 : 880, name.find("_aux") != std::string::npos);
        while (g.params.size() < 20) RandomParam(r, g, 200);
        out += GroupText(r, g);
    }
    return out;
}

}  // namespace nvmsim
