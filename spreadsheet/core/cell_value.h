// A compact cell value: empty, text or number, in 16 bytes.
//
// A table of a million cells holds a million of these, so the value keeps its text inline when it
// has at most four UTF-16 units and in one exactly sized heap block otherwise.
#pragma once

#include <cstdint>

#include "core/text.h"

namespace vex::table {

class CellValue {
public:
    enum class Kind : std::uint8_t { empty, text, number };

    CellValue() noexcept : number_(0.0), size_(0), kind_(Kind::empty) {}
    explicit CellValue(TextView text) : CellValue() { assign_text(text); }
    explicit CellValue(double number) noexcept : number_(number), size_(0), kind_(Kind::number) {}

    CellValue(const CellValue& other) : CellValue() { *this = other; }
    CellValue(CellValue&& other) noexcept;
    CellValue& operator=(const CellValue& other);
    CellValue& operator=(CellValue&& other) noexcept;
    ~CellValue() { release(); }

    Kind kind() const { return kind_; }
    bool is_empty() const { return kind_ == Kind::empty; }
    bool is_text() const { return kind_ == Kind::text; }
    bool is_number() const { return kind_ == Kind::number; }

    // The text of a text value; empty for the other kinds.
    TextView text() const;
    // The number of a number value; 0 for the other kinds.
    double number() const { return kind_ == Kind::number ? number_ : 0.0; }

    void clear() noexcept;
    void set_text(TextView text);
    void set_number(double number) noexcept;

    friend bool operator==(const CellValue& a, const CellValue& b);

private:
    static constexpr std::uint32_t inline_capacity = 4;

    bool is_inline() const { return kind_ == Kind::text && size_ <= inline_capacity; }
    void assign_text(TextView text);
    void release() noexcept;

    union {
        double number_;
        char16_t* heap_;
        char16_t inline_[inline_capacity];
    };
    std::uint32_t size_;
    Kind kind_;
};

static_assert(sizeof(CellValue) == 16, "a cell value is meant to stay at 16 bytes");

} // namespace vex::table
