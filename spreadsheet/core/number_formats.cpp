// Number format builders. Each one is a pure function of the International settings.
#include "core/number_formats.h"

namespace vex::table {

namespace {

// Excel keeps a number format to 255 characters, so no run of digit places is made longer: a
// document asking for millions of decimals must not exhaust memory.
constexpr std::int64_t max_digit_places = 255;

std::int64_t capped(std::int64_t places) {
    return places > max_digit_places ? max_digit_places : places;
}

void repeat(Text& out, TextView piece, std::int32_t times) {
    for (std::int64_t i = 0; i < capped(times); ++i) {
        out.append(piece);
    }
}

// Fraction part shared by percent and unit formats: -1 means two places, other negatives none.
void append_fraction_zeros(Text& out, std::int32_t decimals) {
    if (decimals == -1) {
        out.append(u"00");
    } else if (decimals > 0) {
        repeat(out, u"0", decimals);
    }
}

} // namespace

Text getFormatText() {
    return u"@";
}

Text getFormatNumc(const ColumnFormat&) {
    return u"@";
}

Text getFormatNumber(const International& settings, const ColumnFormat& column,
                     std::int32_t decimalsOverride) {
    const std::int64_t decimals = decimalsOverride > 0 ? decimalsOverride : column.decimals;
    const std::int64_t intLen = column.intLen;
    const std::int64_t outputLen = column.outputLen;
    const bool scientific = outputLen - intLen - decimals < 0;
    std::int64_t integerDigits = intLen;
    std::int64_t fractionDigits = decimals;
    if (scientific) {
        if (decimals < outputLen - 6) {
            integerDigits = (outputLen - 6) - decimals;
            fractionDigits = decimals;
        } else {
            integerDigits = 0;
            fractionDigits = outputLen - 6;
        }
    }
    Text format = integerDigits == 0 ? u"0" : u"#";
    for (std::int64_t i = 1; i < capped(integerDigits); ++i) {
        format.push_back(u'#');
    }
    if (fractionDigits > 0) {
        format.append(settings.decimalSeparator);
        for (std::int64_t i = 0; i < capped(fractionDigits); ++i) {
            format.push_back(u'0');
        }
    }
    if (scientific) {
        format.append(u"E+00");
    }
    return format;
}

Text getFormatPercent(const International& settings, std::int32_t decimals) {
    Text format = u"#";
    format.append(settings.thousandsSeparator);
    format.append(u"##0");
    if (decimals != 0) {
        format.append(settings.decimalSeparator);
    }
    append_fraction_zeros(format, decimals);
    format.append(u"\"%\"");
    return format;
}

Text getFormatCurrency(const International& settings, const ColumnFormat& column) {
    Text format = u"#";
    format.append(settings.thousandsSeparator);
    format.append(u"##0");
    format.append(settings.decimalSeparator);
    if (column.decimals == 0) {
        format.append(u"00 ");
    } else if (column.decimals > 0) {
        repeat(format, u"0", column.decimals);
    }
    format.push_back(u'_');
    format.push_back(euro_sign);
    return format;
}

Text getFormatDate(const International& settings, const ColumnFormat&) {
    const TextView day = settings.dayCode;
    const TextView month = settings.monthCode;
    const TextView year = settings.yearCode;
    const TextView separator = settings.dateSeparator;
    Text format;
    if (settings.dateOrder == 0.0) {
        repeat(format, month, 2);
        format.append(separator);
        repeat(format, day, 2);
        format.append(separator);
        repeat(format, year, 4);
    } else if (settings.dateOrder == 1.0) {
        repeat(format, day, 2);
        format.append(separator);
        repeat(format, month, 2);
        format.append(separator);
        repeat(format, year, 4);
    } else if (settings.dateOrder == 2.0) {
        repeat(format, year, 4);
        format.append(separator);
        repeat(format, month, 2);
        format.append(separator);
        repeat(format, day, 2);
    }
    return format;
}

Text getFormatTime(const International& settings) {
    Text format = settings.hourCode;
    format.append(settings.timeSeparator);
    repeat(format, settings.minuteCode, 2);
    format.append(settings.timeSeparator);
    repeat(format, settings.secondCode, 2);
    format.append(u";@");
    return format;
}

Text getFormatCustom(const International& settings, std::int32_t decimals, TextView unit) {
    Text number = u"#0";
    if (decimals != 0) {
        number.append(settings.decimalSeparator);
    }
    append_fraction_zeros(number, decimals);
    Text format = number;
    format.append(u";[Red]");
    format.append(number);
    format.append(u";;");
    if (unit.size() > 1) {
        format.append(u"@\"");
        format.append(unit);
        format.push_back(u'"');
    }
    return format;
}

std::optional<Text> column_number_format(const International& settings, const ColumnFormat& column) {
    switch (column.category) {
    case category_numeric_text:
        return getFormatNumc(column);
    case category_text:
        return getFormatText();
    case category_currency:
        return getFormatCurrency(settings, column);
    case category_number:
        return getFormatNumber(settings, column, 0);
    case category_date:
        return getFormatDate(settings, column);
    case category_time:
        return getFormatTime(settings);
    case category_percent:
        return getFormatPercent(settings, column.decimals);
    default:
        return std::nullopt;
    }
}

bool is_managed_category(std::int32_t category) {
    return category >= category_numeric_text && category <= category_percent;
}

Text cell_number_format(const International& settings, const ColumnFormat& column, const CellFormat& cell,
                        const UnitFormats& units) {
    if (cell.isText) {
        return getFormatText();
    }
    if (cell.hasUnit) {
        const auto found = units.find(cell.unit);
        return found != units.end() ? found->second : Text();
    }
    if (cell.hasDecimals) {
        return getFormatNumber(settings, column, cell.decimals);
    }
    return Text();
}

} // namespace vex::table
