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

finish();
