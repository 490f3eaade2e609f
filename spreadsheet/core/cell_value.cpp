// Storage handling of the compact cell value.
#include "core/cell_value.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace vex::table {

CellValue::CellValue(CellValue&& other) noexcept : CellValue() {
    *this = std::move(other);
}

CellValue& CellValue::operator=(const CellValue& other) {
    if (this == &other) {
        return *this;
    }
    switch (other.kind_) {
    case Kind::empty:
        clear();
        break;
    case Kind::number:
        set_number(other.number_);
        break;
    case Kind::text:
        set_text(other.text());
        break;
    }
    return *this;
}

CellValue& CellValue::operator=(CellValue&& other) noexcept {
    if (this == &other) {
        return *this;
    }
    release();
    // The union is trivially copyable in every state: taking its bytes takes the heap block too.
    std::memcpy(static_cast<void*>(inline_), static_cast<const void*>(other.inline_), sizeof inline_);
    size_ = other.size_;
    kind_ = other.kind_;
    other.number_ = 0.0;
    other.size_ = 0;
    other.kind_ = Kind::empty;
    return *this;
}

TextView CellValue::text() const {
    if (kind_ != Kind::text) {
        return {};
    }
    return is_inline() ? TextView(inline_, size_) : TextView(heap_, size_);
}

void CellValue::clear() noexcept {
    release();
    number_ = 0.0;
    size_ = 0;
    kind_ = Kind::empty;
}

void CellValue::set_text(TextView text) {
    assign_text(text);
}

void CellValue::set_number(double number) noexcept {
    release();
    number_ = number;
    size_ = 0;
    kind_ = Kind::number;
}

// The new text is copied before the old storage goes, so a view into this value's own text is safe.
void CellValue::assign_text(TextView text) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("cell text too long");
    }
    const auto size = static_cast<std::uint32_t>(text.size());
    if (size <= inline_capacity) {
        char16_t buffer[inline_capacity];
        std::copy(text.begin(), text.end(), buffer);
        release();
        std::copy(buffer, buffer + size, inline_);
    } else {
        auto* block = new char16_t[size];
        std::copy(text.begin(), text.end(), block);
        release();
        heap_ = block;
    }
    size_ = size;
    kind_ = Kind::text;
}

void CellValue::release() noexcept {
    if (kind_ == Kind::text && !is_inline()) {
        delete[] heap_;
    }
    kind_ = Kind::empty;
    size_ = 0;
}

bool operator==(const CellValue& a, const CellValue& b) {
    if (a.kind_ != b.kind_) {
        return false;
    }
    switch (a.kind_) {
    case CellValue::Kind::empty:
        return true;
    case CellValue::Kind::number:
        return a.number_ == b.number_;
    case CellValue::Kind::text:
        return a.text() == b.text();
    }
    return false;
}

} // namespace vex::table
