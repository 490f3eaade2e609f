// A script host drives vex by ProgID: registry, factory, environment and trace records.
var log = new ActiveXObject("VexStandins.Log");
var shell = new ActiveXObject("WScript.Shell");

step("registry after regsvr32", function () {
    checkEqual(shell.RegRead("HKCR\\KEM.VEX_Factory_Gui\\CurVer\\"), "KEM.VEX_Factory_Gui.1", "factory CurVer");
    checkEqual(shell.RegRead("HKCR\\KEM.VEX_Word_Gui\\"), "VEX_Word_Gui Class", "word description");
    checkEqual(shell.RegRead("HKCR\\KEM.VEX_Word_Gui.1\\"), "KEM VEX_Word_Gui Class", "word versioned description");
    checkEqual(errorOf(function () {
        shell.RegRead("HKCR\\CLSID\\{2258646B-A383-41D6-B05A-451A8799816C}\\InprocServer32\\ThreadingModel");
    }) !== "none", true, "environment has no threading model");
});

step("factory and environment by ProgID", function () {
    log.Clear();
    var factory = new ActiveXObject("KEM.VEX_Factory_Gui");
    var environment = factory.createproxy(1);
    check(environment !== null, "createproxy(1) hands out the environment");
    factory.activateInPlace = false;
    environment.setInplace(7);
    checkEqual(errorOf(function () { factory.createproxy(7); }), "0x80004005", "unknown component type");
    checkEqual(factory.createproxy(0), null, "createproxy(0) hands out nothing");
    checkEqual(log.TraceLines("CVEX_Factory").split("\n").slice(-5).join("\n"), [
        "enter createproxy", "error Unknown type 0x80004005", "leave createproxy 0x80004005",
        "enter createproxy", "leave createproxy 0x00000000"
    ].join("\n"), "factory trace records");
    checkEqual(log.TraceLines("CVEX_Environment_Karvo").split("\n").slice(-4).join("\n"),
               "enter setInplace\nleave setInplace 0x00000000\nenter setInplace\nleave setInplace 0x00000000",
               "environment trace records");
    environment = null;
    factory = null;
    CollectGarbage();
    checkEqual(log.TraceLines("CVEX_Factory").split("\n").slice(-4).join("\n"), [
        "enter FinalRelease", "enter release_member_oleobject", "leave release_member_oleobject 0x00000000",
        "leave FinalRelease 0x00000000"
    ].join("\n"), "factory release");
});

step("trace component by ProgID", function () {
    log.Clear();
    var trace = new ActiveXObject("KEM.VEX_Trace_Gui");
    trace.InitialiseTrace("script", log);
    trace.TraceEnter("from script");
    trace.setTraceLevel(4);
    trace.TraceEnter("silenced");
    checkEqual(log.TraceLines("script"), "enter from script", "trace records of a script");
});

finish();
