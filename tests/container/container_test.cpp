// The document container against the stand-in document proxy: documents, content, flags, wiring,
// events and its own life.
#include "support/com_test.h"

#include <olectl.h>

#include <cstdio>

namespace vex::test {
namespace {

constexpr wchar_t container_name[] = L"CCVEX_GeneralDocumentContainer_Karvo";

class ContainerTest : public ComTest {
protected:
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
        com::unique_bstr a, b;
        if (url)
            a = com::unique_bstr(url);
        if (url2)
            b = com::unique_bstr(url2);
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
    Lines traced() { return lines(container_name); }

    com::com_ptr<IVEX_GeneralDocumentContainerFull> container;
    com::com_ptr<IVEX_Environment> environment;
    com::com_ptr<IUnknown> proxy;
};

TEST_F(ContainerTest, OpensItsOwnTraceAndHandsItToItsConversions) {
    container = nullptr;
    trace_log().clear();
    container = create<IVEX_GeneralDocumentContainerFull>(L"KEM.VEX_GeneralDContainer_Gui");
    const auto channels = trace_log().opened(container_name);
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].object, identity(container.get()));
    EXPECT_EQ(traced(), (Lines{L"enter FinalConstruct", L"leave setTrace 0x00000000",
                               L"leave FinalConstruct 0x00000000"}));
}

TEST_F(ContainerTest, OpenWithoutUrlIsEightAndAsksNoProxy) {
    container->setDocumentType(2);
    EXPECT_EQ(container->opendocument(), 8);
    EXPECT_TRUE(host().calls.empty());
    EXPECT_FALSE(is_open());
    EXPECT_EQ(traced(),
              (Lines{L"enter setDocumentType", L"leave setDocumentType 0x00000000", L"enter opendocument",
                     L"enter getDocumenttype", L"leave getDocumenttype 0x00000000",
                     L"error document is empty 0x00000008", L"enter isOpen"}));
    urls(L"", L"x");
    EXPECT_EQ(container->opendocument(), 8); // an empty URL is no URL
}

TEST_F(ContainerTest, OpenPassesTypeNameUrlPlacementAndFlags) {
    container->setDocumentType(2);
    urls(L"book.xlsx", nullptr);
    environment->setInplace(0);
    restart();
    ASSERT_EQ(container->opendocument(), S_OK);
    EXPECT_TRUE(is_open());
    EXPECT_EQ(host().calls,
              (Lines{L"OpenDocument(Excel., native, book.xlsx, -2, 1281)", L"GetOperationStatus()"}));
    EXPECT_EQ(traced(),
              (Lines{L"enter opendocument", L"enter getDocumenttype", L"leave getDocumenttype 0x00000000",
                     L"leave opendocument 0x00000000", L"enter isOpen"}));
}

TEST_F(ContainerTest, InPlaceOnlyForModeExactlyOne) {
    container->setDocumentType(1);
    urls(L"book.xlsx", nullptr);
    for (LONG mode : {1, 0, 2, -1}) {
        environment->setInplace(mode);
        host().calls.clear();
        ASSERT_EQ(container->opendocument(), S_OK);
        EXPECT_EQ(host().calls.front(), L"OpenDocument(Word.Document, native, book.xlsx, " +
                                            std::wstring(mode == 1 ? L"-4" : L"-2") + L", 1281)")
            << mode;
    }
}

TEST_F(ContainerTest, DocumentTypeNames) {
    urls(L"book.xlsx", nullptr);
    const std::pair<LONG, const wchar_t*> names[] = {{1, L"Word.Document"},
                                                     {2, L"Excel."},
                                                     {3, L"POWERPOINT."},
                                                     {4, L"MSPROJECT."},
                                                     {5, L"VISIO."},
                                                     {0, L""},
                                                     {7, L""},
                                                     {-1, L""}};
    for (const auto& [type, name] : names) {
        container->setDocumentType(type);
        LONG read = -99;
        container->getDocumentType(&read);
        EXPECT_EQ(read, type);
        host().calls.clear();
        container->opendocument();
        EXPECT_EQ(host().calls.front(),
                  L"OpenDocument(" + std::wstring(name) + L", native, book.xlsx, -4, 1281)");
    }
}

