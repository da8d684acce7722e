// VideoTransform from JScript (late binding through IDispatch only):
// creation by ProgID, the two properties, calls, and the error numbers a
// script sees (JScript reports the raw HRESULT). Prints every failure, then
// "N passed, N failed" and PASS or FAIL; the exit code is the number of
// failures.
var passes = 0, failures = 0;

function check(condition, what) {
    if (condition) {
        passes++;
    } else {
        failures++;
        WScript.Echo("FAIL: " + what);
    }
}

// The error number a call raises, or 0.
function errorOf(call) {
    try {
        call();
    } catch (e) {
        return e.number;
    }
    return 0;
}

var DISP_E_TYPEMISMATCH = -2147352571;   // 0x80020005
var DISP_E_BADPARAMCOUNT = -2147352562;  // 0x8002000E
var NOT_SUPPORTED = -2146827850;         // 0x800A01B6, unknown member

var o = null;
try {
    o = new ActiveXObject("TavrixVideoTransform.VideoTransform");
} catch (e) {
    WScript.Echo("FAIL: ActiveXObject gave error " + e.number);
    WScript.Quit(1);
}

try {
    check(new ActiveXObject("TavrixVideoTransform.VideoTransform.1") !== null, "version-dependent ProgID");

    // Properties.
    check(o.UseMask === false, "UseMask starts false");
    o.UseMask = true;
    check(o.UseMask === true, "UseMask after true");
    o.UseMask = 0;
    check(o.UseMask === false, "UseMask after 0");
    o.UseMask = 1;
    check(o.UseMask === true, "UseMask after 1 (converted to a boolean)");
    o.UseMask = false;
    check(typeof o.BackColor === "number", "BackColor type: " + typeof o.BackColor);
    check(o.BackColor === 0, "BackColor starts 0");
    o.BackColor = 0xFF0000;
    check(o.BackColor === 16711680, "BackColor after 0xFF0000: " + o.BackColor);
    o.BackColor = "4660";
    check(o.BackColor === 4660, "BackColor after the text 4660: " + o.BackColor);
    o.BackColor = 2.75;
    check(o.BackColor === 3, "BackColor after 2.75 (rounded by the conversion): " + o.BackColor);

    // Methods give no value; without an image they refuse quietly.
    check(o.AdjustBrightness(1, 20) === undefined, "a method gives no value");
    check(errorOf(function () { o.AdjustInvert(0.5); }) === 0, "AdjustInvert call");
    check(errorOf(function () { o.AdjustBrightnessEx(1, 10, "20", 30.5); }) === 0, "AdjustBrightnessEx call");
    check(errorOf(function () { o.UtilitySwapChannels(2, 1, 0); }) === 0, "UtilitySwapChannels call");

    // Wrong argument counts.
    check(errorOf(function () { o.AdjustBrightness(1); }) === DISP_E_BADPARAMCOUNT, "one argument for two");
    check(errorOf(function () { o.AdjustBrightness(1, 2, 3); }) === DISP_E_BADPARAMCOUNT, "three for two");
    check(errorOf(function () { o.AdjustInvert(); }) === DISP_E_BADPARAMCOUNT, "none for one");
    check(errorOf(function () { o.AdjustBrightness(1, 2, 3, 4, 5, 6, 7, 8, 9, 10); }) === DISP_E_BADPARAMCOUNT,
          "ten arguments");

    // Type mismatches.
    check(errorOf(function () { o.AdjustBrightness("abc", 1); }) === DISP_E_TYPEMISMATCH, "text for a double");
    check(errorOf(function () { o.UtilitySwapChannels(2, 300, 0); }) === DISP_E_TYPEMISMATCH, "300 for a byte");
    check(errorOf(function () { o.SetSafeArray(5); }) === DISP_E_TYPEMISMATCH, "number for an array");
    var nothing;
    check(errorOf(function () { o.GetSafeArray(nothing); }) === DISP_E_TYPEMISMATCH, "undefined for an out array");
    check(errorOf(function () { o.BackColor = "red"; }) === DISP_E_TYPEMISMATCH, "text for a colour");
    check(o.BackColor === 3, "BackColor unchanged by a failed put");

    // Unknown members.
    check(errorOf(function () { o.AdjustNothing(1); }) === NOT_SUPPORTED, "unknown member");
} catch (e) {
    failures++;
    WScript.Echo("FAIL: unexpected error " + e.number + " " + e.description);
}

o = null;
WScript.Echo(passes + " passed, " + failures + " failed");
WScript.Echo(failures === 0 ? "PASS" : "FAIL");
WScript.Quit(failures);
