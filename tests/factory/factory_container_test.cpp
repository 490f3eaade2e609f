// The factory paths that need the document container: creation and wiring, document type, URLs,
// content, the component codes that build on the container, and the release order.
#include "support/com_test.h"

namespace vex::test {
namespace {

constexpr wchar_t factory_name[] = L"CVEX_Factory";
constexpr wchar_t container_name[] = L"CCVEX_GeneralDocumentContainer_Karvo";

class FactoryContainerTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        factory = create<IVEX_FactoryFull>(L"KEM.VEX_Factory_Gui");
        ASSERT_EQ(create_document_proxy(nullptr, IID_IUnknown, proxy.put_void()), S_OK);
        host().set_url(L"book.xlsx", bytes_of("workbook bytes"));
        trace_log().records.clear();
    }
    void TearDown() override {
        factory = nullptr;
        proxy = nullptr;
        ComTest::TearDown();
    }
    com::com_ptr<IVEX_GeneralDocumentContainer> container() {
        com::com_ptr<IDispatch> dispatch;
        EXPECT_EQ(factory->createproxy(3, dispatch.put()), S_OK);
        return com::query<IVEX_GeneralDocumentContainer>(dispatch.get());
    }
    // Global order of what the named objects traced, "object: line".
    Lines sequence(std::initializer_list<const wchar_t*> names) {
        Lines out;
        for (const auto& r : trace_log().records) {
            if (r.slot == slot_end || r.slot == slot_open)
                continue;
            for (const wchar_t* name : names)
                if (r.object_name == name)
                    out.push_back(r.object_name + L": " + r.text);
        }
        return out;
    }

    com::com_ptr<IVEX_FactoryFull> factory;
    com::com_ptr<IUnknown> proxy;
};

TEST_F(FactoryContainerTest, CreatingTheContainerWiresProxyAndEnvironment) {
    ASSERT_EQ(factory->setControl(proxy.get()), S_OK);
    trace_log().records.clear();
    auto c = container();
    ASSERT_TRUE(c);
    EXPECT_EQ(lines(factory_name),
              (Lines{L"enter createproxy", L"leave create_environment 0x00000000",
                     L"leave create_generaldocumentcontainer 0x00000000", L"leave createproxy 0x00000000"}));
    // In order: the container is made, gets the proxy, then the environment is made and handed over.
    EXPECT_EQ(sequence({container_name, L"CVEX_Environment_Karvo"}),
              (Lines{L"CCVEX_GeneralDocumentContainer_Karvo: FinalConstruct",
                     L"CCVEX_GeneralDocumentContainer_Karvo: setTrace",
                     L"CCVEX_GeneralDocumentContainer_Karvo: FinalConstruct",
                     L"CCVEX_GeneralDocumentContainer_Karvo: setControl",
                     L"CCVEX_GeneralDocumentContainer_Karvo: setControl",
                     L"CVEX_Environment_Karvo: FinalConstruct", L"CVEX_Environment_Karvo: FinalConstruct",
                     L"CCVEX_GeneralDocumentContainer_Karvo: setEnvironment"}));
    // Asking again hands out the same container.
    EXPECT_EQ(container(), c);
    // The container works through the proxy and the environment it was given.
    factory->put_activateInPlace(VARIANT_TRUE);
    com::unique_bstr url(L"book.xlsx"), copy(L"copy.xlsx");
    c->setDocumentdataUrl(url.get(), copy.get());
    host().calls.clear();
    ASSERT_EQ(c->opendocument(), S_OK);
    EXPECT_EQ(host().calls.front(), L"OpenDocument(, native, book.xlsx, -4, 1281)");
}

TEST_F(FactoryContainerTest, ControlReachesTheContainerBeforeAndAfterItExists) {
    auto c = container(); // no proxy yet
    com::unique_bstr url(L"book.xlsx");
    c->setDocumentdataUrl(url.get(), nullptr);
    EXPECT_EQ(c->opendocument(), E_FAIL);
    ASSERT_EQ(factory->setControl(proxy.get()), S_OK); // forwarded at once
    EXPECT_EQ(c->opendocument(), S_OK);
    EXPECT_EQ(lines(container_name).back(), L"leave opendocument 0x00000000");
}

// The document type lives in the container, made on first use with the environment.
TEST_F(FactoryContainerTest, DocumentTypeGoesToTheContainer) {
    LONG type = -1;
    ASSERT_EQ(factory->get_documentType(&type), S_OK);
    EXPECT_EQ(type, 0);
    for (const LONG set : {2, 1}) {
        ASSERT_EQ(set == 2 ? factory->put_documentType(set) : factory->setDocumentType(set), S_OK);
        factory->get_documentType(&type);
        EXPECT_EQ(type, set);
    }
    EXPECT_EQ(trace_log().opened(container_name).size(), 1u);
    EXPECT_EQ(trace_log().opened(L"CVEX_Environment_Karvo").size(), 1u);
}

