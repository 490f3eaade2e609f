// The stand-in Excel where a wrong answer would let a fault of vex pass unseen: typing of entries,
// displayed texts, sheet placement and names, array puts, fills, frozen panes and scripted failures.
#include "support/com_test.h"

#include <tuple>

namespace vex::test {
namespace {

constexpr WORD get = DISPATCH_PROPERTYGET, put = DISPATCH_PROPERTYPUT, call = DISPATCH_METHOD;

class ExcelStandInTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        workbook = excel().new_workbook(L"book.xlsx");
        sheets = excel_object(workbook.get(), L"Sheets");
        sheet = excel_object(sheets.get(), L"Item", {excel_value(1)});
    }
    void TearDown() override {
        workbook = sheets = sheet = nullptr;
        excel().clear();
        EXPECT_EQ(ExcelStandIn::live_objects(), 0) << "stand-in objects outlive their references";
        ComTest::TearDown();
    }
    com::com_ptr<IDispatch> cell(LONG row, LONG column) {
        const auto cells = excel_object(sheet.get(), L"Cells");
        return excel_object(cells.get(), L"Item", {excel_value(row), excel_value(column)});
    }
    com::com_ptr<IDispatch> range(const ExcelArea& a) {
        return excel_object(
            sheet.get(), L"Range",
            {excel_value(cell(a.top, a.left).get()), excel_value(cell(a.bottom, a.right).get())});
    }
    // The displayed texts of an area of the first sheet: cells split by ",", rows by "/".
    std::wstring grid(const ExcelArea& a) {
        std::wstring out;
        for (LONG r = a.top; r <= a.bottom; ++r) {
            out += r > a.top ? L"/" : L"";
            for (LONG c = a.left; c <= a.right; ++c) {
                const ExcelCell* found = excel().sheet(L"book.xlsx", L"Sheet1")->cell(r, c);
                out += (c > a.left ? L"," : L"") + (found ? excel().display(*found) : std::wstring());
            }
        }
        return out;
    }

    com::com_ptr<IDispatch> workbook, sheets, sheet;
};

TEST_F(ExcelStandInTest, EntriesAreTypedInTheApplicationLocale) {
    using Case = std::tuple<ExcelLocale, const wchar_t*, const wchar_t*, VARTYPE, const wchar_t*>;
    const auto en = ExcelLocale::english, de = ExcelLocale::german;
    // clang-format off
    const Case cases[] = {
        {en, L"General", L"10.000", VT_R8, L"10"},               {en, L"General", L"1,200.50", VT_R8, L"1,200.50"},
        {en, L"General", L" -3.5E+02 ", VT_R8, L"-3.50E+02"},    {en, L"General", L"50%", VT_R8, L"50%"},
        {en, L"General", L"01/31/2024", VT_DATE, L"1/31/2024"},  {en, L"General", L"31.01.2024", VT_BSTR, L"31.01.2024"},
        {en, L"General", L"1,20", VT_BSTR, L"1,20"},             {en, L"General", L"12:30", VT_DATE, L"12:30"},
        {en, L"General", L"0000004711", VT_R8, L"4711"},         {en, L"@", L"0000004711", VT_BSTR, L"0000004711"},
        {en, L"General", L"'42", VT_BSTR, L"42"},                {de, L"General", L"10.000", VT_R8, L"10.000"},
        {de, L"General", L"1,5", VT_R8, L"1,5"},                 {de, L"General", L"31.01.2024", VT_DATE, L"31.01.2024"},
        {de, L"General", L"01/31/2024", VT_BSTR, L"01/31/2024"}, {de, L"@", L"1,5", VT_BSTR, L"1,5"},
    };
    // clang-format on
    const auto a1 = cell(1, 1);
    for (const auto& [locale, format, text, type, shown] : cases) {
        excel().locale = locale;
        ASSERT_EQ(excel_invoke(a1.get(), L"Clear", call), S_OK);
        ASSERT_EQ(excel_invoke(a1.get(), L"NumberFormat", put, {excel_value(format)}), S_OK);
        ASSERT_EQ(excel_invoke(a1.get(), L"value", put, {excel_value(text)}), S_OK) << text;
        EXPECT_EQ(excel().sheet(L"book.xlsx", L"Sheet1")->cell(1, 1)->value.type(), type) << text;
        EXPECT_EQ(grid({1, 1, 1, 1}), shown) << text;
    }
}

