#pragma once
// Blocks of an array table as text: copying a selection as tab-separated
// rows, pasting a block copied from a spreadsheet or a text editor, and the
// whole table printed (aligned or comma-separated) and read back from such a
// file. Pasting and reading go through the same rules as the block
// operations: values clamped to the type's range, each element's radix kept.

#include <string>
#include <string_view>
#include <vector>

#include "core/array_block.h"

namespace vtq {

// The cells of a pasted text, row by row. Rows end in CR LF or LF (a last line
// feed ends the last row, no empty row follows). Cells are separated by tabs
// when the text holds a tab outside quotes, else by semicolons when it holds
// one, else by commas. A cell in double quotes may hold separators and line
// ends; a doubled quote inside stands for one. Cells are trimmed.
std::vector<std::vector<std::string>> ParseBlockText(std::string_view text);

// The selection's texts: cells separated by tabs, each row ended by a line feed.
std::string CopyBlock(const ArrayTable& table, const CellBlock& block);

// The pasted text into the table from the cell (table, row, column) on, one
// cell per element. Refused, with a message naming both shapes, when the block
// does not fit from there; refused, naming the cell, when a cell holds no number.
BlockResult PasteBlock(const ArrayTable& table, int tableIndex, int row, int column, std::string_view text);

// Every table of the array, one line per row: cells right-aligned in columns
// of a common width and separated by two blanks, or (`csv`) separated by
// commas. Tables after the first are preceded by an empty line (not in CSV,
// where the rows of the tables simply follow each other).
std::string TableText(const ArrayTable& table, bool csv);

// A whole table read from the comma-separated text TableText writes (a short
// last row as it prints it): refused, with both shapes, unless the text has
// exactly the table's rows and each row its cells; `source` names the text in
// messages (a file name).
BlockResult ReadTableText(const ArrayTable& table, std::string_view text, std::string_view source);

}  // namespace vtq