TEST_F(ContainerTest, ANonZeroOperationStatusLeavesTheContainerClosed) {
    container->setDocumentType(2);
    urls(L"book.xlsx", nullptr);
    host().operation_status = 5;
    restart();
    EXPECT_EQ(container->opendocument(), 5);
    EXPECT_FALSE(is_open());
    EXPECT_EQ(traced().at(3), L"leave opendocument 0x00000005");
    // The proxy did open it under a handle; the container keeps that handle.
    com::com_ptr<IDispatch> document;
    EXPECT_EQ(container->getApplication(document.put()), S_OK);
    EXPECT_EQ(host().calls.back(), L"GetDocument(100)");
}

TEST_F(ContainerTest, FailedOpenChangesNothing) {
    open_book();
    host().failures[L"OpenDocument"] = STG_E_ACCESSDENIED;
    EXPECT_EQ(container->opendocument(), STG_E_ACCESSDENIED);
    EXPECT_TRUE(is_open()); // still the document from before
    com::com_ptr<IDispatch> document;
    container->getApplication(document.put());
    EXPECT_EQ(host().calls.back(), L"GetDocument(100)");
    EXPECT_EQ(traced().at(3), L"error pDisp->OpenDocument 0x80030005");
}

TEST_F(ContainerTest, CreateNeedsNoUrlAndPassesThePlacementOfOpening) {
    container->setDocumentType(1);
    environment->setInplace(1);
    ASSERT_EQ(container->createdocument(), S_OK);
    EXPECT_TRUE(is_open());
    environment->setInplace(0);
    ASSERT_EQ(container->createdocument(), S_OK);
    // Without an environment the document is created out of place.
    container->setEnvironment(static_cast<IVEX_Environment*>(nullptr));
    ASSERT_EQ(container->createdocument(), S_OK);
    EXPECT_EQ(host().calls,
              (Lines{L"CreateDocument(Word.Document, native, , -4, 1281)", L"GetOperationStatus()",
                     L"CreateDocument(Word.Document, native, , -2, 1281)", L"GetOperationStatus()",
                     L"CreateDocument(Word.Document, native, , -2, 1281)", L"GetOperationStatus()"}));
    host().operation_status = 3;
    EXPECT_EQ(container->createdocument(), 3);
    EXPECT_FALSE(is_open());
    host().failures[L"CreateDocument"] = E_OUTOFMEMORY;
    restart();
    EXPECT_EQ(container->createdocument(), E_OUTOFMEMORY);
    EXPECT_EQ(traced().back(), L"error pDisp->CreateDocument 0x8007000E");
}

TEST_F(ContainerTest, OpeningNeedsAnEnvironment) {
    container->setEnvironment(static_cast<IVEX_Environment*>(nullptr));
    urls(L"book.xlsx", nullptr);
    restart();
    EXPECT_EQ(container->opendocument(), E_FAIL);
    EXPECT_TRUE(host().calls.empty());
    EXPECT_EQ(traced().back(), L"error m_penvironment == NULL 0x80004005");
}

