// The engine services of the native build: the locale's separators and unit formats for the parser,
// and each finished area rendered into a workbook (an .xlsx file) by the area renderer.
#pragma once

#include "core/area_renderer.h"
#include "core/engine_services.h"
#include "core/justify.h"
#include "core/number_formats.h"
#include "core/tracing.h"
#include "native/excel_locale.h"

namespace vex::table::native {

class WorkbookEngine final : public EngineServices {
public:
    // trace may be null.
    WorkbookEngine(const ExcelLocale& locale, Workbook& workbook, TraceSink* trace)
        : m_international(international_of(locale)), m_workbook(workbook), m_sink(trace), m_trace(trace) {}

    Status getDecimalseparator(Text& separator) override {
        separator = m_international.decimalSeparator;
        return status_ok;
    }
    // An unknown code gives the general alignment and a warning.
    Status getJustifyValues(TextView code, std::int32_t& value) override {
        value = justify_general;
        if (const auto alignment = justify_value(code)) {
            value = *alignment;
        } else {
            m_trace.warning(invalid_justify_warning(code), status_ok);
        }
        return status_ok;
    }
    Status getFormatUnit(std::int32_t decimals, TextView unit, Text& format) override {
        format = getFormatCustom(m_international, decimals, unit);
        return status_ok;
    }
    Status update_TBXToExcel(const TableModel& area) override {
        return render_area(area, m_workbook, m_sink);
    }

private:
    International m_international;
    Workbook& m_workbook;
    TraceSink* m_sink;
    Tracing m_trace;
};

} // namespace vex::table::native