TEST_F(ExcelStandInTest, CellsShowTheirValuesThroughTheirNumberFormats) {
    using Case = std::tuple<ExcelLocale, ExcelValue, const wchar_t*, const wchar_t*>;
    const auto en = ExcelLocale::english, de = ExcelLocale::german;
    // clang-format off
    const Case cases[] = {
        {en, excel_value(1234.5), L"#,##0.00", L"1,234.50"},      {de, excel_value(1234.5), L"#.##0,00", L"1.234,50"},
        {en, excel_value(2.675), L"0.00", L"2.68"},               {en, excel_value(0.5), L"####.00", L".50"},
        {en, excel_value(-0.5), L"0.0", L"-0.5"},                 {en, excel_value(12345), L"0.000E+00", L"1.235E+04"},
        {en, excel_value(1.0 / 3), L"", L"0.333333333"},          {en, excel_value(123456789012.0), L"", L"1.23457E+11"},
        {de, excel_value(-5), L"#0,00;[Red]#0,00;;", L"5,00"},    {de, excel_value(0), L"#0,00;[Red]#0,00;;", L""},
        {de, excel_value(L"Stk"), L"#0;[Red]#0;;@\" kg\"", L"Stk kg"}, {en, excel_value(12.5), L"#,##0.00\"%\"", L"12.50%"},
        {en, excel_value(1234.5), L"#,##0.00 _\u20AC", L"1,234.50  "}, {en, excel_value(45322), L"mm/dd/yyyy", L"01/31/2024"},
        {de, excel_value(45322.75), L"TT.MM.JJJJ", L"31.01.2024"}, {en, excel_value(0.5208449), L"h:mm:ss;@", L"12:30:01"},
        {en, excel_value(L"text"), L"h:mm:ss;@", L"text"},        {en, excel_value(true), L"0.00", L"TRUE"},
        {de, excel_value(false), L"", L"FALSCH"},
    };
    // clang-format on
    for (const auto& [locale, value, format, shown] : cases) {
        excel().locale = locale;
        EXPECT_EQ(excel().display(ExcelCell{value, format, {}, {}}), shown) << format;
    }
}

TEST_F(ExcelStandInTest, SheetsAddedGoBeforeTheActiveSheetAndBecomeActive) {
    for (const auto& [locale, names] :
         {std::pair{ExcelLocale::english, Lines{L"Sheet3", L"Sheet2", L"Sheet1"}},
          std::pair{ExcelLocale::german, Lines{L"Tabelle3", L"Tabelle2", L"Tabelle1"}}}) {
        excel().locale = locale;
        const auto book = excel().new_workbook(L"added.xlsx");
        const auto added = excel_object(book.get(), L"Sheets");
        ASSERT_TRUE(excel_object(added.get(), L"Add") && excel_object(added.get(), L"Add"));
        const ExcelWorkbook& state = *excel().workbook(L"added.xlsx");
        Lines order;
        for (const ExcelSheet& s : state.sheets)
            order.push_back(s.name);
        EXPECT_EQ(order, names);
        EXPECT_EQ(state.active_sheet, 0u);
        EXPECT_EQ(excel_invoke(added.get(), L"Item", get, {excel_value(L"Missing")}), DISP_E_BADINDEX);
    }
}

TEST_F(ExcelStandInTest, SheetNamesExcelRefusesAreRefused) {
    ASSERT_TRUE(excel_object(sheets.get(), L"Add"));
    // clang-format off
    const std::pair<std::wstring, HRESULT> cases[] = {
        {L"", DISP_E_EXCEPTION},    {std::wstring(32, L'x'), DISP_E_EXCEPTION}, {L"a:b", DISP_E_EXCEPTION},
        {L"a\\b", DISP_E_EXCEPTION}, {L"a/b", DISP_E_EXCEPTION}, {L"a?b", DISP_E_EXCEPTION}, {L"a*b", DISP_E_EXCEPTION},
        {L"a[b", DISP_E_EXCEPTION}, {L"a]b", DISP_E_EXCEPTION}, {L"SHEET2", DISP_E_EXCEPTION},
        {L"sheet1", S_OK},          {std::wstring(31, L'x'), S_OK},
    };
    // clang-format on
    for (const auto& [name, status] : cases) {
        EXCEPINFO info{};
        EXPECT_EQ(excel_invoke(sheet.get(), L"Name", put, {excel_value(name)}, nullptr, &info), status)
            << name;
        EXPECT_EQ(com::bstr_view(info.bstrSource), status == S_OK ? L"" : L"Microsoft Excel") << name;
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
    }
}

