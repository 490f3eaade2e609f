// The stand-in Word where a wrong answer would let a fault of vex pass unseen: data source files, the
// merge, copy and paste between documents, closing a window, and the document proxy's Word documents.
#include "support/com_test.h"

#include "automation/host_services.h"

#include <cstdio>
#include <tuple>

namespace vex::test {
namespace {

constexpr WORD get = DISPATCH_PROPERTYGET, call = DISPATCH_METHOD;

class WordStandInTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        letter = word().new_document(L"main.docx", L"\u00ABName\u00BB in \u00ABcity\u00BB \u00ABTitle\u00BB");
        merge = excel_object(letter.get(), L"MailMerge");
    }
    void TearDown() override {
        letter = merge = nullptr;
        word().clear();
        EXPECT_EQ(WordStandIn::live_objects(), 0) << "stand-in objects outlive their references";
        ComTest::TearDown();
    }
    // OpenDataSource of a file holding bytes in Word's temporary folder; no file for null.
    HRESULT open_source(const char* bytes) {
        const std::wstring path = WordStandIn::temp_folder() + L"KEMfield.txt";
        if (std::FILE* file = bytes ? _wfopen(path.c_str(), L"wb") : nullptr) {
            std::fputs(bytes, file);
            std::fclose(file);
        }
        const HRESULT hr = excel_invoke(merge.get(), L"OpenDataSource", call, {excel_value(path)});
        DeleteFileW(path.c_str());
        return hr;
    }
    std::wstring active_name() { return word().active_document() ? word().active_document()->name : L"none"; }
    // A text property, or the status of its failed get.
    static std::wstring text_of(IDispatch* object, const wchar_t* member) {
        ExcelValue value;
        const HRESULT hr = excel_invoke(object, member, get, {}, &value);
        return value.type() == VT_BSTR ? std::wstring(com::bstr_view(value.get().bstrVal)) : hex(hr);
    }

    com::com_ptr<IDispatch> letter, merge;
};

// The header and the records, fields split by "|", records by "/".
std::wstring source_text(const WordDataSource& source) {
    std::vector<std::vector<std::wstring>> records{source.fields};
    records.insert(records.end(), source.records.begin(), source.records.end());
    std::wstring out;
    for (size_t r = 0; r < records.size(); ++r)
        for (size_t i = 0; i < records[r].size(); ++i)
            out += (i ? L"|" : r ? L"/" : L"") + records[r][i];
    return out;
}

TEST_F(WordStandInTest, DataSourcesAreReadAsWordReadsDelimitedText) {
    // clang-format off
    const std::tuple<const char*, HRESULT, const wchar_t*> cases[] = {
        {"Name\tCity\r\nAnn\tBonn\r\n\r\nBob\tUlm", S_OK, L"Name|City/Ann|Bonn/Bob|Ulm"},
        {"Name\tNote\nAnn\ta,b;c\n", S_OK, L"Name|Note/Ann|a,b;c"},
        {"\xEF\xBB\xBFName\nK\xC3\xB6ln\n", S_OK, L"Name/K\u00F6ln"},
        {"Name,City\nAnn,\"Bonn, Rhein\"\n", S_OK, L"Name|City/Ann|Bonn, Rhein"},
        {"Name;City\r\n\"A \"\"B\"\"\";\"x\r\ny\"\r\n", S_OK, L"Name|City/A \"B\"|x\r\ny"},
        {"Name\tCity\nAnn\tBonn\tUlm\n", DISP_E_EXCEPTION, L""}, {"Name\tCity\nAnn\n", DISP_E_EXCEPTION, L""},
        {"Name\n\"Ann\n", DISP_E_EXCEPTION, L""},                 {nullptr, DISP_E_EXCEPTION, L""},
    };
    // clang-format on
    for (const auto& [bytes, status, read] : cases) {
        word().data_source = {};
        EXPECT_EQ(open_source(bytes), status) << (bytes ? bytes : "no file");
        EXPECT_EQ(source_text(word().data_source), read) << (bytes ? bytes : "no file");
    }
}

