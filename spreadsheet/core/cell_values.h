// Cell values of a table: empty, text or number.
//
// A table of a million cells holds a million values, so a sequence keeps them compactly: 16 bytes
// per cell, and the texts of its cells packed into large blocks instead of one heap block each.
// Blocks never move, so growing the sequence copies no text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

#include "core/text.h"

namespace vex::table {

// One cell value as read from a sequence. Its text is a view into the sequence that holds it,
// valid while that sequence lives and is not changed.
class CellValue {
public:
    enum class Kind : std::uint8_t { empty, text, number };

    CellValue() = default;
    explicit CellValue(TextView text) : m_kind(Kind::text), m_text(text) {}
    explicit CellValue(double number) : m_kind(Kind::number), m_number(number) {}

    Kind kind() const { return m_kind; }
    bool is_empty() const { return m_kind == Kind::empty; }
    bool is_text() const { return m_kind == Kind::text; }
    bool is_number() const { return m_kind == Kind::number; }
    // The text of a text value; empty for the other kinds.
    TextView text() const { return m_text; }
    // The number of a number value; 0 for the other kinds.
    double number() const { return m_number; }

    friend bool operator==(const CellValue& a, const CellValue& b) {
        return a.m_kind == b.m_kind && a.m_text == b.m_text && a.m_number == b.m_number;
    }

private:
    Kind m_kind = Kind::empty;
    TextView m_text;
    double m_number = 0.0;
};

class CellValues {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CellValue;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = CellValue;

        const_iterator() = default;
        CellValue operator*() const { return (*m_values)[m_index]; }
        const_iterator& operator++() {
            ++m_index;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++m_index;
            return before;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) {
            return a.m_index == b.m_index;
        }

    private:
        friend class CellValues;
        const_iterator(const CellValues* values, std::size_t index) : m_values(values), m_index(index) {}
        const CellValues* m_values = nullptr;
        std::size_t m_index = 0;
    };

    CellValues() = default;
    CellValues(const CellValues& other);
    CellValues& operator=(const CellValues& other);
    CellValues(CellValues&&) noexcept = default;
    CellValues& operator=(CellValues&&) noexcept = default;
    ~CellValues() = default;

    std::size_t size() const { return m_cells.size(); }
    bool empty() const { return m_cells.empty(); }
    CellValue operator[](std::size_t index) const;
    // As operator[], but throws std::out_of_range for an index beyond the end.
    CellValue at(std::size_t index) const;
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    void push_back(const CellValue& value);
    void push_back_empty() { m_cells.emplace_back(); }
    void push_back_text(TextView text);
    void push_back_number(double number);
    // Inserts count empty values before position (at most size()).
    void insert_empty(std::size_t position, std::size_t count);
    // Appends count empty values.
    void append_empty(std::size_t count) { m_cells.resize(m_cells.size() + count); }
    void clear();

    // UTF-16 units held for all texts.
    std::size_t text_units() const { return m_textUnits; }

    friend bool operator==(const CellValues& a, const CellValues& b);

private:
    // UTF-16 units of a text block; a longer text gets a block of its own.
    static constexpr std::size_t block_units = 32768;

    struct Place {
        std::uint32_t block;
        std::uint32_t offset;
    };
    struct Cell {
        union {
            double number;
            Place place;
        } data{0.0};
        std::uint32_t length = 0;
        CellValue::Kind kind = CellValue::Kind::empty;
    };
    static_assert(sizeof(Cell) == 16, "a cell is meant to stay at 16 bytes");

    std::vector<Cell> m_cells;
    std::vector<std::unique_ptr<char16_t[]>> m_blocks;
    std::size_t m_blockUsed = 0;     // units used in the last block
    std::size_t m_blockCapacity = 0; // units of the last block
    std::size_t m_textUnits = 0;
};

} // namespace vex::table
