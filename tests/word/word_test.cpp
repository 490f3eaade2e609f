// The word component against the stand-in Word, as a host drives it through the factory, the document
// container and the host's document proxy: the field merge's states and failures, macros, printing.
#include "environment/environment.h"
#include "support/com_test.h"
#include "standins/word.h"

#include <algorithm>
#include <filesystem>

namespace vex::test {
namespace {

const std::string letter = "Dear \xC2\xABName\xC2\xBB, order \xC2\xABOrder\xC2\xBB ships today.";
const std::string fields = "Name\tOrder\r\nAnna\t4711\r\nBen\t4712\r\n";
const std::wstring merged = L"Dear Anna, order 4711 ships today.\fDear Ben, order 4712 ships today.";

// The environment, in place as it starts, refusing to change that.
struct RefusingEnvironment : CVEX_Environment_Karvo {
    STDMETHODIMP setInplace(LONG) override { return E_ACCESSDENIED; }
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
    // Merges the field data, handed over as a byte array as a host does.
    HRESULT merge(std::string_view data = fields) {
        com::unique_variant bytes;
        bytes->vt = VT_ARRAY | VT_UI1;
        bytes->parray = SafeArrayCreateVector(VT_UI1, 1, static_cast<ULONG>(data.size()));
        std::copy(data.begin(), data.end(), static_cast<char*>(bytes->parray->pvData));
        return word_component->setFields(*bytes.get());
    }
    size_t data_files() {
        size_t n = 0;
        for (const auto& file : std::filesystem::directory_iterator(WordStandIn::temp_folder()))
            n += file.path().filename().wstring().find(L"KEMfield") != std::wstring::npos;
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
        for (const auto& line : lines(L"CVEX_Word_WOB"))
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

// Out of place the merge works on the open letter and closes it for the fresh document; a second merge
// reloads the letter first; in place the letter is reopened out of place for the merge and the fresh
// document opened in place again.
TEST_F(WordTest, MergesIntoAFreshDocumentFirstSecondTimeAndInPlace) {
    const std::wstring create = L"CreateDocument(Word.Document, native, , -2, 1281)";
    const std::wstring reopen = L"OpenDocument(Word.Document, native, letter.docx, -2, 1281)";
    const std::wstring close[] = {L"CloseDocument(100, 0)", L"CloseDocument(101, 0)",
                                  L"CloseDocument(102, 0)"};
    const struct {
        bool in_place;
        int merges;
        Lines asked; // what the proxy was asked to open, create and close
    } cases[] = {
        {false, 1, {close[0], create}},
        {false, 2, {close[0], create, close[1], reopen, close[2], create}},
        {true, 1, {close[0], reopen, close[1], L"CreateDocument(Word.Document, native, , -4, 1281)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        if (&c != cases) {
            TearDown();
            open(c.in_place);
        }
        for (int i = 0; i < c.merges; ++i)
            EXPECT_EQ(merge(), S_OK) << last_error();
        Lines asked;
        for (const auto& call : host().calls)
            if (call.find(L"Document(") != std::wstring::npos && !call.starts_with(L"GetDocument"))
                asked.push_back(call);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(word().active_document()->text, merged);
        LONG in_place = -1;
        com::com_ptr<IDispatch> environment;
        factory->createproxy(1, environment.put());
        com::query<IVEX_Environment>(environment.get())->getInplace(&in_place);
        EXPECT_EQ(in_place, c.in_place ? 1 : 0);
        expect_restored();
    }
}

// A failing step (a Word member "Object.Member" or a proxy operation) or data without a data source
// fail the merge with the step's status and error; Word, the container and the data files are restored.
TEST_F(WordTest, AFailingStepIsReportedAndWordTheContainerAndTheDataFilesAreRestored) {
    const struct {
        const wchar_t* failing;
        const char* data;
        HRESULT status;
        const wchar_t* error; // among those the component traced
    } cases[] = {
        {L"MailMerge.OpenDataSource", nullptr, E_FAIL, L"invokeMethodByName: OpenDataSource"},
        {L"MailMerge.Execute", nullptr, E_FAIL, L"invokeMethodByName: Execute"},
        {L"Selection.Copy", nullptr, E_FAIL, L"invokeMethodByName: copyNewDocument"},
        {L"GetDocument", nullptr, E_ACCESSDENIED, L"setFields: getWordobject"},
        {L"CloseDocument", nullptr, E_ACCESSDENIED, L"invokeMethodByName: copyNewDocument"},
        {L"CreateDocument", nullptr, E_ACCESSDENIED, L"invokeMethodByName: copyNewDocument"},
        {nullptr, "N", E_INVALIDARG, L"writeFieldsToFile"}, // one byte: no data source
        {nullptr, "", E_INVALIDARG, L"writeFieldsToFile"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        if (&c != cases) {
            TearDown();
            open(false);
        }
        if (c.failing && wcschr(c.failing, L'.'))
            word().fail(c.failing, c.status);
        else if (c.failing)
            host().failures[c.failing] = c.status;
        EXPECT_EQ(merge(c.data ? c.data : fields), c.status);
        const Lines got = errors();
        EXPECT_NE(std::find(got.begin(), got.end(), c.error), got.end());
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
    VARIANT not_bytes{};
    not_bytes.vt = VT_BSTR;
    not_bytes.bstrVal = text.get();
    EXPECT_TRUE(FAILED(word_component->setFields(not_bytes)));
    expect_restored();
}

TEST_F(WordTest, PrintsAndRunsSignedMacros) {
    EXPECT_EQ(word_component->printdocument(0), S_OK);
    EXPECT_EQ(word_component->printdocument(1), S_OK);
    EXPECT_EQ(word().document(L"letter.docx")->printouts, (Lines{L"PrintOut()", L"Exec(6, 1)"}));

    const struct {
        const wchar_t* name;
        bool is_signed;
        HRESULT status;
        const wchar_t* error; // the last error traced
    } cases[] = {
        {L"Tidy", true, S_OK, L""},
        {L"letter.Module1.Tidy", true, S_OK, L""},
        {L"Tidy", false, E_FAIL, L"Macro:Tidy not signed!"},
        {L"", true, E_FAIL, L"No macroname defined!"},
        {L"memo.Module1.Tidy", true, E_FAIL,
         L"No open document containg macro found! Searched document: memo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        trace_log().records.clear();
        word().macros_run.clear();
        word().document(L"letter.docx")->vba_signed = c.is_signed;
        EXPECT_EQ(word_component->runmacro(com::unique_bstr(c.name).get()), c.status);
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
