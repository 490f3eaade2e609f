// libFuzzer target: the whole parse of a table document through the pugixml adapter.
//
// An input that starts with the bytes FF FE is read as UTF-16 code units after them (any pattern,
// unpaired surrogates included), the way the Windows side hands texts over; any other input is read
// as UTF-8, which lets the fuzzer's mutations and dictionary work on the markup directly.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

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
    Status update_TBXToExcel(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                             std::int32_t, const CellValues& cellValues, const CellValues& topCells,
                             const CellValues& endCells, const std::vector<CellFormat>& cellFormats,
                             const std::vector<ColumnFormat>& columns, const std::vector<Text>& sheetNames,
                             const std::vector<Colour>& colours, const std::vector<std::int32_t>&,
                             const std::vector<std::int32_t>&, float, const UnitFormats& unitFormats,
                             const std::vector<std::int32_t>&) override {
        std::size_t total = 0;
        for (const auto* cells : {&cellValues, &topCells, &endCells}) {
            for (const auto& cell : *cells) {
                total += cell.text().size();
            }
        }
        total +=
            cellFormats.size() + columns.size() + sheetNames.size() + colours.size() + unitFormats.size();
        sink_ = total;
        return status_ok;
    }

private:
    volatile std::size_t sink_ = 0;
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
