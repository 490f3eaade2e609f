// The spreadsheet component against the stand-in Excel, as a host drives it: through the factory,
// the document container and the host's document proxy.
#include "support/com_test.h"
#include "standins/excel.h"

#include <fstream>
#include <iterator>

namespace vex::test {
namespace {

std::string sample_document() {
    std::ifstream file(VEX_TABLECORE_TEST_DOCUMENTS "/full_table.xml", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class SpreadsheetTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
        ASSERT_EQ(create_document_proxy(nullptr, IID_IUnknown, proxy.put_void()), S_OK);
        factory->setControl(proxy.get());
        factory->put_activateInPlace(VARIANT_FALSE);
        factory->setDocumentType(2);
        container = component<IVEX_GeneralDocumentContainer>(3);
        ASSERT_EQ(container->createdocument(), S_OK); // the workbook "Book1"
        spreadsheet = component<IVEX_Spreadsheet>(5);
        ASSERT_TRUE(spreadsheet);
    }
    void TearDown() override {
        spreadsheet = nullptr;
        container = nullptr;
        factory = nullptr;
        proxy = nullptr;
        ComTest::TearDown();
    }
    template <class I>
    com::com_ptr<I> component(LONG type) {
        com::com_ptr<IDispatch> dispatch;
        EXPECT_EQ(factory->createproxy(type, dispatch.put()), S_OK);
        return com::query<I>(dispatch.get());
    }
    // Renders UTF-8 text handed over as a string.
    HRESULT render(std::string_view utf8, IVEX_Spreadsheet* component = nullptr) {
        std::wstring wide(utf8.size(), L'\0');
        wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                        static_cast<int>(wide.size())));
        com::unique_bstr text(wide);
        VARIANT v{};
        v.vt = VT_BSTR;
        v.bstrVal = text.get();
        return (component ? component : spreadsheet.get())->activatexmlsource(v);
    }
    const ExcelSheet& sheet(const wchar_t* name) {
        static const ExcelSheet none;
        const ExcelSheet* found = excel().sheet(L"Book1", name);
        EXPECT_TRUE(found) << "no sheet " << std::string(name, name + wcslen(name));
        return found ? *found : none;
    }
    std::wstring shown(const ExcelSheet& s, LONG row, LONG column) {
        const ExcelCell* cell = s.cell(row, column);
        return cell ? excel().display(*cell) : L"";
    }
    size_t values_put() { return excel().count(L"Range", L"Value", L"put"); }
    // The component's error traces, without their status.
    Lines errors() {
        Lines out;
        for (const auto& line : lines(L"CVEX_Spreadsheet"))
            if (line.starts_with(L"error "))
                out.push_back(line.substr(6, line.rfind(L' ') - 6));
        return out;
    }

    com::com_ptr<IVEX_Factory> factory;
    com::com_ptr<IUnknown> proxy;
    com::com_ptr<IVEX_GeneralDocumentContainer> container;
    com::com_ptr<IVEX_Spreadsheet> spreadsheet;
};

