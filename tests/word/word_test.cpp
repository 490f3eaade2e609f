// The word component against the stand-in Word, as a host drives it through the factory, the document
// container and the host's document proxy: the field merge's states and failures, macros, printing.
#include "com/object.h"
#include "support/com_test.h"
#include "standins/word.h"

#include <algorithm>

namespace vex::test {
namespace {

constexpr wchar_t component_name[] = L"CVEX_Word_WOB";
const std::string letter = "Dear \xC2\xAB"
                           "Name\xC2\xBB, order \xC2\xAB"
                           "Order\xC2\xBB ships today.";
const std::string fields = "Name\tOrder\r\nAnna\t4711\r\nBen\t4712\r\n";
const std::wstring merged = L"Dear Anna, order 4711 ships today.\fDear Ben, order 4712 ships today.";

// The bytes as a byte array, the way a host hands field data over.
void byte_array(std::string_view bytes, com::unique_variant& v) {
    v.reset();
    v->vt = VT_ARRAY | VT_UI1;
    v->parray = SafeArrayCreateVector(VT_UI1, 1, static_cast<ULONG>(bytes.size()));
    void* data = nullptr;
    SafeArrayAccessData(v->parray, &data);
    std::copy(bytes.begin(), bytes.end(), static_cast<char*>(data));
    SafeArrayUnaccessData(v->parray);
}

// An environment that refuses to change its in-place mode.
class RefusingEnvironment : public com::ObjectRoot, public IVEX_Environment {
public:
    static std::span<const com::InterfaceEntry> interfaces() {
        static const com::InterfaceEntry entries[] = {
            VEX_INTERFACE_ENTRY(RefusingEnvironment, IVEX_Environment)};
        return entries;
    }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP getSupportedApplications(VARIANT*) override { return S_OK; }
    STDMETHODIMP setTrace(IDispatch*) override { return S_OK; }
    STDMETHODIMP setInplace(LONG) override { return E_ACCESSDENIED; }
    STDMETHODIMP getInplace(LONG* value) override { return *value = 1, S_OK; }
    STDMETHODIMP setAutosave(LONG, LONG) override { return S_OK; }
    STDMETHODIMP setTraceTyp(LONG) override { return S_OK; }
    STDMETHODIMP setProtection(LONG) override { return S_OK; }
    STDMETHODIMP getVersion(BSTR*) override { return S_OK; }
    STDMETHODIMP Initialize(IVEX_Factory*) override { return S_OK; }
    STDMETHODIMP setVersion(BSTR) override { return S_OK; }
};

class WordTest : public ComTest {
protected:
    void SetUp() override { open(false); }
    void TearDown() override {
        word_component = nullptr;
        container = nullptr;
        factory = nullptr;
        proxy = nullptr;
        ComTest::TearDown();
    }
    // A host with the letter open in place or out of place, and the word component.
    void open(bool in_place) {
        ComTest::SetUp();
        factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
        create_document_proxy(nullptr, IID_IUnknown, proxy.put_void());
        factory->setControl(proxy.get());
        factory->put_activateInPlace(in_place ? VARIANT_TRUE : VARIANT_FALSE);
        factory->setDocumentType(1);
        host().set_url(L"letter.docx", bytes_of(letter));
        com::com_ptr<IDispatch> dispatch;
        factory->createproxy(3, dispatch.put());
        container = com::query<IVEX_GeneralDocumentContainer>(dispatch.get());
        com::unique_bstr url(L"letter.docx"), content(L"letter-content.docx");
        container->setDocumentdataUrl(url.get(), content.get());
        ASSERT_EQ(container->opendocument(), S_OK);
        factory->createproxy(6, dispatch.put());
        word_component = com::query<IVEX_Word>(dispatch.get());
        host().calls.clear();
        trace_log().records.clear();
    }
    HRESULT merge(std::string_view data = fields) {
        com::unique_variant bytes;
        byte_array(data, bytes);
        return word_component->setFields(*bytes.get());
    }
    // What the proxy was asked to open, create and close.
    Lines documents_asked() {
        Lines out;
        for (const auto& call : host().calls)
            if (call.find(L"Document(") != std::wstring::npos && !call.starts_with(L"GetDocument"))
                out.push_back(call);
        return out;
    }
    size_t data_files() {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((WordStandIn::temp_folder() + L"*KEMfield*").c_str(), &found);
        size_t n = 0;
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
            ++n;
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        return n;
    }
    // What holds after every merge, good or failed: no data file, Word drawing, automatic save on.
    void expect_restored() {
        EXPECT_EQ(data_files(), 0u);
        EXPECT_TRUE(word().screen_updating);
        container->opendocument();
        trace_log().records.clear();
        container->closedocument();
        const Lines got = lines(L"CCVEX_GeneralDocumentContainer_Karvo");
        EXPECT_EQ(std::count(got.begin(), got.end(), L"warning Automaticsave disabled! 0x00000000"), 0);
    }
    // The component's error traces, without their status.
    Lines errors() {
        Lines out;
        for (const auto& line : lines(component_name))
            if (line.starts_with(L"error "))
                out.push_back(line.substr(6, line.rfind(L' ') - 6));
        return out;
    }
    std::wstring last_error() {
        const Lines got = errors();
        return got.empty() ? L"" : got.back();
    }

