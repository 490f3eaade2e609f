// The document container against the stand-in document proxy: opening and creating, closing and
// saving, content, wiring, its connection point and its own life.
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
    void restart() {
        trace_log().records.clear();
        host().calls.clear();
    }
    void urls(const wchar_t* url, const wchar_t* url2) {
        com::unique_bstr a(url ? url : L""), b(url2 ? url2 : L"");
        container->setDocumentdataUrl(url ? a.get() : nullptr, url2 ? b.get() : nullptr);
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

TEST_F(ContainerTest, OpeningAndCreatingGoThroughTheProxy) {
    struct Case {
        const char* what;
        std::function<void(ContainerTest&)> setup;
        bool create;
        HRESULT status;
        Lines calls;
        bool open;
        Lines complaints;
    };
    const auto mode = [](LONG inplace, LONG type = 2) {
        return [=](ContainerTest& t) {
            t.container->setDocumentType(type);
            t.environment->setInplace(inplace);
            t.urls(L"book.xlsx", nullptr);
        };
    };
    const Case cases[] = {
        {"out of place",
         mode(0),
         false,
         S_OK,
         {L"OpenDocument(Excel., native, book.xlsx, -2, 1281)", L"GetOperationStatus()"},
         true,
         {}},
        {"in place only for exactly 1",
         mode(1, 1),
         false,
         S_OK,
         {L"OpenDocument(Word.Document, native, book.xlsx, -4, 1281)", L"GetOperationStatus()"},
         true,
         {}},
        {"mode 2 is out of place",
         mode(2, 3),
         false,
         S_OK,
         {L"OpenDocument(POWERPOINT., native, book.xlsx, -2, 1281)", L"GetOperationStatus()"},
         true,
         {}},
        {"unknown type",
         mode(0, 7),
         false,
         S_OK,
         {L"OpenDocument(, native, book.xlsx, -2, 1281)", L"GetOperationStatus()"},
         true,
         {}},
        {"no URL",
         [](ContainerTest& t) { t.container->setDocumentType(2); },
         false,
         8,
         {},
         false,
         {L"error document is empty 0x00000008"}},
        {"an empty URL",
         [](ContainerTest& t) { t.urls(L"", L"x"); },
         false,
         8,
         {},
         false,
         {L"error document is empty 0x00000008"}},
        {"operation status",
         [&](ContainerTest& t) {
             mode(0)(t);
             HostServices::instance().operation_status = 5;
         },
         false,
         5,
         {L"OpenDocument(Excel., native, book.xlsx, -2, 1281)", L"GetOperationStatus()"},
         false,
         {}},
        {"refused",
         [&](ContainerTest& t) {
             mode(0)(t);
             HostServices::instance().failures[L"OpenDocument"] = STG_E_ACCESSDENIED;
         },
         false,
         STG_E_ACCESSDENIED,
         {L"OpenDocument(Excel., native, book.xlsx, -2, 1281)"},
         false,
         {L"error pDisp->OpenDocument 0x80030005"}},
        {"no environment",
         [](ContainerTest& t) {
             t.urls(L"book.xlsx", nullptr);
             t.container->setEnvironment(static_cast<IVEX_Environment*>(nullptr));
         },
         false,
         E_FAIL,
         {},
         false,
         {L"error m_penvironment == NULL 0x80004005"}},
        {"an environment by any pointer",
         [&](ContainerTest& t) {
             mode(1)(t);
             t.container->setEnvironment(static_cast<IUnknown*>(t.environment.get()));
         },
         false,
         S_OK,
         {L"OpenDocument(Excel., native, book.xlsx, -4, 1281)", L"GetOperationStatus()"},
         true,
         {}},
        {"something else as environment",
         [&](ContainerTest& t) {
             mode(1)(t);
             t.container->setEnvironment(static_cast<IUnknown*>(t.proxy.get()));
         },
         false,
         E_FAIL,
         {},
         false,
         {L"error m_penvironment == NULL 0x80004005"}},
        {"create in place",
         mode(1, 1),
         true,
         S_OK,
         {L"CreateDocument(Word.Document, native, , -4, 1281)", L"GetOperationStatus()"},
         true,
         {}},
        {"create without environment",
         [](ContainerTest& t) {
             t.container->setDocumentType(1);
             t.container->setEnvironment(static_cast<IVEX_Environment*>(nullptr));
         },
         true,
         S_OK,
         {L"CreateDocument(Word.Document, native, , -2, 1281)", L"GetOperationStatus()"},
         true,
         {}},
        {"create refused",
         [](ContainerTest&) { HostServices::instance().failures[L"CreateDocument"] = E_OUTOFMEMORY; },
         true,
         E_OUTOFMEMORY,
         {L"CreateDocument(, native, , -4, 1281)"},
         false,
         {L"error pDisp->CreateDocument 0x8007000E"}},
        {"no proxy",
         [](ContainerTest& t) {
             t.urls(L"book.xlsx", nullptr);
             t.container->setControl(nullptr);
         },
         false,
         E_FAIL,
         {},
         false,
         {L"error no document proxy 0x80004005"}},
        {"not a proxy",
         [](ContainerTest& t) {
             t.urls(L"book.xlsx", nullptr);
             t.container->setControl(create<IUnknown>(L"KEM.VEX_Trace_Gui").get());
         },
         true,
         E_FAIL,
         {},
         false,
         {L"error no document proxy 0x80004005"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (&c != cases) {
            TearDown();
            SetUp();
        }
        c.setup(*this);
        restart();
        EXPECT_EQ(c.create ? container->createdocument() : container->opendocument(), c.status);
        EXPECT_EQ(host().calls, c.calls);
        EXPECT_EQ(is_open(), c.open);
        EXPECT_EQ(complaints(), c.complaints);
    }
}

// The handle of the last open or create, even one whose status was a failure, is the document's.
TEST_F(ContainerTest, TheDocumentIsTheProxysUnderTheLastHandle) {
    open_book();
    host().failures[L"OpenDocument"] = STG_E_ACCESSDENIED;
    container->opendocument();
    com::com_ptr<IDispatch> first, second;
    ASSERT_EQ(container->getApplication(first.put()), S_OK);
    ASSERT_EQ(container->getApplication(second.put()), S_OK);
    EXPECT_TRUE(first);
    EXPECT_EQ(first, second);
    EXPECT_EQ(host().calls.back(), L"GetDocument(100)");
    ASSERT_EQ(container->closedocument(), S_OK);
    container->getApplication(first.put());
    EXPECT_EQ(host().calls.back(), L"GetDocument(100)");
    host().failures[L"GetDocument"] = E_UNEXPECTED;
    EXPECT_EQ(container->getApplication(first.put()), E_UNEXPECTED);
    EXPECT_EQ(complaints().back(), L"error pDisp->GetDocument 0x8000FFFF");
}

TEST_F(ContainerTest, ClosingAndSaving) {
    // Nothing open: nothing to close, the proxy is not asked.
    EXPECT_EQ(container->closedocument(), S_OK);
    EXPECT_TRUE(host().calls.empty());

    open_book();
    host().failures[L"CloseDocument"] = E_ACCESSDENIED;
    EXPECT_EQ(container->closedocument(), E_ACCESSDENIED);
    EXPECT_TRUE(is_open());
    host().failures.clear();
    ASSERT_EQ(container->closedocument(), S_OK);
    EXPECT_FALSE(is_open());
    EXPECT_EQ(host().calls, (Lines{L"CloseDocument(100, 0)", L"CloseDocument(100, 0)"}));

    // The proxy's own complaint about a save is reported; the call's status is what the caller gets.
    open_book();
    host().save_error = 17;
    EXPECT_EQ(container->savedocument(), S_OK);
    host().save_error = 0;
    host().failures[L"SaveDocumentToURL"] = STG_E_MEDIUMFULL;
    EXPECT_EQ(container->savedocument(), STG_E_MEDIUMFULL);
    EXPECT_EQ(host().calls,
              (Lines{L"SaveDocumentToURL(101, book.xlsx)", L"SaveDocumentToURL(101, book.xlsx)"}));
    EXPECT_EQ(complaints(), Lines{L"error ERror in SaveDocumentToURL 0x00000000"});

    // URLs may name files.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring source = std::wstring(temp) + L"vex-container-source.xlsx",
                       target = std::wstring(temp) + L"vex-container-target.xlsx";
    ASSERT_TRUE(host().write_url(source, bytes_of("bytes on disk")));
    host().failures.clear();
    urls(source.c_str(), nullptr);
    ASSERT_EQ(container->opendocument(), S_OK);
    urls(target.c_str(), nullptr);
    ASSERT_EQ(container->savedocument(), S_OK);
    Bytes saved;
    host().read_url(target, saved);
    EXPECT_EQ(saved, bytes_of("bytes on disk"));
    DeleteFileW(source.c_str());
    DeleteFileW(target.c_str());
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

TEST_F(ContainerTest, ContentIsTheDocumentSavedToTheSecondUrl) {
    open_book();
    com::unique_variant content;
    ASSERT_EQ(container->getContent(content.get()), S_OK);
    ASSERT_EQ(content->vt, VT_ARRAY | VT_UI1);
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(content->parray, 1, &lower);
    SafeArrayGetUBound(content->parray, 1, &upper);
    EXPECT_EQ(lower, 1);
    void* data = nullptr;
    SafeArrayAccessData(content->parray, &data);
    EXPECT_EQ(Bytes(static_cast<BYTE*>(data), static_cast<BYTE*>(data) + (upper - lower + 1)),
              bytes_of("workbook bytes"));
    SafeArrayUnaccessData(content->parray);
    EXPECT_EQ(host().calls, (Lines{L"GetDocumentProvider(100)", L"SaveDocumentToURL(100, copy.xlsx)",
                                   L"GetDataAsLockBytes(, )", L"Stat(0)", L"ReadAt(0, 14)"}));

    struct Case {
        std::function<void(HostServices&)> script;
        HRESULT expected;
        std::wstring error;
    };
    const Case cases[] = {
        {[](HostServices& h) { h.failures[L"GetDocumentProvider"] = E_ACCESSDENIED; }, E_ACCESSDENIED,
         L"error GetDocumentProvider 0x80070005"},
        {[](HostServices& h) { h.provider_answers = false; }, E_FAIL,
         L"error dataprovider == NULL 0x80004005"},
        {[](HostServices& h) { h.failures[L"SaveDocumentToURL"] = STG_E_MEDIUMFULL; }, STG_E_MEDIUMFULL,
         L"error savedocument_tourl 0x80030070"},
        {[](HostServices& h) { h.failures[L"GetDataAsLockBytes"] = E_OUTOFMEMORY; }, E_OUTOFMEMORY,
         L"error dataprovider->GetDataAsLockBytes 0x8007000E"},
        {[](HostServices& h) { h.lock_bytes.read_result = STG_E_READFAULT; }, STG_E_READFAULT,
         L"error getBytes .. 0x8003001E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.error.begin(), c.error.end()));
        host().clear();
        host().set_url(L"book.xlsx", bytes_of("workbook bytes"));
        open_book();
        c.script(host());
        VARIANT failed;
        VariantInit(&failed);
        EXPECT_EQ(container->getContent(&failed), c.expected);
        EXPECT_EQ(failed.vt, VT_EMPTY);
        EXPECT_EQ(complaints().back(), c.error);
    }
}

// The factory only after Initialize; the interface handed out with a reference of its own; the
// proxy kept without a reference; members accepted for compatibility succeed and change nothing.
TEST_F(ContainerTest, Wiring) {
    com::com_ptr<IVEX_Factory> got;
    EXPECT_EQ(container->getFactory(got.put()), E_FAIL);
    EXPECT_EQ(container->Initialize(nullptr), E_FAIL);
    auto factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
    EXPECT_EQ(container->Initialize(factory.get()), S_OK);
    ASSERT_EQ(container->getFactory(got.put()), S_OK);
    EXPECT_EQ(identity(got.get()), identity(factory.get()));

    const ULONG refs = container->AddRef() - 1;
    container->Release();
    com::com_ptr<IDispatch> handed;
    ASSERT_EQ(container->QueryGeneralDocumentInterface(handed.put()), S_OK);
    EXPECT_EQ(handed.get(), static_cast<IDispatch*>(container.get()));
    EXPECT_EQ(container->AddRef() - 1, refs + 1);
    container->Release();
    EXPECT_EQ(container->QueryGeneralDocumentInterface(nullptr), E_POINTER);

    const ULONG proxy_refs = proxy->AddRef();
    proxy->Release();
    container->setControl(proxy.get());
    EXPECT_EQ(proxy->AddRef(), proxy_refs);
    proxy->Release();

    com::unique_bstr name(L"x");
    VARIANT empty;
    VariantInit(&empty);
    for (HRESULT hr : {container->setTrace(create<IVEX_Trace>(L"KEM.VEX_Trace_Gui").get()),
                       container->setDocumentName(name.get()), container->setDocumentdata(empty),
                       container->sendApplicationVisible(), container->put_visible(VARIANT_FALSE),
                       container->put_closeApplication(VARIANT_FALSE), container->QueryContainer(nullptr),
                       container->getDocumentdata(nullptr)})
        EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(host().calls.empty());
}

// Released, the container closes a document still open, without saving; a failure is reported.
TEST_F(ContainerTest, FinalReleaseClosesAnOpenDocument) {
    for (HRESULT refusal : {S_OK, E_ACCESSDENIED}) {
        open_book();
        if (FAILED(refusal))
            host().failures[L"CloseDocument"] = refusal;
        container = nullptr;
        EXPECT_EQ(host().calls, Lines{L"CloseDocument(100, 0)"});
        EXPECT_EQ(complaints().back(), FAILED(refusal) ? L"error OLECLOSE 0x80070005"
                                                       : L"warning Automaticsave disabled! 0x00000000");
        TearDown();
        SetUp();
    }
    open_book();
    container->closedocument();
    restart();
    container = nullptr;
    EXPECT_TRUE(host().calls.empty());
}

// A sink of the container's (empty) event interface.
class EventSink final : public IDispatch {
public:
    explicit EventSink(bool events) : m_events(events) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            (m_events && IsEqualIID(iid, DIID__IVEX_GeneralDocumentContainerEvents))) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
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

TEST_F(ContainerTest, OneConnectionPointWhereSinksAdviseAndUnadvise) {
    auto points = com::query<IConnectionPointContainer>(container.get());
    com::com_ptr<IConnectionPoint> point;
    EXPECT_EQ(points->FindConnectionPoint(IID_IDispatch, point.put()), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(points->FindConnectionPoint(DIID__IVEX_GeneralDocumentContainerEvents, point.put()), S_OK);
    com::com_ptr<IConnectionPointContainer> back;
    ASSERT_EQ(point->GetConnectionPointContainer(back.put()), S_OK);
    EXPECT_EQ(identity(back.get()), identity(container.get()));
    com::com_ptr<IEnumConnectionPoints> all;
    ASSERT_EQ(points->EnumConnectionPoints(all.put()), S_OK);
    IConnectionPoint* listed[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(all->Next(2, listed, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(listed[0], point.get());
    listed[0]->Release();

    EventSink a(true), b(true), stranger(false);
    DWORD cookie_a = 0, cookie_b = 0, cookie_c = 0;
    ASSERT_EQ(point->Advise(&a, &cookie_a), S_OK);
    ASSERT_EQ(point->Advise(&b, &cookie_b), S_OK);
    EXPECT_NE(cookie_a, cookie_b);
    EXPECT_EQ(point->Advise(&stranger, &cookie_c), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(stranger.refs, 1);
    com::com_ptr<IEnumConnections> connections;
    ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
    CONNECTDATA data[3] = {};
    connections->Next(3, data, &fetched);
    ASSERT_EQ(fetched, 2u);
    for (ULONG i = 0; i < fetched; ++i)
        data[i].pUnk->Release();
    EXPECT_EQ(data[1].dwCookie, cookie_b);
    connections = nullptr;
    EXPECT_EQ(point->Unadvise(cookie_a), S_OK);
    EXPECT_EQ(point->Unadvise(cookie_a), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(a.refs, 1);
    // Nothing the container does fires an event; the last sink goes with the container.
    open_book();
    container->closedocument();
    point = nullptr;
    points = nullptr;
    back = nullptr;
    all = nullptr;
    container = nullptr;
    EXPECT_EQ(b.invokes, 0);
    EXPECT_EQ(b.refs, 1);
}

} // namespace
} // namespace vex::test
