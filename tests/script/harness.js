// Shared by the script-host tests: checks that count failures, and the exit code. cscript swallows
// script errors and exits 0, so every test wraps its steps and ends with WScript.Quit(failures()).
var failed = 0;

function check(condition, what) {
    if (!condition) {
        failed++;
        WScript.Echo("FAIL: " + what);
    }
}

function checkEqual(actual, expected, what) {
    if (actual !== expected) {
        failed++;
        WScript.Echo("FAIL: " + what + "\n  expected: " + expected + "\n  actual:   " + actual);
    }
}

// Runs f and returns the error number it raised (unsigned, as hex text), or "none".
function errorOf(f) {
    try {
        f();
    } catch (e) {
        return "0x" + (e.number >>> 0).toString(16).toUpperCase();
    }
    return "none";
}

function step(name, f) {
    try {
        f();
    } catch (e) {
        failed++;
        WScript.Echo("FAIL: " + name + " raised 0x" + (e.number >>> 0).toString(16) + " " + e.description);
    }
}

function finish() {
    WScript.Echo(failed ? failed + " check(s) failed" : "all checks passed");
    WScript.Quit(failed ? 1 : 0);
}