TEST_F(ContainerTest, DocumentOperationsNeedTheDocumentProxy) {
    container->setControl(nullptr);
    auto not_a_proxy = create<IUnknown>(L"KEM.VEX_Trace_Gui");
    urls(L"book.xlsx", nullptr);
    for (IUnknown* control : {static_cast<IUnknown*>(nullptr), not_a_proxy.get()}) {
        container->setControl(control);
        restart();
        EXPECT_EQ(container->opendocument(), E_FAIL);
        EXPECT_EQ(container->createdocument(), E_FAIL);
        EXPECT_EQ(container->savedocument(), E_FAIL);
        com::com_ptr<IDispatch> document;
        EXPECT_EQ(container->getApplication(document.put()), E_FAIL);
        EXPECT_EQ(traced(), (Lines{L"enter opendocument", L"error no document proxy 0x80004005",
                                   L"enter createdocument", L"error no document proxy 0x80004005",
                                   L"enter savedocument", L"error no document proxy 0x80004005",
                                   L"enter getApplication", L"error no document proxy 0x80004005"}));
    }
}

TEST_F(ContainerTest, CloseWithoutOpenAsksNothing) {
    EXPECT_EQ(container->closedocument(), S_OK);
    EXPECT_TRUE(host().calls.empty());
    EXPECT_EQ(traced(), (Lines{L"enter closedocument", L"leave closedocument 0x00000000"}));
}

TEST_F(ContainerTest, CloseGoesThroughTheProxyAndKeepsTheHandle) {
    open_book();
    ASSERT_EQ(container->closedocument(), S_OK);
    EXPECT_FALSE(is_open());
    EXPECT_EQ(host().calls, Lines{L"CloseDocument(100, 0)"});
    com::com_ptr<IDispatch> document;
    container->getApplication(document.put());
    EXPECT_EQ(host().calls.back(), L"GetDocument(100)");
}

TEST_F(ContainerTest, FailedCloseLeavesTheDocumentOpen) {
    open_book();
    host().failures[L"CloseDocument"] = E_ACCESSDENIED;
    EXPECT_EQ(container->closedocument(), E_ACCESSDENIED);
    EXPECT_TRUE(is_open());
    EXPECT_EQ(traced(), (Lines{L"enter closedocument", L"error CloseDocument 0x80070005", L"enter isOpen"}));
}

TEST_F(ContainerTest, AutomaticSaveOffStillClosesWithAWarning) {
    open_book();
    container->put_automaticSave(VARIANT_FALSE);
    ASSERT_EQ(container->closedocument(), S_OK);
    EXPECT_FALSE(is_open());
    EXPECT_EQ(traced(), (Lines{L"enter put_automaticSave", L"enter closedocument",
                               L"warning Automaticsave disabled! 0x00000000",
                               L"leave closedocument 0x00000000", L"enter isOpen"}));
}

TEST_F(ContainerTest, FlagCouplingOfEventingAndAutomaticSave) {
    const auto warns_on_close = [&]() {
        open_book();
        container->closedocument();
        for (const auto& line : traced())
            if (line == L"warning Automaticsave disabled! 0x00000000")
                return true;
        return false;
    };
    container->put_disableEventing(VARIANT_TRUE);
    EXPECT_TRUE(warns_on_close()); // disabling events switches automatic save off
    container->put_automaticSave(VARIANT_FALSE);
    container->put_disableEventing(0);
    EXPECT_FALSE(warns_on_close()); // and enabling them switches it back on
    container->put_automaticSave(1);
    EXPECT_TRUE(warns_on_close()); // only VARIANT_TRUE means true
    container->put_automaticSave(VARIANT_TRUE);
    EXPECT_FALSE(warns_on_close());
}

TEST_F(ContainerTest, SaveReportsTheProxysComplaintButReturnsTheCallsStatus) {
    open_book();
    host().save_error = 17;
    EXPECT_EQ(container->savedocument(), S_OK);
    EXPECT_EQ(host().calls, Lines{L"SaveDocumentToURL(100, book.xlsx)"});
    EXPECT_EQ(traced(), (Lines{L"enter savedocument", L"error ERror in SaveDocumentToURL 0x00000000"}));

    host().save_error = 0;
    host().failures[L"SaveDocumentToURL"] = STG_E_MEDIUMFULL;
    restart();
    EXPECT_EQ(container->savedocument(), STG_E_MEDIUMFULL);
    EXPECT_EQ(traced(), Lines{L"enter savedocument"});
}