TEST_F(WordStandInTest, ExecuteMakesANewActiveDocumentWithASectionPerRecord) {
    EXCEPINFO info{};
    EXPECT_EQ(excel_invoke(merge.get(), L"Execute", call, {}, nullptr, &info), DISP_E_EXCEPTION);
    EXPECT_EQ(com::bstr_view(info.bstrSource), L"Microsoft Word");
    EXPECT_NE(com::bstr_view(info.bstrDescription), L"");
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    ASSERT_EQ(open_source("NAME\tCity\r\nAnn\tBonn\r\nBob\tUlm\r\n"), S_OK);
    ASSERT_EQ(excel_invoke(merge.get(), L"Destination", DISPATCH_PROPERTYPUT, {excel_value(0)}), S_OK);
    ASSERT_EQ(excel_invoke(merge.get(), L"execute", call), S_OK);
    EXPECT_EQ(active_name(), L"Letters1");
    EXPECT_EQ(word().active_document()->text, L"Ann in Bonn \u00ABTitle\u00BB\fBob in Ulm \u00ABTitle\u00BB");
    const auto documents = excel_object(excel_object(letter.get(), L"Application").get(), L"Documents");
    for (const auto& [index, name] : {std::pair{1, L"Letters1"}, std::pair{2, L"main.docx"}})
        EXPECT_EQ(text_of(excel_object(documents.get(), L"Item", {excel_value(index)}).get(), L"Name"), name);
}

TEST_F(WordStandInTest, CopyPasteMovesTheMergedTextAndCloseTakesTheResultOutOfDocuments) {
    ASSERT_EQ(open_source("Name\tcity\nAnn\tBonn\n"), S_OK);
    ASSERT_EQ(excel_invoke(merge.get(), L"Execute", call), S_OK);
    const auto result = excel_object(excel_object(letter.get(), L"Application").get(), L"ActiveDocument");
    const auto result_window = excel_object(result.get(), L"ActiveWindow");
    const auto letter_window = excel_object(letter.get(), L"ActiveWindow");
    const auto result_selection = excel_object(result_window.get(), L"Selection");
    const auto letter_selection = excel_object(letter_window.get(), L"Selection");
    // clang-format off
    const std::tuple<IDispatch*, const wchar_t*, std::vector<ExcelValue>> steps[] = {
        {result_selection.get(), L"WholeStory", {}}, {result_selection.get(), L"Copy", {}},
        {letter_window.get(), L"Activate", {}},      {letter_selection.get(), L"WholeStory", {}},
        {letter_selection.get(), L"PasteAndFormat", {excel_value(16)}},
        {result_window.get(), L"Close", {excel_value(0)}},
    };
    // clang-format on
    for (const auto& [object, member, arguments] : steps)
        ASSERT_EQ(excel_invoke(object, member, call, arguments), S_OK) << member;
    EXPECT_EQ(word().document(L"main.docx")->text, L"Ann in Bonn \u00ABTitle\u00BB");
    EXPECT_EQ(word().open_documents().size(), 1u);
    EXPECT_EQ(active_name(), L"main.docx");
    EXPECT_EQ(excel_invoke(result_selection.get(), L"Copy", call), RPC_E_DISCONNECTED);
}

TEST_F(WordStandInTest, TheProxyHandsOutItsWordDocumentsAndSavesTheirText) {
    com::com_ptr<IHostDocumentProxy> proxy;
    ASSERT_EQ(create_document_proxy(nullptr, __uuidof(IHostDocumentProxy), proxy.put_void()), S_OK);
    host().set_url(L"form.docx", bytes_of("K\xC3\xB6ln \xC2\xABName\xC2\xBB"));
    const com::unique_bstr type(L"Word.Document"), format(L"native"), url(L"form.docx"), saved(L"saved.docx");
    LONG opened = 0, created = 0, error = 0;
    ASSERT_EQ(proxy->OpenDocument(type.get(), format.get(), url.get(), -2, 1281, &opened), S_OK);
    ASSERT_EQ(proxy->CreateDocument(type.get(), format.get(), nullptr, -2, 1281, &created), S_OK);
    com::com_ptr<IDispatch> first, again;
    for (const auto& [handle, name, text] :
         {std::tuple{created, L"Document1", L""},
          std::tuple{opened, L"form.docx", L"K\u00F6ln \u00ABName\u00BB"}}) {
        ASSERT_EQ(proxy->GetDocument(handle, first.put()), S_OK);
        ASSERT_EQ(proxy->GetDocument(handle, again.put()), S_OK);
        EXPECT_EQ(first, again);
        EXPECT_EQ(text_of(first.get(), L"Name"), name);
        EXPECT_EQ(word().document(name)->text, text);
    }
    word().document(L"form.docx")->text = L"\u00DF";
    ASSERT_EQ(proxy->SaveDocumentToURL(opened, saved.get(), &error), S_OK);
    Bytes bytes;
    ASSERT_TRUE(host().read_url(L"saved.docx", bytes));
    EXPECT_EQ(bytes, bytes_of("\xC3\x9F"));
    ASSERT_EQ(proxy->CloseDocument(opened, 0, nullptr), S_OK);
    EXPECT_EQ(text_of(first.get(), L"Name"), hex(RPC_E_DISCONNECTED));
}

} // namespace
} // namespace vex::test
