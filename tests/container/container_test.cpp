// The document container against the stand-in document proxy: opening and creating, content, saving
// and closing, wiring, its connection point and its own life.
#include "support/com_test.h"

#include <olectl.h>

#include <functional>

namespace vex::test {
namespace {

constexpr wchar_t container_name[] = L"CCVEX_GeneralDocumentContainer_Karvo";

class ContainerTest : public ComTest {
public:
    void SetUp() override {
        ComTest::SetUp();
        container = create<IVEX_GeneralDocumentContainerFull>(L"KEM.VEX_GeneralDContainer_Gui");
        environment = create<IVEX_Environment>(L"KEM.VEX_Environment_Gui");
        ASSERT_EQ(create_document_proxy(nullptr, IID_IUnknown, proxy.put_void()), S_OK);
        ASSERT_EQ(container->setControl(proxy.get()), S_OK);
        ASSERT_EQ(container->setEnvironment(environment.get()), S_OK);
        host().set_url(L"book.xlsx", bytes_of("workbook bytes"));
        restart();
    }
    void TearDown() override {
        container = nullptr;
        environment = nullptr;
        proxy = nullptr;
        ComTest::TearDown();
    }
    void again() {
        TearDown();
        SetUp();
    }
    void restart() {
        trace_log().records.clear();
        host().calls.clear();
    }
    void urls(const wchar_t* url, const wchar_t* url2) {
        com::unique_bstr a(url), b(url2);
        container->setDocumentdataUrl(a.get(), b.get());
    }
    // An Excel workbook opened from book.xlsx, out of place.
    void open_book() {
        container->setDocumentType(2);
        environment->setInplace(0);
        urls(L"book.xlsx", L"copy.xlsx");
        ASSERT_EQ(container->opendocument(), S_OK);
        restart();
    }
    bool is_open() {
        VARIANT_BOOL state = 123;
        EXPECT_EQ(container->isOpen(&state), S_OK);
        return state == VARIANT_TRUE;
    }
    // The container's error and warning traces, in order.
    Lines complaints() {
        Lines out;
        for (const auto& line : lines(container_name))
            if (line.starts_with(L"error ") || line.starts_with(L"warning "))
                out.push_back(line);
        return out;
    }