    com::com_ptr<IVEX_Factory> factory;
    com::com_ptr<IUnknown> proxy;
    com::com_ptr<IVEX_GeneralDocumentContainer> container;
    com::com_ptr<IVEX_Word> word_component;
};

TEST_F(WordTest, MergesIntoAFreshDocumentFirstSecondTimeAndInPlace) {
    const std::wstring create = L"CreateDocument(Word.Document, native, , -2, 1281)";
    const std::wstring reopen = L"OpenDocument(Word.Document, native, letter.docx, -2, 1281)";
    struct Case {
        bool in_place;
        int merges;
        Lines asked;
    };
    const Case cases[] = {
        // Open out of place: merged from the open letter, then closed for the fresh document.
        {false, 1, {L"CloseDocument(100, 0)", create}},
        // The second merge reloads the letter first.
        {false,
         2,
         {L"CloseDocument(100, 0)", create, L"CloseDocument(101, 0)", reopen, L"CloseDocument(102, 0)",
          create}},
        // In place: reopened out of place for the merge, the fresh document in place again.
        {true,
         1,
         {L"CloseDocument(100, 0)", reopen, L"CloseDocument(101, 0)",
          L"CreateDocument(Word.Document, native, , -4, 1281)"}},
    };
    for (const Case& c : cases) {
        if (&c != cases) {
            TearDown();
            open(c.in_place);
        }
        for (int i = 0; i < c.merges; ++i)
            EXPECT_EQ(merge(), S_OK) << last_error();
        EXPECT_EQ(documents_asked(), c.asked);
        EXPECT_EQ(word().active_document()->text, merged);
        LONG in_place = -1;
        com::com_ptr<IDispatch> environment;
        factory->createproxy(1, environment.put());
        com::query<IVEX_Environment>(environment.get())->getInplace(&in_place);
        EXPECT_EQ(in_place, c.in_place ? 1 : 0);
        expect_restored();
    }
}

TEST_F(WordTest, AFailingStepIsReportedAndWordTheContainerAndTheDataFilesAreRestored) {
    struct Case {
        const wchar_t* failing; // a Word member made to fail, or a proxy operation
        bool proxy_operation;
        std::string data;
        HRESULT status;
        const wchar_t* error; // the step's error, among those the component traced
    };
    const Case cases[] = {
        {L"MailMerge.OpenDataSource", false, fields, E_FAIL, L"invokeMethodByName: OpenDataSource"},
        {L"MailMerge.Execute", false, fields, E_FAIL, L"invokeMethodByName: Execute"},
        {L"Selection.Copy", false, fields, E_FAIL, L"invokeMethodByName: copyNewDocument"},
        {L"GetDocument", true, fields, E_ACCESSDENIED, L"setFields: getWordobject"},
        {L"CloseDocument", true, fields, E_ACCESSDENIED, L"invokeMethodByName: copyNewDocument"},
        {L"CreateDocument", true, fields, E_ACCESSDENIED, L"invokeMethodByName: copyNewDocument"},
        {nullptr, false, "N", E_INVALIDARG, L"writeFieldsToFile"}, // one byte: no data source
        {nullptr, false, "", E_INVALIDARG, L"writeFieldsToFile"},
    };
    for (const Case& c : cases) {
        if (&c != cases) {
            TearDown();
            open(false);
        }
        if (c.failing && c.proxy_operation)
            host().failures[c.failing] = c.status;
        else if (c.failing)
            word().fail(c.failing, c.status);
        EXPECT_EQ(merge(c.data), c.status) << c.error;
        const Lines got = errors();
        EXPECT_NE(std::find(got.begin(), got.end(), c.error), got.end()) << c.error;
        host().failures.clear();
        expect_restored();
    }

    // An environment that refuses to switch to out of place: the merge stops there.
    TearDown();
    open(false);
    com::com_ptr<IVEX_Environment> refusing;
    ASSERT_EQ(com::ComObject<RefusingEnvironment>::create(nullptr, IID_IVEX_Environment, refusing.put_void()),
              S_OK);
    word_component->Initialize(factory.get(), container.get(), refusing.get());
    EXPECT_EQ(merge(), E_ACCESSDENIED);
    EXPECT_EQ(errors().at(1), L"checkFieldEnviroment");
    expect_restored();
}

TEST_F(WordTest, DataArriveIntactWhateverTheirSizeAndOnlyAsBytes) {
    const std::string name(20 * 1024 * 1024, 'x');
    EXPECT_EQ(merge("Name\tOrder\r\n" + name + "\t1\r\n"), S_OK);
    EXPECT_EQ(word().active_document()->text,
              L"Dear " + std::wstring(name.size(), L'x') + L", order 1 ships today.");

    com::unique_bstr text(L"Name\tOrder");
    VARIANT not_bytes;
    VariantInit(&not_bytes);
    not_bytes.vt = VT_BSTR;
    not_bytes.bstrVal = text.get();
    EXPECT_TRUE(FAILED(word_component->setFields(not_bytes)));
    expect_restored();
}

TEST_F(WordTest, PrintsAndRunsSignedMacros) {
    EXPECT_EQ(word_component->printdocument(0), S_OK);
    EXPECT_EQ(word_component->printdocument(1), S_OK);
    EXPECT_EQ(word().document(L"letter.docx")->printouts, (Lines{L"PrintOut()", L"Exec(6, 1)"}));

    struct Case {
        const wchar_t* name;
        bool is_signed;
        HRESULT status;
        const wchar_t* error;
    };
    const Case cases[] = {
        {L"Tidy", true, S_OK, L""},
        {L"letter.Module1.Tidy", true, S_OK, L""},
        {L"Tidy", false, E_FAIL, L"Macro:Tidy not signed!"},
        {L"", true, E_FAIL, L"No macroname defined!"},
        {L"memo.Module1.Tidy", true, E_FAIL,
         L"No open document containg macro found! Searched document: memo"},
    };
    for (const Case& c : cases) {
        trace_log().records.clear();
        word().macros_run.clear();
        word().document(L"letter.docx")->vba_signed = c.is_signed;
        com::unique_bstr name(c.name);
        EXPECT_EQ(word_component->runmacro(name.get()), c.status) << std::wstring(c.name);
        EXPECT_EQ(last_error(), c.error);
        EXPECT_EQ(word().macros_run, c.status == S_OK ? Lines{c.name} : Lines{});
    }
    EXPECT_EQ(word().document(L"letter.docx")->attached_template,
              WordStandIn::templates_folder() + L"letter.dot");
}

// The component does not keep its factory alive; without it, what needs the factory fails.
TEST_F(WordTest, WithoutItsFactoryTheComponentSaysSo) {
    factory = nullptr;
    EXPECT_EQ(word_component->setTraceTyp(5), 4);
    com::unique_bstr url(L"fields.txt");
    EXPECT_EQ(word_component->setFields_gui(url.get()), E_FAIL);
    EXPECT_EQ(last_error(), L"get_dp_table");
    trace_log().records.clear();
    EXPECT_EQ(merge(), E_FAIL);
    EXPECT_EQ(errors(), (Lines{L"m_pfactory->metaSource", L"checkFieldEnviroment"}));
}

} // namespace
} // namespace vex::test
