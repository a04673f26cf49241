#include "SparseCellTable.h"

#include <cstdio>

void SparseCellTable::setText(int32_t row, int32_t column, const std::string &text)
{
    m_cells[{row, column}] = text;
}

void SparseCellTable::setNumber(float value, int32_t row, int32_t column)
{
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
    setText(row, column, text);
}

void SparseCellTable::write(std::ostream &out) const
{
    int32_t row = 0;
    int32_t column = 0;
    for (const auto &[key, text] : m_cells) {
        while (row < key.first) {
            out << '\n';
            ++row;
            column = 0;
        }
        for (; column < key.second; ++column)
            out << ',';
        out << text;
        row = key.first;
        column = key.second;
    }
}