    com::com_ptr<IVEX_GeneralDocumentContainerFull> container;
    com::com_ptr<IVEX_Environment> environment;
    com::com_ptr<IUnknown> proxy;
};

// The type and the placement (-4 in place only for exactly 1, else -2) go to the proxy's call, which is
// followed by the operation status unless refused; the document is open exactly when the call
// returns S_OK.
TEST_F(ContainerTest, OpeningAndCreatingGoThroughTheProxy) {
    // What a case changes besides document type, in-place mode and URL.
    enum Change { none, refused, reports, no_env, env_by_unknown, foreign_env, no_proxy, foreign_proxy };
    struct Case {
        const char* what;
        Change change;
        bool create;
        LONG type, inplace;
        const wchar_t* url;
        HRESULT status;
        const wchar_t *call, *complaint = nullptr;
    };
    const wchar_t* book = L"book.xlsx";
    const Case cases[] = {
        {"out of place", none, false, 2, 0, book, S_OK, L"OpenDocument(Excel., native, book.xlsx, -2, 1281)"},
        {"in place for 1", none, false, 1, 1, book, S_OK,
         L"OpenDocument(Word.Document, native, book.xlsx, -4, 1281)"},
        {"mode 2", none, false, 3, 2, book, S_OK, L"OpenDocument(POWERPOINT., native, book.xlsx, -2, 1281)"},
        {"unknown type", none, false, 7, 0, book, S_OK, L"OpenDocument(, native, book.xlsx, -2, 1281)"},
        {"no URL", none, false, 2, 0, nullptr, 8, nullptr, L"error document is empty 0x00000008"},
        {"an empty URL", none, false, 2, 0, L"", 8, nullptr, L"error document is empty 0x00000008"},
        {"operation status", reports, false, 2, 0, book, 5,
         L"OpenDocument(Excel., native, book.xlsx, -2, 1281)"},
        {"refused", refused, false, 2, 0, book, STG_E_ACCESSDENIED,
         L"OpenDocument(Excel., native, book.xlsx, -2, 1281)", L"error pDisp->OpenDocument 0x80030005"},
        {"no environment", no_env, false, 2, 0, book, E_FAIL, nullptr,
         L"error m_penvironment == NULL 0x80004005"},
        {"an environment by any pointer", env_by_unknown, false, 2, 1, book, S_OK,
         L"OpenDocument(Excel., native, book.xlsx, -4, 1281)"},
        {"something else as environment", foreign_env, false, 2, 1, book, E_FAIL, nullptr,
         L"error m_penvironment == NULL 0x80004005"},
        {"create in place", none, true, 1, 1, book, S_OK,
         L"CreateDocument(Word.Document, native, , -4, 1281)"},
        {"create without environment", no_env, true, 1, 1, book, S_OK,
         L"CreateDocument(Word.Document, native, , -2, 1281)"},
        {"create refused", refused, true, 0, 1, book, E_OUTOFMEMORY, L"CreateDocument(, native, , -4, 1281)",
         L"error pDisp->CreateDocument 0x8007000E"},
        {"no proxy", no_proxy, false, 2, 0, book, E_FAIL, nullptr, L"error no document proxy 0x80004005"},
        {"not a proxy", foreign_proxy, true, 2, 0, book, E_FAIL, nullptr,
         L"error no document proxy 0x80004005"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        again();
        container->setDocumentType(c.type);
        environment->setInplace(c.inplace);
        if (c.url)
            urls(c.url, L"copy.xlsx");
        if (c.change == refused)
            host().failures[c.create ? L"CreateDocument" : L"OpenDocument"] = c.status;
        if (c.change == reports)
            host().operation_status = c.status;
        if (c.change == no_env)
            container->setEnvironment(static_cast<IVEX_Environment*>(nullptr));
        if (c.change == env_by_unknown || c.change == foreign_env)
            container->setEnvironment(c.change == env_by_unknown ? static_cast<IUnknown*>(environment.get())
                                                                 : proxy.get());
        if (c.change == no_proxy || c.change == foreign_proxy)
            container->setControl(c.change == no_proxy ? nullptr
                                                       : create<IUnknown>(L"KEM.VEX_Trace_Gui").get());
        restart();
        EXPECT_EQ(c.create ? container->createdocument() : container->opendocument(), c.status);
        Lines calls;
        if (c.call)
            calls.push_back(c.call);
        if (c.call && c.change != refused)
            calls.push_back(L"GetOperationStatus()");
        EXPECT_EQ(host().calls, calls);
        EXPECT_EQ(is_open(), c.status == S_OK);
        EXPECT_EQ(complaints(), c.complaint ? Lines{c.complaint} : Lines{});
    }
}

// An open workbook: its content is the document saved to the second URL, as a byte array from 1;
// saving goes to the first URL and reports the proxy's own complaint without failing; a refused open
// keeps the document and its handle, under which the proxy hands out the application; released, the
// container closes it without saving.
TEST_F(ContainerTest, AnOpenDocumentsContentSavingAndClosing) {
    EXPECT_EQ(container->closedocument(), S_OK); // nothing open: the proxy is not asked
    open_book();
    com::unique_variant content;
    ASSERT_EQ(container->getContent(content.get()), S_OK);
    ASSERT_EQ(content->vt, VT_ARRAY | VT_UI1);
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(content->parray, 1, &lower);
    SafeArrayGetUBound(content->parray, 1, &upper);
    EXPECT_EQ(lower, 1);
    const auto* data = static_cast<const BYTE*>(content->parray->pvData);
    EXPECT_EQ(Bytes(data, data + (upper - lower + 1)), bytes_of("workbook bytes"));
    host().save_error = 17;
    EXPECT_EQ(container->savedocument(), S_OK);
    host().failures[L"OpenDocument"] = STG_E_ACCESSDENIED;
    container->opendocument();
    com::com_ptr<IDispatch> first, second;
    ASSERT_EQ(container->getApplication(first.put()), S_OK);
    ASSERT_EQ(container->getApplication(second.put()), S_OK);
    EXPECT_TRUE(first);
    EXPECT_EQ(first, second);
    container = nullptr;
    EXPECT_EQ(host().calls, (Lines{L"GetDocumentProvider(100)", L"SaveDocumentToURL(100, copy.xlsx)",
                                   L"GetDataAsLockBytes(, )", L"Stat(0)", L"ReadAt(0, 14)",
                                   L"SaveDocumentToURL(100, book.xlsx)",
                                   L"OpenDocument(Excel., native, book.xlsx, -2, 1281)", L"GetDocument(100)",
                                   L"GetDocument(100)", L"CloseDocument(100, 0)"}));
    EXPECT_EQ(complaints(),
              (Lines{L"error ERror in SaveDocumentToURL 0x00000000", L"error pDisp->OpenDocument 0x80030005",
                     L"warning Automaticsave disabled! 0x00000000"}));
}

// A step the proxy refuses fails with its status and says so; so does a closing release.
TEST_F(ContainerTest, RefusalsAreTheFailingStepsStatus) {
    enum Step { save, close, content, application, release };
    struct Case {
        Step step;
        const wchar_t* refused;
        HRESULT status;
        const wchar_t* complaint;
    };
    const Case cases[] = {
        {save, L"SaveDocumentToURL", STG_E_MEDIUMFULL, nullptr},
        {close, L"CloseDocument", E_ACCESSDENIED, L"error CloseDocument 0x80070005"},
        {release, L"CloseDocument", E_ACCESSDENIED, L"error OLECLOSE 0x80070005"},
        {application, L"GetDocument", E_UNEXPECTED, L"error pDisp->GetDocument 0x8000FFFF"},
        {content, L"GetDocumentProvider", E_ACCESSDENIED, L"error GetDocumentProvider 0x80070005"},
        {content, L"provider", E_FAIL, L"error dataprovider == NULL 0x80004005"},
        {content, L"SaveDocumentToURL", STG_E_MEDIUMFULL, L"error savedocument_tourl 0x80030070"},
        {content, L"GetDataAsLockBytes", E_OUTOFMEMORY, L"error dataprovider->GetDataAsLockBytes 0x8007000E"},
        {content, L"ReadAt", STG_E_READFAULT, L"error getBytes .. 0x8003001E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.refused, c.refused + wcslen(c.refused)));
        again();
        open_book();
        host().failures[c.refused] = c.status;
        host().provider_answers = std::wstring(c.refused) != L"provider";
        host().lock_bytes.read_result = std::wstring(c.refused) == L"ReadAt" ? c.status : S_OK;
        com::unique_variant out;
        com::com_ptr<IDispatch> document;
        HRESULT hr = S_OK;
        switch (c.step) {
        case save:
            hr = container->savedocument();
            break;
        case close:
            hr = container->closedocument();
            EXPECT_TRUE(is_open());
            break;
        case content:
            hr = container->getContent(out.get());
            EXPECT_EQ(out->vt, VT_EMPTY);
            break;
        case application:
            hr = container->getApplication(document.put());
            break;
        case release:
            container = nullptr;
            hr = c.status;
        }
        EXPECT_EQ(hr, c.status);
        const Lines said = complaints();
        EXPECT_EQ(said.empty() ? L"" : said.back(), std::wstring(c.complaint ? c.complaint : L""));
    }
}

// Disabling events switches automatic save off and enabling them on again; only VARIANT_TRUE is true.
// A document closed without automatic save is closed all the same, with a warning.
TEST_F(ContainerTest, EventingAndAutomaticSaveGoTogether) {
    const auto warns_on_close = [&]() {
        open_book();
        container->closedocument();
        return complaints() == Lines{L"warning Automaticsave disabled! 0x00000000"};
    };
    container->put_disableEventing(VARIANT_TRUE);
    EXPECT_TRUE(warns_on_close());
    container->put_automaticSave(VARIANT_FALSE);
    container->put_disableEventing(0);
    EXPECT_FALSE(warns_on_close());
    container->put_automaticSave(1);
    EXPECT_TRUE(warns_on_close());
    container->put_automaticSave(VARIANT_TRUE);
    EXPECT_FALSE(warns_on_close());
}

// The factory only after Initialize; the interface handed out with a reference of its own; the
// proxy kept without a reference.
TEST_F(ContainerTest, Wiring) {
    com::com_ptr<IVEX_Factory> got;
    EXPECT_EQ(container->getFactory(got.put()), E_FAIL);
    EXPECT_EQ(container->Initialize(nullptr), E_FAIL);
    auto factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
    EXPECT_EQ(container->Initialize(factory.get()), S_OK);
    ASSERT_EQ(container->getFactory(got.put()), S_OK);
    EXPECT_EQ(identity(got.get()), identity(factory.get()));

    const auto references = [](IUnknown* object) { return object->AddRef(), object->Release(); };
    const ULONG refs = references(container.get()), proxy_refs = references(proxy.get());
    com::com_ptr<IDispatch> handed;
    ASSERT_EQ(container->QueryGeneralDocumentInterface(handed.put()), S_OK);
    EXPECT_EQ(handed.get(), static_cast<IDispatch*>(container.get()));
    EXPECT_EQ(references(container.get()), refs + 1);
    EXPECT_EQ(container->QueryGeneralDocumentInterface(nullptr), E_POINTER);
    container->setControl(proxy.get());
    EXPECT_EQ(references(proxy.get()), proxy_refs);
}

// A sink of the container's (empty) event interface, or of none.
class EventSink final : public IDispatch {
public:
    explicit EventSink(bool events) : m_events(events) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        const bool mine = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
                          (m_events && IsEqualIID(iid, DIID__IVEX_GeneralDocumentContainerEvents));
        *out = mine ? static_cast<IDispatch*>(this) : nullptr;
        return mine ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return ++invokes, S_OK;
    }
    LONG refs = 1;
    int invokes = 0;

private:
    bool m_events;
};

// One connection point, for the event interface, where sinks of it advise and unadvise; nothing the
// container does fires an event, and the last sink goes with the container.
TEST_F(ContainerTest, OneConnectionPointWhereSinksAdviseAndUnadvise) {
    auto points = com::query<IConnectionPointContainer>(container.get());
    com::com_ptr<IConnectionPoint> point;
    EXPECT_EQ(points->FindConnectionPoint(IID_IDispatch, point.put()), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(points->FindConnectionPoint(DIID__IVEX_GeneralDocumentContainerEvents, point.put()), S_OK);
    EventSink a(true), b(true), stranger(false);
    DWORD cookie_a = 0, cookie_b = 0, cookie_c = 0;
    ASSERT_EQ(point->Advise(&a, &cookie_a), S_OK);
    ASSERT_EQ(point->Advise(&b, &cookie_b), S_OK);
    EXPECT_NE(cookie_a, cookie_b);
    EXPECT_EQ(point->Advise(&stranger, &cookie_c), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(point->Unadvise(cookie_a), S_OK);
    EXPECT_EQ(point->Unadvise(cookie_a), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(a.refs + stranger.refs, 2);
    open_book();
    container->closedocument();
    restart();
    points = nullptr, point = nullptr, container = nullptr;
    EXPECT_EQ(b.invokes, 0);
    EXPECT_EQ(b.refs, 1);
    EXPECT_TRUE(host().calls.empty()); // a closed document is not closed again
}

} // namespace
} // namespace vex::test