// The document as a string, then from the provider by URL, as the bytes of the last transfer and as a
// byte array: each rendering fetches the workbook anew and renders every area into its sheet with one
// value put per block.
TEST_F(SpreadsheetTest, RendersTheDocumentAsTextAsBytesOrFromTheProvider) {
    ASSERT_EQ(render(sample_document()), S_OK);
    const ExcelSheet& sales = sheet(L"Sales");
    EXPECT_EQ(shown(sales, 1, 2), L"Sales by region");                        // top of list
    EXPECT_EQ(shown(sales, 3, 1), L"Region");                                 // header
    EXPECT_EQ(sales.cell(3, 1)->fill, DWORD{0xC0C0C0});                       // in the header colour
    EXPECT_EQ(shown(sales, 5, 2), L"980.00");                                 // the amount column's format
    EXPECT_EQ(shown(sales, 5, 3), L"3.750");                                  // attribute01's number
    EXPECT_EQ(sales.cell(4, 1)->alignment, std::optional<LONG>(-4131));       // "L"
    EXPECT_EQ(sales.cell(6, 4)->fill, DWORD{0x00FFFF});                       // the subtotal row
    EXPECT_EQ(sales.merged, std::vector<ExcelArea>{(ExcelArea{7, 1, 7, 4})}); // the collapsed row
    EXPECT_EQ(shown(sales, 8, 1), L"End of report");
    EXPECT_EQ(sales.frozen_columns, 1.0f);
    EXPECT_EQ(shown(sheet(L"Notes"), 2, 1), L"<first> & only");
    // Header, data, top and end of list of the first area; header and data of the second.
    EXPECT_EQ(values_put(), 6u);
    EXPECT_TRUE(excel().visible); // documents are shown out of place
    EXPECT_TRUE(excel().screen_updating);
    EXPECT_EQ(errors(), Lines{});

    const std::string document = sample_document();
    host().set_url(L"table.xml", Bytes(document.begin(), document.end()));
    host().set_url(L"empty.xml", {});
    com::unique_bstr url(L"table.xml"), missing(L"empty.xml");
    EXPECT_EQ(spreadsheet->activatexmlsource_gui(url.get()), S_OK);
    EXPECT_EQ(spreadsheet->activatexmlsource(VARIANT{}), S_OK);
    com::unique_variant bytes;
    ASSERT_EQ(factory->get_dp_table(url.get(), bytes.get()), S_OK);
    EXPECT_EQ(spreadsheet->activatexmlsource(*bytes.get()), S_OK);
    EXPECT_EQ(values_put(), 24u);
    EXPECT_EQ(std::count(host().calls.begin(), host().calls.end(), L"GetDocument(100)"), 4);
    // From the second rendering on the first area's sheet existed and another was active: its columns
    // froze all the same, and only there.
    EXPECT_EQ(sheet(L"Sales").frozen_columns, 1.0f);
    EXPECT_EQ(sheet(L"Notes").frozen_columns, 0.0f);

    // No data behind the URL: the transfer fails, nothing renders.
    trace_log().records.clear();
    EXPECT_EQ(spreadsheet->activatexmlsource_gui(missing.get()), E_FAIL);
    EXPECT_EQ(errors(), Lines{L"get_dp_table "});
    // Keeping a text or data renders nothing.
    EXPECT_EQ(spreadsheet->xmlSource(url.get()), S_OK);
    EXPECT_EQ(spreadsheet->setxml_gui(*bytes.get()), S_OK);
    EXPECT_EQ(values_put(), 24u);
}

// A rejected document or a failing Excel call stops the rendering with the status and the failing step
// (traced first, parse_xmlData last); what was rendered before stays.
TEST_F(SpreadsheetTest, RejectedDocumentsAndExcelFailuresAreReportedWithTheirStep) {
    const HRESULT refused = DISP_E_EXCEPTION;
    const std::string sample = sample_document(),
                      old = R"(<tbx:BI_BS_XML xmlns:tbx="urn:t"><VERSION>2.0</VERSION></tbx:BI_BS_XML>)";
    // The document, an Excel member made to fail after so many calls, the status, the first error,
    // the workbook's sheets afterwards.
    const struct {
        std::string document;
        const wchar_t* failing;
        size_t after;
        HRESULT status;
        const wchar_t* first_error;
        const wchar_t* sheets;
    } cases[] = {
        {"<short/>", nullptr, 0, E_FAIL, L"Wrong input xml: <short/>", L"Sheet1"},
        {old, nullptr, 0, E_FAIL, L"Wrong TBX xml version", L"Sheet1"},
        {sample, L"Worksheet.Name", 0, refused, L"AddSheet", L"Sheet2 Sheet1"},
        {sample, L"Application.International", 0, refused, L"m_spreadsheet.getFormatNumber", L"Sheet1"},
        {sample, L"Range.Value", 4, refused, L"m_spreadsheet.setColumnHeader", L"Notes Sales Sheet1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first_error);
        if (&c != cases) { // a fresh host, workbook and Excel for each case
            TearDown();
            SetUp();
        }
        if (c.failing)
            excel().fail(c.failing, refused, c.after);
        EXPECT_EQ(render(c.document), c.status);
        const Lines got = errors();
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.front(), c.first_error);
        EXPECT_EQ(got.back(), L"parse_xmlData");
        std::wstring names;
        for (const ExcelSheet& s : excel().workbook(L"Book1")->sheets)
            names += (names.empty() ? L"" : L" ") + s.name;
        EXPECT_EQ(names, c.sheets);
    }
}