// The document name is what the container opens, unless the factory key routes another URL there;
// the URL receives the content the meta source hands out.
TEST_F(FactoryContainerTest, DocumentUrlNameOpensAndUrlReceivesTheContent) {
    factory->setControl(proxy.get());
    factory->put_documentType(2);
    auto c = container();
    com::unique_bstr name(L"book.xlsx"), url(L"content.xlsx"), key(L"factory"), table(L"routed.xlsx");
    ASSERT_EQ(factory->setdocumentUrl(name.get(), url.get()), S_OK);
    host().calls.clear();
    ASSERT_EQ(c->opendocument(), S_OK);
    EXPECT_EQ(host().calls.front(), L"OpenDocument(Excel., native, book.xlsx, -4, 1281)");

    com::unique_variant meta;
    ASSERT_EQ(factory->metaSource(meta.get()), S_OK);
    ASSERT_EQ(meta->vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(host().calls.at(3), L"SaveDocumentToURL(100, content.xlsx)");
    LONG upper = 0;
    SafeArrayGetUBound(meta->parray, 1, &upper);
    EXPECT_EQ(upper, 14);
    EXPECT_EQ(factory->metaSource(nullptr), E_POINTER);

    host().set_url(L"routed.xlsx", bytes_of("other bytes"));
    LONG internal = 0;
    ASSERT_EQ(factory->dp_table_identifier(key.get(), name.get(), table.get(), &internal), S_OK);
    host().calls.clear();
    ASSERT_EQ(c->opendocument(), S_OK);
    EXPECT_EQ(host().calls.front(), L"OpenDocument(Excel., native, routed.xlsx, -4, 1281)");
}

TEST_F(FactoryContainerTest, SpreadsheetAndWordBuildOnTheSameContainer) {
    com::com_ptr<IDispatch> spreadsheet, word;
    EXPECT_EQ(factory->createproxy(5, spreadsheet.put()), S_OK);
    EXPECT_TRUE(com::query<IVEX_Spreadsheet>(spreadsheet.get()));
    EXPECT_EQ(factory->createproxy(6, word.put()), S_OK);
    EXPECT_TRUE(com::query<IVEX_Word>(word.get()));
    // Both use the one container and environment.
    EXPECT_EQ(trace_log().opened(container_name).size(), 1u);
    EXPECT_EQ(trace_log().opened(L"CVEX_Environment_Karvo").size(), 1u);
    EXPECT_EQ(lines(factory_name), (Lines{L"enter createproxy", L"leave create_environment 0x00000000",
                                          L"leave create_generaldocumentcontainer 0x00000000",
                                          L"leave create_spreadsheet 0x00000000",
                                          L"leave createproxy 0x00000000", L"enter createproxy",
                                          L"leave create_word 0x00000000", L"leave createproxy 0x00000000"}));
}

TEST_F(FactoryContainerTest, ReleaseClosesTheContainerOnceAndTheEnvironmentLast) {
    factory->setControl(proxy.get());
    factory->put_documentType(2);
    {
        auto c = container();
        com::unique_bstr url(L"book.xlsx");
        c->setDocumentdataUrl(url.get(), nullptr);
        ASSERT_EQ(c->opendocument(), S_OK);
    }
    trace_log().records.clear();
    host().calls.clear();
    factory = nullptr;
    EXPECT_EQ(host().calls, Lines{L"CloseDocument(100, 0)"}); // the open document is closed once
    EXPECT_EQ(sequence({factory_name, container_name, L"CVEX_Environment_Karvo"}),
              (Lines{
                  L"CVEX_Factory: FinalRelease",
                  L"CVEX_Factory: release_member_oleobject", // the container, through OLE
                  L"CVEX_Factory: release_member_oleobject",
                  L"CCVEX_GeneralDocumentContainer_Karvo: FinalRelease",
                  L"CCVEX_GeneralDocumentContainer_Karvo: closedocument",
                  L"CCVEX_GeneralDocumentContainer_Karvo: Automaticsave disabled!",
                  L"CCVEX_GeneralDocumentContainer_Karvo: closedocument",
                  L"CVEX_Factory: release_member_oleobject", // then the environment
                  L"CVEX_Factory: release_member_oleobject",
                  L"CVEX_Environment_Karvo: FinalRelease",
                  L"CVEX_Environment_Karvo: NOW trace",
                  L"CVEX_Factory: FinalRelease",
              }));
}

} // namespace
} // namespace vex::test