TEST_F(ContainerTest, SaveWritesTheDocumentToItsUrl) {
    container->setDocumentType(2);
    container->createdocument();
    urls(L"made.xlsx", nullptr);
    ASSERT_EQ(container->savedocument(), S_OK);
    Bytes saved;
    ASSERT_TRUE(host().read_url(L"made.xlsx", saved));
    EXPECT_EQ(saved, bytes_of("new document of type Excel."));
}

TEST_F(ContainerTest, UrlsCanNameFiles) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring source = std::wstring(temp) + L"vex-container-source.xlsx";
    const std::wstring target = std::wstring(temp) + L"vex-container-target.xlsx";
    ASSERT_TRUE(host().write_url(source, bytes_of("bytes on disk")));
    container->setDocumentType(2);
    urls(source.c_str(), nullptr);
    ASSERT_EQ(container->opendocument(), S_OK);
    urls(target.c_str(), nullptr);
    ASSERT_EQ(container->savedocument(), S_OK);
    std::FILE* file = _wfopen(target.c_str(), L"rb");
    ASSERT_NE(file, nullptr);
    char read[32] = {};
    const size_t n = std::fread(read, 1, sizeof(read), file);
    std::fclose(file);
    EXPECT_EQ(std::string(read, n), "bytes on disk");
    DeleteFileW(source.c_str());
    DeleteFileW(target.c_str());
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
    Bytes copy;
    ASSERT_TRUE(host().read_url(L"copy.xlsx", copy));
    EXPECT_EQ(copy, bytes_of("workbook bytes"));
    EXPECT_EQ(traced(),
              (Lines{L"enter notimpl", L"enter savedocument_tourl", L"enter get_ILockBytesToVariant",
                     L"enter getByteToVariant", L"leave getByteToVariant 0x00000000",
                     L"leave get_ILockBytesToVariant 0x00000000"}));
}