TEST_F(ExcelStandInTest, ArraysFillTheRangeWithNotAvailableBeyondThemAndLoseWhatDoesNotFit) {
    const auto numbers = [](int rows, int columns) { // 1, 2, 3 ... across the rows
        std::vector<std::vector<ExcelValue>> out(rows);
        for (int i = 0; i < rows * columns; ++i)
            out[i / columns].push_back(excel_value(i + 1));
        return out;
    };
    const std::pair<ExcelValue, const wchar_t*> cases[] = {
        {excel_array(numbers(2, 2), 0, 0), L",,,/,1,2,#N/A/,3,4,#N/A/,#N/A,#N/A,#N/A"},
        {excel_array(numbers(4, 4)), L",,,/,1,2,3/,5,6,7/,9,10,11"},
    };
    const auto target = range({2, 2, 4, 4});
    for (const auto& [array, shown] : cases) {
        EXPECT_EQ(excel_invoke(target.get(), L"Value", DISPATCH_PROPERTYPUTREF, {array}),
                  DISP_E_MEMBERNOTFOUND);
        ASSERT_EQ(excel_invoke(target.get(), L"Value", put, {array}), S_OK);
        EXPECT_EQ(grid({1, 1, 4, 4}), shown);
    }
    EXPECT_EQ(excel().count(L"Range", L"Value", L"putref"), 2u);
    EXPECT_EQ(excel().calls.back().arguments, L"Array 4x4");
}

TEST_F(ExcelStandInTest, ColourEmptyTakesTheFillAway) {
    const auto interior = [&](const ExcelArea& a) { return excel_object(range(a).get(), L"Interior"); };
    ASSERT_EQ(excel_invoke(interior({1, 1, 1, 2}).get(), L"Color", put, {excel_value(255)}), S_OK);
    ASSERT_EQ(excel_invoke(interior({1, 1, 1, 1}).get(), L"Color", put, {ExcelValue()}), S_OK);
    const ExcelSheet& state = excel().workbooks().front().sheets.front();
    EXPECT_EQ(state.cell(1, 1), nullptr);
    ASSERT_NE(state.cell(1, 2), nullptr);
    EXPECT_EQ(state.cell(1, 2)->fill, 255u);
}

TEST_F(ExcelStandInTest, FreezingAppliesToTheSheetActiveThen) {
    const auto window = excel_object(excel_object(workbook.get(), L"Application").get(), L"ActiveWindow");
    ASSERT_EQ(excel_invoke(window.get(), L"SplitColumn", put, {excel_value(2.0)}), S_OK);
    ASSERT_TRUE(excel_object(sheets.get(), L"Add"));
    ASSERT_EQ(excel_invoke(window.get(), L"SplitColumn", put, {excel_value(3)}), S_OK);
    ASSERT_EQ(excel_invoke(window.get(), L"FreezePanes", put, {excel_value(true)}), S_OK);
    EXPECT_EQ(excel().sheet(L"book.xlsx", L"Sheet2")->frozen_columns, 3.0f);
    EXPECT_EQ(excel().sheet(L"book.xlsx", L"Sheet1")->frozen_columns, 0.0f);
}

TEST_F(ExcelStandInTest, ScriptedFailuresLetCallsThroughFirstAndDescribeTheRefusal) {
    excel().fail(L"range.value", DISP_E_EXCEPTION, 1, L"disk full");
    const auto a1 = cell(1, 1);
    EXCEPINFO info{};
    EXPECT_EQ(excel_invoke(a1.get(), L"Value", put, {excel_value(1)}, nullptr, &info), S_OK);
    EXPECT_EQ(excel_invoke(a1.get(), L"Value", put, {excel_value(2)}, nullptr, &info), DISP_E_EXCEPTION);
    EXPECT_EQ(info.scode, excel_error_refused);
    EXPECT_EQ(com::bstr_view(info.bstrDescription), L"disk full");
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    EXPECT_EQ(excel().count(L"Range", L"Value", L"put"), 2u);
    EXPECT_EQ(excel().sheet(L"book.xlsx", L"Sheet1")->cell(1, 1)->value.get().dblVal, 1.0);
}

} // namespace
} // namespace vex::test
