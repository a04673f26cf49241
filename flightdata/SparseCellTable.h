#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <utility>

// Text cells addressed by (row, column), written out as comma-separated text.
class SparseCellTable
{
public:
    void setText(int32_t row, int32_t column, const std::string &text);
    // The value with six digits after the decimal point.
    void setNumber(float value, int32_t row, int32_t column);
    // Rows end with a line break except the last; empty cells become empty fields.
    void write(std::ostream &out) const;

private:
    std::map<std::pair<int32_t, int32_t>, std::string> m_cells;
};