TEST_F(ContainerTest, ContentFailuresAreTracedAndReturned) {
    struct Case {
        const char* what;
        std::function<void(HostServices&)> script;
        HRESULT expected;
        std::wstring error;
    };
    const Case cases[] = {
        {"no provider", [](HostServices& h) { h.failures[L"GetDocumentProvider"] = E_ACCESSDENIED; },
         E_ACCESSDENIED, L"error GetDocumentProvider 0x80070005"},
        {"not a provider", [](HostServices& h) { h.provider_answers = false; }, E_FAIL,
         L"error dataprovider == NULL 0x80004005"},
        {"save fails", [](HostServices& h) { h.failures[L"SaveDocumentToURL"] = STG_E_MEDIUMFULL; },
         STG_E_MEDIUMFULL, L"error savedocument_tourl 0x80030070"},
        {"no lock bytes", [](HostServices& h) { h.failures[L"GetDataAsLockBytes"] = E_OUTOFMEMORY; },
         E_OUTOFMEMORY, L"error dataprovider->GetDataAsLockBytes 0x8007000E"},
        {"unreadable", [](HostServices& h) { h.lock_bytes.read_result = STG_E_READFAULT; }, STG_E_READFAULT,
         L"error getBytes .. 0x8003001E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host().clear();
        host().set_url(L"book.xlsx", bytes_of("workbook bytes"));
        open_book();
        c.script(host());
        VARIANT content;
        VariantInit(&content);
        EXPECT_EQ(container->getContent(&content), c.expected);
        EXPECT_EQ(content.vt, VT_EMPTY);
        EXPECT_EQ(traced().back(), c.error);
    }
}

TEST_F(ContainerTest, ContentWithoutASecondUrlDependsOnTheProxy) {
    open_book();
    urls(L"book.xlsx", nullptr);
    com::unique_variant content;
    // The stand-in refuses to save to no URL, as a real proxy would.
    EXPECT_EQ(container->getContent(content.get()), E_INVALIDARG);
    EXPECT_EQ(host().calls.at(1), L"SaveDocumentToURL(100, <null>)");
}

TEST_F(ContainerTest, ApplicationIsTheProxysDocumentObject) {
    open_book();
    com::com_ptr<IDispatch> first, second;
    ASSERT_EQ(container->getApplication(first.put()), S_OK);
    ASSERT_EQ(container->getApplication(second.put()), S_OK);
    EXPECT_TRUE(first);
    EXPECT_EQ(first, second);
    host().failures[L"GetDocument"] = E_UNEXPECTED;
    restart();
    EXPECT_EQ(container->getApplication(first.put()), E_UNEXPECTED);
    EXPECT_EQ(traced(), (Lines{L"enter getApplication", L"error pDisp->GetDocument 0x8000FFFF"}));
}

TEST_F(ContainerTest, FactoryOnlyAfterInitialize) {
    com::com_ptr<IVEX_Factory> got;
    EXPECT_EQ(container->getFactory(got.put()), E_FAIL);
    EXPECT_EQ(traced(), Lines{L"enter getFactory"}); // no error trace
    EXPECT_EQ(container->Initialize(nullptr), E_FAIL);
    auto factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
    EXPECT_EQ(container->Initialize(factory.get()), S_OK);
    ASSERT_EQ(container->getFactory(got.put()), S_OK);
    EXPECT_EQ(identity(got.get()), identity(factory.get()));
    EXPECT_EQ(traced(), (Lines{L"enter getFactory", L"enter Initialize", L"error factory is null! 0x00000000",
                               L"enter Initialize", L"enter getFactory", L"leave getFactory 0x00000000"}));
}

TEST_F(ContainerTest, QueryGeneralDocumentInterfaceHandsOutAReferenceEachTime) {
    com::com_ptr<IDispatch> first, second;
    ASSERT_EQ(container->QueryGeneralDocumentInterface(first.put()), S_OK);
    ASSERT_EQ(container->QueryGeneralDocumentInterface(second.put()), S_OK);
    EXPECT_EQ(first.get(), static_cast<IDispatch*>(container.get()));
    EXPECT_EQ(second.get(), first.get());
    // Each reference is the caller's: after releasing ours, the two still hold the container.
    const ULONG refs = container->AddRef();
    container->Release();
    first = nullptr;
    second = nullptr;
    EXPECT_EQ(container->AddRef(), refs - 2);
    container->Release();
    EXPECT_EQ(container->QueryGeneralDocumentInterface(nullptr), E_POINTER);
}

TEST_F(ContainerTest, EnvironmentByAnyInterfacePointer) {
    container->setEnvironment(static_cast<IUnknown*>(environment.get()));
    urls(L"book.xlsx", nullptr);
    environment->setInplace(1);
    restart();
    ASSERT_EQ(container->opendocument(), S_OK);
    EXPECT_EQ(host().calls.front(), L"OpenDocument(, native, book.xlsx, -4, 1281)");
    // An object that is no environment leaves none.
    container->setEnvironment(static_cast<IUnknown*>(proxy.get()));
    EXPECT_EQ(container->opendocument(), E_FAIL);
}

TEST_F(ContainerTest, ControlIsKeptWithoutAReference) {
    const ULONG before = proxy->AddRef();
    proxy->Release();
    container->setControl(proxy.get());
    EXPECT_EQ(proxy->AddRef(), before);
    proxy->Release();
}

TEST_F(ContainerTest, AcceptedMembersTraceAndChangeNothing) {
    auto other = create<IVEX_Trace>(L"KEM.VEX_Trace_Gui");
    com::unique_bstr name(L"x");
    VARIANT empty;
    VariantInit(&empty);
    EXPECT_EQ(container->setTrace(other.get()), S_OK);
    EXPECT_EQ(container->setDocumentName(name.get()), S_OK);
    EXPECT_EQ(container->setDocumentdata(empty), S_OK);
    EXPECT_EQ(container->sendApplicationVisible(), S_OK);
    EXPECT_EQ(container->put_visible(VARIANT_FALSE), S_OK);
    EXPECT_EQ(container->put_closeApplication(VARIANT_FALSE), S_OK);
    EXPECT_EQ(container->QueryContainer(nullptr), S_OK);
    EXPECT_EQ(container->getDocumentdata(nullptr), S_OK);
    EXPECT_EQ(traced(), (Lines{L"enter notimpl", L"enter notimpl", L"enter setDocumentdata",
                               L"leave setDocumentdata 0x00000000", L"enter notimpl", L"enter put_visible",
                               L"enter put_closeApplication", L"leave put_closeApplication 0x00000000",
                               L"enter QueryContainer", L"enter getDocumentdata"}));
}

TEST_F(ContainerTest, FinalReleaseClosesAnOpenDocumentWithoutSaving) {
    open_book();
    container = nullptr;
    EXPECT_EQ(host().calls, Lines{L"CloseDocument(100, 0)"});
    EXPECT_EQ(traced(),
              (Lines{L"enter FinalRelease", L"enter closedocument",
                     L"warning Automaticsave disabled! 0x00000000", L"leave closedocument 0x00000000"}));
}

TEST_F(ContainerTest, FinalReleaseOfAClosedContainerAsksNothing) {
    open_book();
    container->closedocument();
    restart();
    container = nullptr;
    EXPECT_TRUE(host().calls.empty());
    EXPECT_EQ(traced(),
              (Lines{L"enter FinalRelease", L"enter closedocument", L"leave closedocument 0x00000000"}));
}

TEST_F(ContainerTest, FailedCloseAtFinalReleaseIsReported) {
    open_book();
    host().failures[L"CloseDocument"] = E_ACCESSDENIED;
    container = nullptr;
    EXPECT_EQ(traced().back(), L"error OLECLOSE 0x80070005");
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

TEST_F(ContainerTest, OneConnectionPointForItsEvents) {
    auto points = com::query<IConnectionPointContainer>(container.get());
    ASSERT_TRUE(points);
    com::com_ptr<IConnectionPoint> point;
    EXPECT_EQ(points->FindConnectionPoint(IID_IDispatch, point.put()), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(points->FindConnectionPoint(DIID__IVEX_GeneralDocumentContainerEvents, point.put()), S_OK);
    IID iid{};
    point->GetConnectionInterface(&iid);
    EXPECT_TRUE(IsEqualIID(iid, DIID__IVEX_GeneralDocumentContainerEvents));
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
}

TEST_F(ContainerTest, SinksAdviseUnadviseAndAreEnumerated) {
    com::com_ptr<IConnectionPoint> point;
    com::query<IConnectionPointContainer>(container.get())
        ->FindConnectionPoint(DIID__IVEX_GeneralDocumentContainerEvents, point.put());
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
    ULONG fetched = 0;
    connections->Next(3, data, &fetched);
    ASSERT_EQ(fetched, 2u);
    for (ULONG i = 0; i < fetched; ++i)
        data[i].pUnk->Release();
    EXPECT_EQ(data[0].dwCookie, cookie_a);
    EXPECT_EQ(data[1].dwCookie, cookie_b);
    connections = nullptr;

    EXPECT_EQ(point->Unadvise(cookie_a), S_OK);
    EXPECT_EQ(point->Unadvise(cookie_a), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(a.refs, 1);
    // Nothing the container does fires an event; the last sink goes with the container.
    open_book();
    container->closedocument();
    point = nullptr;
    container = nullptr;
    EXPECT_EQ(b.invokes, 0);
    EXPECT_EQ(b.refs, 1);
}

} // namespace
} // namespace vex::test
