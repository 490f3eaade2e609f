// Storage of cell value sequences.
#include "core/cell_values.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace vex::table {

CellValues::CellValues(const CellValues& other) {
    *this = other;
}

CellValues& CellValues::operator=(const CellValues& other) {
    if (this != &other) {
        clear();
        m_cells.reserve(other.size());
        for (const CellValue value : other) {
            push_back(value);
        }
    }
    return *this;
}

CellValue CellValues::operator[](std::size_t index) const {
    const Cell& cell = m_cells[index];
    switch (cell.kind) {
    case CellValue::Kind::text:
        return CellValue(
            TextView(m_blocks[cell.data.place.block].get() + cell.data.place.offset, cell.length));
    case CellValue::Kind::number:
        return CellValue(cell.data.number);
    case CellValue::Kind::empty:
        break;
    }
    return CellValue();
}

CellValue CellValues::at(std::size_t index) const {
    if (index >= m_cells.size()) {
        throw std::out_of_range("cell index beyond the end");
    }
    return (*this)[index];
}

void CellValues::push_back(const CellValue& value) {
    switch (value.kind()) {
    case CellValue::Kind::empty:
        push_back_empty();
        break;
    case CellValue::Kind::text:
        push_back_text(value.text());
        break;
    case CellValue::Kind::number:
        push_back_number(value.number());
        break;
    }
}

void CellValues::push_back_text(TextView text) {
    constexpr std::size_t limit = std::numeric_limits<std::uint32_t>::max();
    if (text.size() > limit || m_blocks.size() >= limit) {
        throw std::length_error("cell texts too long");
    }
    Cell cell;
    cell.kind = CellValue::Kind::text;
    cell.length = static_cast<std::uint32_t>(text.size());
    if (m_blocks.empty() || m_blockCapacity - m_blockUsed < text.size()) {
        // Blocks never move, so text may even be a view into this sequence.
        const std::size_t capacity = std::max(block_units, text.size());
        m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(capacity));
        m_blockUsed = 0;
        m_blockCapacity = capacity;
    }
    std::copy(text.begin(), text.end(), m_blocks.back().get() + m_blockUsed);
    cell.data.place =
        Place{static_cast<std::uint32_t>(m_blocks.size() - 1), static_cast<std::uint32_t>(m_blockUsed)};
    m_blockUsed += text.size();
    m_textUnits += text.size();
    m_cells.push_back(cell);
}

void CellValues::push_back_number(double number) {
    Cell cell;
    cell.data.number = number;
    cell.kind = CellValue::Kind::number;
    m_cells.push_back(cell);
}

void CellValues::insert_empty(std::size_t position, std::size_t count) {
    if (position > m_cells.size()) {
        position = m_cells.size();
    }
    m_cells.insert(m_cells.begin() + static_cast<std::ptrdiff_t>(position), count, Cell{});
}

void CellValues::clear() {
    m_cells.clear();
    m_blocks.clear();
    m_blockUsed = 0;
    m_blockCapacity = 0;
    m_textUnits = 0;
}

bool operator==(const CellValues& a, const CellValues& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

} // namespace vex::table
