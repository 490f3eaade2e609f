// A script host renders the sample table document into a workbook of the stand-in Excel, by ProgID,
// through the factory, the container and the spreadsheet component; a text that is no table document
// raises the component's failure.
step("a table document from the provider, and one that is not", function () {
    var proxy = new ActiveXObject("VexStandins.DocumentProxy");
    proxy.Clear();
    var factory = new ActiveXObject("KEM.VEX_Factory_Gui");
    factory.setControl(proxy);
    factory.activateInPlace = false;
    factory.setDocumentType(2);
    factory.createproxy(3).createdocument();
    var spreadsheet = factory.createproxy(5);

    // cscript runs in the build directory: the provider reads the sample as a file from there.
    spreadsheet.activatexmlsource_gui("../../samples/quarterly-sales.xml");
    var workbook = proxy.ExcelText;
    check(workbook.indexOf("sheet Sales, frozen columns 1, merged A8:F8") >= 0, "the Sales sheet: " + workbook);
    check(workbook.indexOf("|Quarterly sales by region") >= 0, "the top of list");
    check(workbook.indexOf("sheet Rates") >= 0, "the second area's sheet");

    proxy.SetUrlText("notes.txt", "these are notes, not a table document");
    checkEqual(errorOf(function () { spreadsheet.activatexmlsource_gui("notes.txt"); }), "0x80004005",
               "what a text that is no table document raises");
});

finish();
