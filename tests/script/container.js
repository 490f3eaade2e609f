// A script host opens a workbook through the factory and the container, with the stand-in document
// proxy registered in the test prefix: create, save, close.
var log = new ActiveXObject("VexStandins.Log");

step("factory, container and a stand-in proxy", function () {
    var proxy = new ActiveXObject("VexStandins.DocumentProxy");
    proxy.Clear();
    log.Clear();
    var factory = new ActiveXObject("KEM.VEX_Factory_Gui");
    factory.setControl(proxy);
    factory.activateInPlace = false;
    factory.setDocumentType(2);
    var container = factory.createproxy(3);
    check(container !== null, "createproxy(3) hands out the container");

    container.createdocument();
    container.setDocumentdataUrl("saved.xlsx", "copy.xlsx");
    container.savedocument();
    checkEqual(proxy.UrlText("saved.xlsx"), "new document of type Excel.", "the saved workbook");
    container.closedocument();
    checkEqual(proxy.Calls, [
        "CreateDocument(Excel., native, , -2, 1281)", "GetOperationStatus()",
        "SaveDocumentToURL(100, saved.xlsx)", "CloseDocument(100, 0)"
    ].join("\n"), "what the container asked of the proxy");
    var expected = [
        "enter createdocument", "enter getDocumenttype", "leave getDocumenttype 0x00000000",
        "leave createdocument 0x00000000", "enter setDocumentdataUrl", "leave setDocumentdataUrl 0x00000000",
        "enter savedocument", "enter closedocument", "leave closedocument 0x00000000"
    ];
    checkEqual(log.TraceLines("CCVEX_GeneralDocumentContainer_Karvo").split("\n").slice(-expected.length).join("\n"),
               expected.join("\n"), "container trace records");

    // A document opened from a URL and saved to another. (Its content, a byte array, is not a value
    // Wine's JScript can hold; the Windows tests read it.)
    proxy.SetUrlText("book.xlsx", "workbook bytes");
    container.setDocumentdataUrl("book.xlsx", "copy.xlsx");
    container.opendocument();
    container.setDocumentdataUrl("book-saved.xlsx", "copy.xlsx");
    container.savedocument();
    checkEqual(proxy.UrlText("book-saved.xlsx"), "workbook bytes", "the opened workbook saved elsewhere");
    checkEqual(errorOf(function () { container.setDocumentType(7); container.opendocument(); }), "none",
               "an unknown type opens with no type name");

    container = null;
    factory = null;
    CollectGarbage();
    checkEqual(proxy.Calls.split("\n").slice(-1)[0], "CloseDocument(102, 0)", "release closes the open document");
});

finish();
