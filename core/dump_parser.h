#pragma once
// Group dump answers: the answer of "at@nvm:dump_csv_add(...)" is a run of
// "%b64:" records; each decodes to one line name;{value} that becomes a record.

#include <string_view>

#include "model/group_items.h"

namespace vtq {

// Walks the records of a cleaned dump answer and adds each usable line to the
// group; answers the number of records added. A record that cannot be decoded
// or split loses its parameter: it is logged and counted in `skipped` (when
// given). The caller has cleared the group and holds an update bracket on `items`.
int ParseDumpAnswer(GroupItems& items, std::string_view answer, int groupIndex, int* skipped = nullptr);

// One decoded line: name ";" "{" value "}" [rest; "WARNING" in the rest asks for
// the values again]. Logs lines that cannot be split (flag 0). Answers true when
// a record was added; its state becomes Unchanged.
bool ParseDumpLine(GroupItems& items, std::string_view line, int groupIndex);

}  // namespace vtq
