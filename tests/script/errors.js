// A script host learns why a call failed: e.description carries the method, the innermost step's
// text and its status, e.number stays the status the method returned, and a good call after a
// failing one leaves no reason behind.
function failure(f) {
    try {
        f();
    } catch (e) {
        return "0x" + (e.number >>> 0).toString(16).toUpperCase() + " " + e.description;
    }
    return "none";
}

step("failing calls say why", function () {
    var proxy = new ActiveXObject("VexStandins.DocumentProxy");
    proxy.Clear();
    var factory = new ActiveXObject("KEM.VEX_Factory_Gui");
    var alone = new ActiveXObject("KEM.VEX_GeneralDContainer_Gui");
    factory.setControl(proxy);
    factory.activateInPlace = false;
    factory.setDocumentType(2);
    var container = factory.createproxy(3);
    container.createdocument();
    var spreadsheet = factory.createproxy(5);
    proxy.ExcelFail("Application.Run", 0x80004005);
    var cases = [
        [function () { factory.createproxy(7); }, "0x80004005 createproxy: Unknown type (0x80004005)"],
        [function () { alone.opendocument(); }, "0x80004005 opendocument: no document proxy (0x80004005)"],
        [function () { spreadsheet.activatexmlsource("<short/>"); },
         "0x80004005 activatexmlsource: Wrong input xml: <short/> (0x80004005)"],
        [function () { container.setDocumentdataUrl("missing.xlsx", ""); container.opendocument(); },
         "0x80030002 opendocument: pDisp->OpenDocument (0x80030002)"],
        // Excel's own refusal, in the words it gave.
        [function () { spreadsheet.runmacro("Tidy"); },
         "0x80004005 runmacro: proxy->Invoke: Stand-in Excel refused Application.Run (0x80004005)"]
    ];
    for (var i = 0; i < cases.length; i++)
        checkEqual(failure(cases[i][0]), cases[i][1], "case " + i);
    checkEqual(failure(function () { factory.createproxy(1); }), "none", "a good call");
});

finish();