TEST_F(SpreadsheetTest, PrintsAndRunsSignedMacros) {
    for (LONG prompt : {1, 0, 2})
        EXPECT_EQ(spreadsheet->printdocument(prompt), S_OK);
    EXPECT_EQ(excel().prints, (std::vector<std::pair<DWORD, DWORD>>{{6, 1}, {6, 0}, {6, 0}}));

    // The macro, whether the workbook is signed, an Excel member made to fail, the status, the last
    // error traced.
    const struct {
        const wchar_t* name;
        bool is_signed;
        const wchar_t* failing;
        HRESULT status;
        const wchar_t* error;
    } cases[] = {
        {L"Book1!Module1.Tidy", true, nullptr, S_OK, L""},
        {L"Tidy", true, nullptr, S_OK, L""},
        {L"Tidy", false, nullptr, E_FAIL, L"Macro:Tidy not signed!"},
        {L"", true, nullptr, E_FAIL, L"No macroname defined!"},
        {L"Other!Tidy", true, nullptr, DISP_E_BADINDEX, L" getSpreadsheet_Workbook"},
        {L"Tidy", true, L"Application.Run", E_FAIL, L"invokeMethodByName: Runmacro:ThisWorkbook.Tidy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        trace_log().records.clear();
        excel().macros_run.clear();
        excel().workbook(L"Book1")->vba_signed = c.is_signed;
        if (c.failing)
            excel().fail(c.failing, E_FAIL);
        EXPECT_EQ(spreadsheet->runmacro(com::unique_bstr(c.name).get()), c.status);
        const Lines got = errors();
        EXPECT_EQ(got.empty() ? L"" : got.back(), c.error);
        EXPECT_EQ(excel().macros_run, c.status == S_OK ? Lines{c.name} : Lines{});
    }
}

TEST_F(SpreadsheetTest, WithoutAWorkbookOrContainerNothingRenders) {
    ASSERT_EQ(container->closedocument(), S_OK);
    host().failures[L"GetDocument"] = E_INVALIDARG;
    EXPECT_EQ(render(sample_document()), E_INVALIDARG);
    EXPECT_EQ(errors(), (Lines{L" getApplication", L"getSpreadsheet "}));

    auto alone = create<IVEX_Spreadsheet>(L"KEM.VEX_Spreadsheet_Gui");
    EXPECT_EQ(alone->Initialize(nullptr, nullptr, nullptr), E_FAIL);
    EXPECT_EQ(alone->printdocument(0), E_FAIL);
    EXPECT_EQ(render(sample_document(), alone.get()), E_FAIL);
}

// The factory and its components must not keep each other alive: released by the host, the factory
// goes while the host still holds the component, which then works as one without a factory; when the
// component goes too, the container closes the workbook.
TEST_F(SpreadsheetTest, TheFactoryGoesWhenTheHostReleasesItDespiteItsComponents) {
    factory = nullptr;
    container = nullptr;
    EXPECT_EQ(lines(L"CVEX_Factory").back(), L"leave FinalRelease 0x00000000");
    EXPECT_EQ(spreadsheet->setTraceTyp(5), S_OK);
    com::unique_bstr url(L"table.xml");
    EXPECT_EQ(spreadsheet->activatexmlsource_gui(url.get()), E_FAIL);
    EXPECT_EQ(errors(), Lines{L"get_dp_table "});
    spreadsheet = nullptr;
    EXPECT_EQ(host().calls.back(), L"CloseDocument(100, 0)");
}

} // namespace
} // namespace vex::test
