// libFuzzer target: the whole parse of a table document through the pugixml adapter, and the
// rendering of each area it reads.
//
// An input that starts with the bytes FF FE is read as UTF-16 code units after them (any pattern,
// unpaired surrogates included), the way the Windows side hands texts over; any other input is read
// as UTF-8, which lets the fuzzer's mutations and dictionary work on the markup directly.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/area_renderer.h"
#include "core/number_formats.h"
#include "core/table_parser.h"
#include "native/pugixml_dom.h"

namespace {

using namespace vex::table;

// An engine that answers like an English Excel and touches every part of each model it receives.
class FuzzEngine final : public EngineServices {
public:
    Status getDecimalseparator(Text& separator) override {
        separator = u",";
        return status_ok;
    }
    Status getJustifyValues(TextView code, std::int32_t& value) override {
        value = code.empty() ? 1 : -4131;
        return status_ok;
    }
    Status getFormatUnit(std::int32_t decimals, TextView unit, Text& format) override {
        International settings;
        settings.decimalSeparator = u".";
        format = getFormatCustom(settings, decimals, unit);
        return status_ok;
    }
    // Each area goes through the renderer into a workbook that builds every format and reads every
    // value it is handed.
    Status update_TBXToExcel(const TableModel& area) override {
        return render_area(area, workbook_, nullptr);
    }

private:
    class FuzzWorkbook final : public Workbook {
    public:
        Status reach_application() override { return status_ok; }
        Status reach_sheets() override { return status_ok; }
        Status add_sheet(TextView name, bool& found) override {
            found = true;
            touch(name.size());
            return status_ok;
        }
        Status clear_sheet() override { return status_ok; }
        Status reach_cells() override { return status_ok; }
        Status write_header(std::int32_t columnCount, const CellRect&,
                            const std::vector<ColumnFormat>& columns, const Colour&) override {
            if (columnCount < 0 || static_cast<std::size_t>(columnCount) > columns.size()) {
                return status_fail;
            }
            for (std::int32_t i = 0; i < columnCount; ++i) {
                touch(columns[static_cast<std::size_t>(i)].title.size());
            }
            return status_ok;
        }
        Status select_range(const CellRect&) override { return status_ok; }
        Status format_column(const ColumnFormat& column) override {
            touch(column_number_format(settings_, column).value_or(Text()).size());
            return status_ok;
        }
        Status format_cell(const ColumnFormat& column, const CellFormat& cell,
                           const UnitFormats& units) override {
            touch(cell_number_format(settings_, column, cell, units).size());
            return status_ok;
        }
        Status write_values(std::int32_t columnCount, std::int32_t rowCount, const CellRect&,
                            const CellValues& values) override {
            if (columnCount < 0 || rowCount < 0) {
                return status_fail;
            }
            const auto wanted =
                static_cast<std::uint64_t>(columnCount) * static_cast<std::uint64_t>(rowCount);
            if (wanted > values.size()) {
                return status_fail;
            }
            for (std::uint64_t i = 0; i < wanted; ++i) {
                touch(values[static_cast<std::size_t>(i)].text().size());
            }
            return status_ok;
        }
        Status colour_range(const CellRect&, const Colour& colour) override {
            touch(colour.value_or(0));
            return status_ok;
        }
        Status merge_rows(const std::vector<std::int32_t>& rows, std::int32_t, std::int32_t,
                          std::int32_t) override {
            touch(rows.size());
            return status_ok;
        }
        Status freeze_columns(float) override { return status_ok; }
        Status show_application() override { return status_ok; }
        Status screen_updating_on() override { return status_ok; }

    private:
        void touch(std::size_t value) { sink_ = sink_ + value; }
        International settings_;
        volatile std::size_t sink_ = 0;
    };

    FuzzWorkbook workbook_;
};
class NullTrace final : public TraceSink {
public:
    void enter(TextView) override {}
    void leave(TextView, Status) override {}
    void enter2(TextView) override {}
    void leave2(TextView, Status) override {}
    void error(TextView text, Status) override { sink_ = text.size(); }
    void warning(TextView text, Status) override { sink_ = text.size(); }

private:
    volatile std::size_t sink_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Text text;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        text.resize((size - 2) / 2);
        std::memcpy(text.data(), data + 2, text.size() * sizeof(char16_t));
    } else {
        text = from_utf8(std::string_view(reinterpret_cast<const char*>(data), size));
    }
    native::PugiXmlDomFactory doms;
    FuzzEngine engine;
    NullTrace trace;
    TableParser parser(doms, engine, &trace);
    parser.parse_xmlData(text);
    return 0;
}
