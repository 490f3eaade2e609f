// The factory's data transfer from the host's document provider, and the members that need the
// container before it exists.
#include "support/com_test.h"

namespace vex::test {
namespace {

constexpr wchar_t factory_name[] = L"CVEX_Factory";

class FactoryTransferTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        factory = create<IVEX_Factory>(L"KEM.VEX_Factory_Gui");
        ASSERT_EQ(create_document_proxy(nullptr, IID_IUnknown, proxy.put_void()), S_OK);
        ASSERT_EQ(factory->setControl(proxy.get()), S_OK);
        host().set_url(L"table.xml", bytes_of("0123456789"));
        trace_log().records.clear();
    }
    void TearDown() override {
        factory = nullptr;
        proxy = nullptr;
        ComTest::TearDown();
    }

    HRESULT transfer(const wchar_t* url, VARIANT* data) {
        com::unique_bstr bstr(url);
        return factory->get_dp_table(bstr.get(), data);
    }
    HRESULT text(const wchar_t* method, BSTR* out) {
        com::unique_bstr name(method);
        VARIANT unused;
        VariantInit(&unused);
        return factory->getMethodParamAsString(name.get(), 0, unused, out);
    }
    Lines errors() {
        Lines out;
        for (const auto& line : lines(factory_name))
            if (line.starts_with(L"error"))
                out.push_back(line);
        return out;
    }

    com::com_ptr<IVEX_Factory> factory;
    com::com_ptr<IUnknown> proxy;
};

TEST_F(FactoryTransferTest, ProviderDataBecomesAByteArrayFromOne) {
    com::unique_variant data;
    ASSERT_EQ(transfer(L"table.xml", data.get()), S_OK);
    ASSERT_EQ(data->vt, VT_ARRAY | VT_UI1);
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(data->parray, 1, &lower);
    SafeArrayGetUBound(data->parray, 1, &upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 10);
    EXPECT_EQ(host().calls, (Lines{L"GetDocumentProvider(1)", L"SetDataFromURL(, , table.xml)",
                                   L"GetDataAsLockBytes(, )", L"Stat(0)", L"ReadAt(0, 10)"}));
    EXPECT_EQ(lines(factory_name),
              (Lines{L"enter get_dp_table", L"enter getDocumentdata", L"leave getDocumentdata 0x00000000",
                     L"leave get_dp_table 0x00000000"}));
    // The buffer holds the ten bytes: the text of the last transfer.
    com::unique_bstr decoded;
    ASSERT_EQ(text(L"activatexmlsource", decoded.put()), S_OK);
    EXPECT_EQ(decoded.view(), L"0123456789");
}

