// Number format texts as Excel takes them in a locale: whether it takes one, the form a file keeps it
// in, and how many characters a value shows through it (what fitting a column's width needs).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/text.h"
#include "native/excel_locale.h"

namespace vex::table::native {

// Whether Excel takes the text as a range's NumberFormat: at most 255 characters, quotes and
// brackets closed, nothing escaped at the end, at most four sections.
bool valid_number_format(TextView format);

// Whether the text is Excel's General format: empty, "General" or German "Standard", in any case.
bool is_general_format(TextView format);

// The format in the form an .xlsx file keeps it (UTF-8): the codes and separators of the file's US
// form, which Excel translates the locale's codes into when it saves. German "#.##0,00" becomes
// "#,##0.00", "TT.MM.JJJJ" becomes "dd.mm.yyyy"; General becomes "General". Quoted texts, escaped
// characters and bracketed parts stay as they are.
std::string file_number_format(TextView format, const ExcelLocale& locale);

// How a format shows values, reduced to what decides the number of characters shown.
class FormatShape {
public:
    FormatShape(TextView format, const ExcelLocale& locale);

    std::size_t shown_length(double number) const;
    std::size_t shown_length(TextView text) const;

private:
    struct Section {
        bool general = false;
        bool date = false;
        bool text = false;    // holds "@"
        bool numeric = false; // holds digit places
        std::size_t literal = 0;
        std::size_t integerPlaces = 0; // "0" and "?" before the decimal separator
        std::size_t decimals = 0;
        bool grouping = false;
        bool percent = false;
        int exponentDigits = -1;
        std::size_t dateLength = 0;
    };
    static Section parse_section(TextView section, const ExcelLocale& locale);
    static std::size_t general_length(double number);
    std::size_t number_length(const Section& section, double number) const;

    std::vector<Section> m_sections;
};

} // namespace vex::table::native
