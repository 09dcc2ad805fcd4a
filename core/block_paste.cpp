#include "core/block_paste.h"

#include <algorithm>

#include "base/text.h"
#include "core/element_number.h"

namespace vtq {

namespace {

// Tab when the text holds one outside quotes, else semicolon, else comma.
char SeparatorOf(std::string_view text) {
    bool quoted = false, semicolon = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\t') return '\t';
        semicolon = semicolon || c == ';';
    }
    return semicolon ? ';' : ',';
}

std::string At(int row, int column) { return "[" + std::to_string(row) + "][" + std::to_string(column) + "]"; }

// The cells' values into the table from (tableIndex, row, column) on; the
// caller has checked that every cell exists. `where` names the text in messages.
BlockResult Fill(const ArrayTable& table, const TableShape& shape, int tableIndex, int row, int column,
                 const std::vector<std::vector<std::string>>& cells, const std::string& where) {
    ChangeList list(table, cells.size() * (cells.empty() ? 0 : cells[0].size()));
    for (size_t r = 0; r < cells.size(); ++r) {
        for (size_t c = 0; c < cells[r].size(); ++c) {
            const std::optional<long double> value = ReadArgument(cells[r][c], table.type, false);
            if (!value)
                return Refused(where + ", row " + std::to_string(r + 1) + ", column " + std::to_string(c + 1) + ": \"" +
                               cells[r][c] + "\" is not a number.");
            size_t index = 0;
            shape.Index(tableIndex, row + static_cast<int>(r), column + static_cast<int>(c), index);
            list.Put(index, *value);
        }
    }
    return list.Finish();
}

}  // namespace

std::vector<std::vector<std::string>> ParseBlockText(std::string_view text) {
    const char separator = SeparatorOf(text);
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string cell;
    bool quoted = false, open = false;  // `open`: the current row has begun
    const auto endCell = [&] {
        row.emplace_back(TrimView(cell));
        cell.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                cell += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        open = true;
        if (c == '"' && TrimView(cell).empty()) {
            cell.clear();
            quoted = true;
        } else if (c == separator) {
            endCell();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            endCell();
            rows.push_back(std::move(row));
            row.clear();
            open = false;
        } else {
            cell += c;
        }
    }
    if (open) {
        endCell();
        rows.push_back(std::move(row));
    }
    // Empty lines at the end are no rows of the block.
    while (!rows.empty() && rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
    return rows;
}

std::string CopyBlock(const ArrayTable& table, const CellBlock& block) {
    std::string text;
    for (int r = 0; r < block.rows; ++r) {
        bool first = true;
        for (int c = 0; c < block.columns; ++c) {
            size_t index;
            if (!table.shape.Index(block.table, block.row + r, block.column + c, index) ||
                index >= table.elements.size())
                continue;
            if (!first) text += '\t';
            text += table.elements[index];
            first = false;
        }
        text += '\n';
    }
    return text;
}

BlockResult PasteBlock(const ArrayTable& table, int tableIndex, int row, int column, std::string_view text) {
    const auto cells = ParseBlockText(text);
    if (cells.empty()) return Refused("There is nothing to paste.");
    size_t columns = 0;
    for (const auto& line : cells) columns = std::max(columns, line.size());
    for (size_t r = 0; r < cells.size(); ++r) {
        if (cells[r].size() != columns)
            return Refused("The pasted rows differ in length: row " + std::to_string(r + 1) + " holds " +
                           std::to_string(cells[r].size()) + " of " + std::to_string(columns) + " cells.");
    }
    size_t index;
    const bool fits = table.shape.count <= table.elements.size() && row >= 0 && column >= 0 &&
                      cells.size() <= static_cast<size_t>(table.shape.rows - std::min(row, table.shape.rows)) &&
                      columns <= static_cast<size_t>(table.shape.columns - std::min(column, table.shape.columns)) &&
                      table.shape.Index(tableIndex, row + static_cast<int>(cells.size()) - 1,
                                        column + static_cast<int>(columns) - 1, index);
    if (!fits)
        return Refused("The pasted block of " + ShapeText(cells.size(), columns) + " does not fit the " +
                       ShapeText(static_cast<size_t>(table.shape.rows), static_cast<size_t>(table.shape.columns)) +
                       " table at " + At(row, column) + ".");
    return Fill(table, table.shape, tableIndex, row, column, cells, "The pasted block");
}

std::string TableText(const ArrayTable& table, bool csv) {
    const TableShape& shape = table.shape;
    if (shape.columns < 1 || shape.rows < 1) return {};
    const size_t count = std::min(shape.count, table.elements.size());
    size_t width = 0;
    for (size_t i = 0; i < count && !csv; ++i) width = std::max(width, table.elements[i].size());
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        const size_t column = i % static_cast<size_t>(shape.columns);
        if (!csv && i && i % shape.CellsPerTable() == 0) text += '\n';
        if (column) text += csv ? "," : "  ";
        if (!csv) text.append(width - table.elements[i].size(), ' ');
        text += table.elements[i];
        if (column + 1 == static_cast<size_t>(shape.columns) || i + 1 == count) text += '\n';
    }
    return text;
}

namespace {

// Why the file's rows do not make the array's shape (each row as many cells as
// the array's row), or empty when they do. A rectangular file, or one with
// another number of rows, is named by its shape, a ragged one by its first
// row that differs.
std::string ShapeMismatch(const std::vector<std::vector<std::string>>& cells, size_t rows, size_t columns,
                          size_t count, const std::string& where) {
    const auto rowLength = [&](size_t r) { return std::min(columns, count - r * columns); };
    size_t bad = 0;
    while (bad < rows && bad < cells.size() && cells[bad].size() == rowLength(bad)) ++bad;
    if (bad == rows && cells.size() == rows) return {};
    size_t widest = 0;
    bool rectangular = true;
    for (const auto& line : cells) widest = std::max(widest, line.size());
    for (const auto& line : cells) rectangular = rectangular && line.size() == widest;
    const std::string shape = ShapeText(rows, columns);
    if (rectangular || cells.size() != rows)
        return where + " holds a table of " + ShapeText(cells.size(), widest) + " values; the array is " + shape + ".";
    return where + ", row " + std::to_string(bad + 1) + " holds " + std::to_string(cells[bad].size()) +
           " values; the array's row holds " + std::to_string(rowLength(bad)) + " (the array is " + shape + ").";
}

}  // namespace

BlockResult ReadTableText(const ArrayTable& table, std::string_view text, std::string_view source) {
    const TableShape& shape = table.shape;
    const size_t columns = static_cast<size_t>(std::max(shape.columns, 0));
    const size_t rows = columns ? (shape.count + columns - 1) / columns : 0;
    if (shape.count > table.elements.size()) return Refused("The array holds fewer elements than its shape.");
    const auto cells = ParseBlockText(text);
    const std::string where = "\"" + std::string(source) + "\"";
    if (std::string why = ShapeMismatch(cells, rows, columns, shape.count, where); !why.empty())
        return Refused(std::move(why));
    // The rows of every table follow each other: one table of all rows.
    TableShape whole = shape;
    whole.tables = 1;
    whole.rows = static_cast<int>(rows);
    return Fill(table, whole, 0, 0, 0, cells, where);
}

}  // namespace vtq