// The text handed to the spreadsheet is the UTF-8 of the last transfer, whatever became of it.
TEST_F(FactoryTransferTest, TextIsWhatTheLastTransferLeft) {
    struct Case {
        const char* what;
        std::function<void(HostServices&)> last; // prepares the second transfer
        HRESULT result;
        const wchar_t* text; // nullptr: no string
    };
    const Case cases[] = {
        {"UTF-8",
         [](HostServices& h) {
             h.set_url(L"table.xml", bytes_of("Gr\xC3\xBC\xC3\x9F"
                                              "e"));
         },
         S_OK, L"Gr\u00FC\u00DFe"},
        {"short read keeps what was read", [](HostServices& h) { h.lock_bytes.read_short_by = 4; }, S_OK,
         L"012345"},
        {"failed read empties the buffer",
         [](HostServices& h) { h.lock_bytes.read_result = STG_E_READFAULT; }, STG_E_READFAULT, nullptr},
        {"empty data is no array", [](HostServices& h) { h.set_url(L"table.xml", Bytes{}); }, E_FAIL,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host().set_url(L"table.xml", bytes_of("0123456789"));
        com::unique_variant data;
        ASSERT_EQ(transfer(L"table.xml", data.get()), S_OK);
        c.last(host());
        EXPECT_EQ(transfer(L"table.xml", data.put()), c.result);
        EXPECT_EQ(data->vt, c.result == S_OK ? VT_ARRAY | VT_UI1 : VT_EMPTY);
        com::unique_bstr decoded;
        EXPECT_EQ(text(L"activatexmlsource", decoded.put()), S_OK);
        EXPECT_EQ(std::wstring(decoded.get() ? decoded.view() : L"<none>"), c.text ? c.text : L"<none>");
        host().lock_bytes = {};
    }
    trace_log().records.clear();
    host().set_url(L"empty", Bytes{});
    com::unique_variant data;
    EXPECT_EQ(transfer(L"empty", data.get()), E_FAIL);
    EXPECT_EQ(errors(), (Lines{L"error m_bufferSize == 0 0x80004005", L"error getDocumentdata 0x80004005"}));
}

TEST_F(FactoryTransferTest, TextOnlyForTheTableEntryNameAndNoneBeforeAnyTransfer) {
    BSTR decoded = nullptr;
    EXPECT_EQ(text(L"activatexmlsource", &decoded), S_OK);
    EXPECT_EQ(decoded, nullptr);
    for (const wchar_t* method : {L"ActivateXmlSource", L"activatexmlsource_gui", L""}) {
        EXPECT_EQ(text(method, &decoded), E_FAIL);
        EXPECT_EQ(decoded, nullptr);
    }
    EXPECT_EQ(lines(factory_name),
              (Lines{L"enter getMethodParamAsString", L"leave getMethodParamAsString 0x00000000",
                     L"enter getMethodParamAsString", L"error not supported 0x80004005",
                     L"enter getMethodParamAsString", L"error not supported 0x80004005",
                     L"enter getMethodParamAsString", L"error not supported 0x80004005"}));
}

TEST_F(FactoryTransferTest, EveryFailingStepIsTracedAndReturned) {
    struct Case {
        const char* what;
        std::function<void(HostServices&)> script;
        HRESULT expected;
        std::wstring error;
        size_t calls; // host calls made before the transfer stopped
    };
    const Case cases[] = {
        {"no provider", [](HostServices& h) { h.failures[L"GetDocumentProvider"] = E_ACCESSDENIED; },
         E_ACCESSDENIED, L"error GetDocumentProvider 0x80070005", 1},
        {"not a provider", [](HostServices& h) { h.provider_answers = false; }, E_FAIL,
         L"error dataprovider == NULL  0x80004005", 1},
        {"unknown URL", [](HostServices&) {}, STG_E_FILENOTFOUND, L"error SetDataFromURL 0x80030002", 2},
        {"no lock bytes", [](HostServices& h) { h.failures[L"GetDataAsLockBytes"] = E_OUTOFMEMORY; },
         E_OUTOFMEMORY, L"error dataprovider->GetDataAsLockBytes 0x8007000E", 3},
        {"Stat fails", [](HostServices& h) { h.lock_bytes.stat_result = STG_E_ACCESSDENIED; },
         STG_E_ACCESSDENIED, L"error Stat 0x80030005", 4},
        {"not lock bytes", [](HostServices& h) { h.lock_bytes.stat_type = STGTY_STREAM; },
         DISP_E_TYPEMISMATCH, L"error Stat 0x80020005", 4},
        {"ReadAt fails", [](HostServices& h) { h.lock_bytes.read_result = STG_E_READFAULT; }, STG_E_READFAULT,
         L"error ReadAt 0x8003001E", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host().clear();
        host().set_url(L"table.xml", bytes_of("0123456789"));
        c.script(host());
        trace_log().records.clear();
        VARIANT data;
        data.vt = VT_I4;
        data.lVal = 3;
        EXPECT_EQ(transfer(std::string(c.what) == "unknown URL" ? L"missing.xml" : L"table.xml", &data),
                  c.expected);
        EXPECT_EQ(data.vt, VT_I4); // the out value is left as passed
        EXPECT_EQ(errors(), Lines{c.error});
        EXPECT_EQ(host().calls.size(), c.calls);
        EXPECT_EQ(lines(factory_name).back(), c.error); // no exit trace after a failure
    }
}

TEST_F(FactoryTransferTest, WithoutADocumentProxyThereIsNoProvider) {
    ASSERT_EQ(factory->setControl(nullptr), S_OK);
    com::unique_variant data;
    EXPECT_EQ(transfer(L"table.xml", data.get()), E_POINTER);
    // An object that is no document proxy is as good as none.
    auto not_a_proxy = create<IUnknown>(L"KEM.VEX_Trace_Gui");
    ASSERT_EQ(factory->setControl(not_a_proxy.get()), S_OK);
    EXPECT_EQ(transfer(L"table.xml", data.get()), E_NOINTERFACE);
    EXPECT_EQ(errors(),
              (Lines{L"error GetDocumentProvider 0x80004003", L"error GetDocumentProvider 0x80004002"}));
    EXPECT_TRUE(host().calls.empty());
}

TEST_F(FactoryTransferTest, TableForTheSpreadsheetNeedsTheSpreadsheet) {
    com::unique_bstr spreadsheet(L"spreadsheet"), gui(L"activatexmlsource_gui"), url(L"table.xml");
    LONG internal = 12345;
    EXPECT_EQ(factory->dp_table_identifier(spreadsheet.get(), gui.get(), url.get(), &internal), E_FAIL);
    EXPECT_EQ(internal, 12345); // never written
    EXPECT_EQ(lines(factory_name),
              (Lines{L"enter dp_table_identifier", L"error m_pspreadsheet.p is not created! 0x80004005"}));
    EXPECT_TRUE(host().calls.empty());
}

TEST_F(FactoryTransferTest, OtherProxyKeysHaveNoEffect) {
    com::unique_bstr word(L"wordprocessing"), name(L"activatexmlsource_gui"), url(L"table.xml");
    LONG internal = 0;
    EXPECT_EQ(factory->dp_table_identifier(word.get(), name.get(), url.get(), &internal), S_OK);
    // "spreadsheet" without the gui entry name routes nothing either.
    com::unique_bstr spreadsheet(L"spreadsheet"), other(L"activatexmlsource");
    EXPECT_EQ(factory->dp_table_identifier(spreadsheet.get(), other.get(), url.get(), &internal), S_OK);
    EXPECT_EQ(lines(factory_name),
              (Lines{L"enter dp_table_identifier", L"leave dp_table_identifier 0x00000000",
                     L"enter dp_table_identifier", L"leave dp_table_identifier 0x00000000"}));
    EXPECT_TRUE(host().calls.empty());
}

TEST_F(FactoryTransferTest, UrlsAndContentNeedAContainerTheHostCreated) {
    com::unique_bstr name(L"doc"), url(L"doc.xlsx"), factory_key(L"factory");
    EXPECT_EQ(factory->setdocumentUrl(name.get(), url.get()), E_FAIL);
    VARIANT meta;
    VariantInit(&meta);
    EXPECT_EQ(factory->metaSource(&meta), E_FAIL);
    EXPECT_EQ(meta.vt, VT_EMPTY);
    LONG internal = 0;
    EXPECT_EQ(factory->dp_table_identifier(factory_key.get(), name.get(), url.get(), &internal), E_FAIL);
    EXPECT_EQ(lines(factory_name), (Lines{
                                       L"enter setdocumentUrl",
                                       L"error m_pgeneraldocumentcontainer == NULL 0x80004005",
                                       L"enter metaSource",
                                       L"error m_pgeneraldocumentcontainer == NULL 0x80004005",
                                       L"enter dp_table_identifier",
                                       L"enter setdocumentUrl",
                                       L"error m_pgeneraldocumentcontainer == NULL 0x80004005",
                                       L"error setdocumentUrl 0x80004005",
                                   }));
    EXPECT_TRUE(trace_log().opened(L"CCVEX_GeneralDocumentContainer_Karvo").empty()); // none was created
}

} // namespace
} // namespace vex::test
