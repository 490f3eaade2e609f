// An engine stand-in: answers the parser's questions from fixed International settings and keeps a
// copy of every model handed to the renderer. Each service can be made to fail.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/engine_services.h"
#include "core/justify.h"
#include "core/number_formats.h"
#include "core/table_model.h"

namespace vex::table::testing {

inline International english_settings() {
    International settings;
    settings.decimalSeparator = u".";
    settings.thousandsSeparator = u",";
    settings.dayCode = u"d";
    settings.monthCode = u"m";
    settings.yearCode = u"y";
    settings.dateSeparator = u"/";
    settings.dateOrder = 1.0;
    settings.timeSeparator = u":";
    settings.secondCode = u"s";
    settings.minuteCode = u"m";
    settings.hourCode = u"h";
    return settings;
}

class RecordingEngine final : public EngineServices {
public:
    Status getDecimalseparator(Text& separator) override {
        ++separator_calls;
        separator = settings.decimalSeparator;
        return separator_status;
    }
    Status getJustifyValues(TextView code, std::int32_t& value) override {
        value = justify_value(code).value_or(justify_general);
        return justify_status;
    }
    Status getFormatUnit(std::int32_t decimals, TextView unit, Text& format) override {
        if (failed(unit_status)) {
            return unit_status;
        }
        format = getFormatCustom(settings, decimals, unit);
        return unit_status;
    }
    Status update_TBXToExcel(const TableModel& area) override {
        ++render_calls;
        if (render_calls == fail_render_call) {
            return render_status;
        }
        areas.push_back(area);
        return status_ok;
    }

    International settings = english_settings();
    Status separator_status = status_ok;
    Status justify_status = status_ok;
    Status unit_status = status_ok;
    // The render call (counted from 1) that fails with render_status; 0 for none.
    int fail_render_call = 0;
    Status render_status = status_fail;

    int separator_calls = 0;
    int render_calls = 0;
    std::vector<TableModel> areas;
};

} // namespace vex::table::testing
