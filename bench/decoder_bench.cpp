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
// being "group.name;{value}" with scalars, small and large arrays, hex values, strings and the odd indexed name.
const std::vector<std::string>& Answers() {
  static const std::vector<std::string> answers = [] {
    std::mt19937 random(1234);
    const char* groups[] = {"cal_t8x_lut", "fix_a", "dyn_b", "rf_cfg", "grp", "lte_band_tbl"};
    const char* words[] = {"tx", "gain", "rx", "pwr", "offset", "lut", "temp", "comp", "freq", "max", "min", "ch"};
    std::vector<std::string> result;
    for (int a = 0; a < 8; ++a) {
      std::string answer;
      for (int r = 0; r < 1000; ++r) {
        std::string text = std::string(groups[random() % 6]) + "." + words[random() % 12];
        for (unsigned w = random() % 3; w-- > 0;) text += std::string("_") + words[random() % 12];
        const unsigned shape = random() % 10;
        if (shape < 4) {
          text += ";{" + std::to_string(int(random() % 2000) - 1000) + "}";
        } else if (shape < 8) {
          text += "[0];{";
          for (unsigned i = 0, n = 2 + random() % (shape == 7 ? 64 : 12); i < n; ++i)
            text += (i ? "," : "") + std::to_string(random() % 256);
          text += "}";
        } else if (shape == 8) {
          text += ";{0x" + std::to_string(random() % 10000) + "}";
        } else {
          text += ";{\"" + std::string(words[random() % 12]) + "_v" + std::to_string(random() % 100) + "\"}";
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
  state.counters["pieces"] = benchmark::Counter(double(state.iterations()) * 1000 * answers.size(),
                                                benchmark::Counter::kIsRate);
}

BENCHMARK(DecodeAnswers<vtq::DecodeValue>)->Name("DecodeAnswer/tables");
BENCHMARK(DecodeAnswers<vtq::DecodeValueByTreeWalk>)->Name("DecodeAnswer/tree_walk");

}  // namespace
