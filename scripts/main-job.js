// The main job: a host script does what the desktop front end does with vex, by ProgID, and prints
// each step with what vex reported to the host's trace service.
var log = new ActiveXObject("VexStandins.Log");

function say(text) {
    WScript.Echo(text);
}

// Prints what the named objects traced since the last call, then forgets it. The step from one
// document node to the next is traced once per node: those lines are counted, not printed.
function traced() {
    for (var i = 0; i < arguments.length; i++) {
        var lines = log.TraceLines(arguments[i]).split("\n"), steps = 0;
        for (var j = 0; j < lines.length; j++) {
            if (lines[j].indexOf(" getNextSibling") >= 0)
                steps++;
            else if (lines[j])
                say("    " + arguments[i] + ": " + lines[j]);
        }
        if (steps)
            say("    " + arguments[i] + ": (" + steps + " node steps)");
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

// Prints only the warnings and errors an object traced, and how many calls it traced in all.
function problems(name) {
    var lines = log.TraceLines(name).split("\n"), calls = 0;
    for (var i = 0; i < lines.length; i++) {
        if (/^(warning|error) /.test(lines[i]))
            say("    " + name + ": " + lines[i]);
        else if (lines[i])
            calls++;
    }
    say("    " + name + ": (" + calls + " entries and exits)");
}

// The console shows text in code page 437: the merge field marks are written << and >> there.
function shown(text) {
    return text.replace(/\u00AB/g, "<<").replace(/\u00BB/g, ">>");
}

step("field data merged into a letter", function () {
    var proxy = new ActiveXObject("VexStandins.DocumentProxy");
    proxy.Clear();
    var factory = new ActiveXObject("KEM.VEX_Factory_Gui");
    factory.setControl(proxy);
    factory.activateInPlace = false;
    factory.setDocumentType(1);
    say("open samples/letter.txt in Word through the container, get the word component");
    var container = factory.createproxy(3);
    // The proxy and the provider read the samples as files, relative to the build directory.
    container.setDocumentdataUrl("../../samples/letter.txt", "letter-content.txt");
    container.opendocument();
    var word = factory.createproxy(6);
    say("    the letter: " + shown(proxy.WordText).split("\n").join("\n                "));
    log.Clear();

    say("setFields_gui(samples/letter-fields.txt): two records");
    word.setFields_gui("../../samples/letter-fields.txt");
    problems("CVEX_Word_WOB");
    say("the container's document now holds the merged letters (a section break between them):");
    say("    " + shown(proxy.WordText).replace(/\f/g, "\n    ---- section break ----\n").split("\n").join("\n    "));
    say("    data files left in Word's temporary folder: " + proxy.WordTempFiles);
    say("    the proxy was asked: " + proxy.Calls.split("\n").join("; "));

    word = null;
    container = null;
    factory = null;
    CollectGarbage();
});

step("a table document rendered into a workbook", function () {
    var proxy = new ActiveXObject("VexStandins.DocumentProxy");
    proxy.Clear();
    var factory = new ActiveXObject("KEM.VEX_Factory_Gui");
    factory.setControl(proxy);
    factory.activateInPlace = false;
    factory.setDocumentType(2);
    say("create a workbook through the container, get the spreadsheet component");
    var container = factory.createproxy(3);
    container.createdocument();
    var spreadsheet = factory.createproxy(5);
    log.Clear();

    // The provider reads the URL as a file, relative to the build directory the job runs in.
    say("activatexmlsource_gui(samples/quarterly-sales.xml)");
    spreadsheet.activatexmlsource_gui("../../samples/quarterly-sales.xml");
    problems("CVEX_Spreadsheet_Excel_Wob");
    traced("CVEX_Spreadsheet");
    say("the workbook in Excel:");
    say("    " + proxy.ExcelText.split("\n").join("\n    "));

    say("release everything: the container closes the workbook");
    spreadsheet = null;
    container = null;
    factory = null;
    CollectGarbage();
    say("    the proxy's last call: " + proxy.Calls.split("\n").slice(-1)[0]);
});

finish();
