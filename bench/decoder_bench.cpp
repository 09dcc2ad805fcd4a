// Decoding whole dump answers: the table-driven decoder beside the bit-by-bit tree walk, in the same run.
// Figures are bytes of decoded text per second.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "channel/piece_decoder.h"
#include "support/piece_encoder.h"

namespace {

// Dump answers of 1,000 records each, as a target sends them: "%b64:..." pieces on their own lines, the text
// being "group.name;{value}". The mix follows the simulated modem's dumps (46 to 135 characters per record on
// average): scalars of a few digits and some long ones, quoted strings, arrays of up to 48 elements, and
// calibration tables of 64 to 128 values.
const std::vector<std::string>& Answers() {
    static const std::vector<std::string> answers = [] {
        std::mt19937 random(1234);
        const char* groups[] = {"fix_t8x_lut_setcal", "dyn_sms_cfg", "fix_sar_ctrl", "hyb_misc", "cal_rx_gain", "grp"};
        const char* words[] = {"tx",  "gain",   "rx",  "pwr",   "offset", "lut",     "temp", "backoff", "freq", "max",
                               "min", "weight", "pll", "retry", "mode",   "version", "tag",  "label",   "path", "iq"};
        auto number = [&](unsigned digits) {  // up to about `digits` decimal digits
            return std::to_string(random() % (digits >= 9 ? 1000000000u : 1u << (digits * 3)));
        };
        std::vector<std::string> result;
        for (int a = 0; a < 8; ++a) {
            std::string answer;
            for (int r = 0; r < 1000; ++r) {
                std::string text = std::string(groups[random() % 6]) + "." + words[random() % 20];
                for (unsigned w = random() % 3; w-- > 0;) text += std::string("_") + words[random() % 20];
                const unsigned shape = random() % 20;
                if (shape < 9) {
                    text +=
                        ";{" + std::string(random() % 4 ? "" : "-") + number(shape < 7 ? 1 + random() % 5 : 9) + "}";
                } else if (shape < 11) {
                    text += ";{\"" + std::string(words[random() % 20]) + "-" + number(3) + "\"}";
                } else {
                    const unsigned count = shape < 18 ? 2 + random() % 47 : 64 + random() % 65;
                    const unsigned digits = 1 + random() % 5;
                    text += "[0];{";
                    for (unsigned i = 0; i < count; ++i) text += (i ? "," : "") + number(1 + random() % digits);
                    text += "}";
                }
                answer += vtq::test::EncodePiece(text) + "\r\n";
            }
            result.push_back(answer);
        }
        return result;
    }();
    return answers;
}

template <std::string (*Decode)(std::string_view)>
void DecodeAnswers(benchmark::State& state) {
    const std::vector<std::string>& answers = Answers();
    vtq::BuildDecoder(nullptr);
    int64_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& answer : answers) {
            size_t position = 0;
            for (std::string_view piece; !(piece = vtq::NextPiece(answer, position)).empty();) {
                const std::string text = Decode(piece);
                benchmark::DoNotOptimize(text.data());
                bytes += int64_t(text.size());
            }
        }
    }
    state.SetBytesProcessed(bytes);
    const double pieces = double(state.iterations()) * 1000 * double(answers.size());
    state.counters["pieces"] = benchmark::Counter(pieces, benchmark::Counter::kIsRate);
    state.counters["text_per_piece"] = double(bytes) / pieces;
}

BENCHMARK(DecodeAnswers<vtq::DecodeValue>)->Name("DecodeAnswer/tables");
BENCHMARK(DecodeAnswers<vtq::DecodeValueByTreeWalk>)->Name("DecodeAnswer/tree_walk");

}  // namespace
