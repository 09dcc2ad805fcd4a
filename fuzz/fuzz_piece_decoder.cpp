// Any input as a dump answer (split into pieces, each decoded) and as a raw bit stream: nothing may crash or read
// outside the input, and the table-driven decoder must give exactly what the bit-by-bit walk gives.

#include "channel/piece_decoder.h"
#include "fuzz_checks.h"

using fuzzcheck::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Pieces are cut from a copy of exactly the input's size, so ASan sees any read past its end.
  const std::string answer(reinterpret_cast<const char*>(data), size);
  size_t position = 0;
  for (std::string_view piece; !(piece = vtq::NextPiece(answer, position)).empty();) {
    Check(piece.data() >= answer.data() && piece.data() + piece.size() <= answer.data() + answer.size(),
          "piece outside the answer");
    Check(position == std::string_view::npos || position > size_t(piece.data() - answer.data()),
          "position did not advance");
    Check(vtq::DecodeValue(piece) == vtq::DecodeValueByTreeWalk(piece), "tables and tree walk differ on a piece");
  }

  static vtq::DecodeTree tree;
  if (!tree.Built()) tree.Build(vtq::FixedPrefixCodes(), nullptr);
  Check(tree.Decode(data, size) == tree.Walk(data, size), "tables and tree walk differ on raw bits");
  return 0;
}
