// The main job: a host script does what the desktop front end does with vex, by ProgID, and prints
// each step with what vex reported to the host's trace service.
var log = new ActiveXObject("VexStandins.Log");

function say(text) {
    WScript.Echo(text);
}

// Prints what the named objects traced since the last call, then forgets it.
function traced() {
    for (var i = 0; i < arguments.length; i++) {
        var lines = log.TraceLines(arguments[i]);
        if (lines)
            say("    " + arguments[i] + ": " + lines.split("\n").join("\n    " + arguments[i] + ": "));
    }
    log.Clear();
}

step("factory and environment", function () {
    say("create KEM.VEX_Factory_Gui");
    var factory = new ActiveXObject("KEM.VEX_Factory_Gui");
    traced("CVEX_Factory");

    say("createproxy(1): the environment");
    var environment = factory.createproxy(1);
    traced("CVEX_Factory", "CVEX_Environment_Karvo");

    say("activateInPlace = false: documents open out of place");
    factory.activateInPlace = false;
    traced("CVEX_Factory", "CVEX_Environment_Karvo");

    say("createproxy(7): no such component");
    say("    raised " + errorOf(function () { factory.createproxy(7); }));
    traced("CVEX_Factory");

    say("release the factory");
    environment = null;
    factory = null;
    CollectGarbage();
    traced("CVEX_Factory", "CVEX_Environment_Karvo");
});

step("a workbook through the document container", function () {
    var proxy = new ActiveXObject("VexStandins.DocumentProxy");
    proxy.Clear();
    proxy.SetUrlText("quarter.xlsx", "the host's workbook");
    say("create the factory and hand it the host's document proxy");
    var factory = new ActiveXObject("KEM.VEX_Factory_Gui");
    factory.setControl(proxy);
    factory.activateInPlace = false;
    say("setDocumentType(2): Excel");
    factory.setDocumentType(2);
    var container = factory.createproxy(3);
    traced("CVEX_Factory", "CCVEX_GeneralDocumentContainer_Karvo");

    say("open quarter.xlsx out of place, save it as quarter-saved.xlsx, close it");
    container.setDocumentdataUrl("quarter.xlsx", "quarter-content.xlsx");
    container.opendocument();
    container.setDocumentdataUrl("quarter-saved.xlsx", "quarter-content.xlsx");
    container.savedocument();
    container.closedocument();
    traced("CCVEX_GeneralDocumentContainer_Karvo");
    say("    the proxy was asked: " + proxy.Calls.split("\n").join("; "));
    say("    quarter-saved.xlsx holds: " + proxy.UrlText("quarter-saved.xlsx"));

    say("create a new workbook and release everything while it is open");
    container.createdocument();
    container = null;
    factory = null;
    CollectGarbage();
    traced("CVEX_Factory", "CCVEX_GeneralDocumentContainer_Karvo");
    say("    the proxy's last call: " + proxy.Calls.split("\n").slice(-1)[0]);
});

finish();
