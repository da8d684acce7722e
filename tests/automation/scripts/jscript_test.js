// VideoTransform from JScript, late bound: JScript reports the raw HRESULT.
var BADPARAMCOUNT = -2147352562, TYPEMISMATCH = -2147352571, NOT_SUPPORTED = -2146827850;
var passes = 0, o, r, nothing;
try {
    o = new ActiveXObject("TavrixVideoTransform.VideoTransform");
    r = new ActiveXObject("TavrixVideoTransform.VideoTransform.1");
} catch (e) {
    WScript.Echo("FAIL: ActiveXObject gave error " + e.number + " (the test prefix has no COM surrogate)");
    WScript.Quit(1);
}
// A call, the error it raises (0: none) and, optionally, the state after it.
var cases = [
    [function () { r = o.UseMask; }, 0, function () { return r === false; }],
    [function () { o.UseMask = 1; }, 0, function () { return o.UseMask === true; }],
    [function () { o.BackColor = 0xFF0000; }, 0, function () { return o.BackColor === 16711680; }],
    [function () { o.BackColor = 2.75; }, 0, function () { return o.BackColor === 3; }],
    [function () { o.BackColor = "red"; }, TYPEMISMATCH, function () { return o.BackColor === 3; }],
    [function () { r = o.AdjustBrightness(1, 20); }, 0, function () { return r === nothing; }],
    [function () { o.AdjustBrightnessEx(1, 10, "20", 30.5); }, 0],
    [function () { o.AdjustBrightness(1, 2, 3, 4, 5, 6, 7, 8, 9, 10); }, BADPARAMCOUNT],
    [function () { o.GetSafeArray(nothing); }, TYPEMISMATCH],
    [function () { o.AdjustNothing(1); }, NOT_SUPPORTED]
];
for (var i = 0; i < cases.length; i++) {
    var number = 0;
    try { cases[i][0](); } catch (e) { number = e.number; }
    if (number === cases[i][1] && (!cases[i][2] || cases[i][2]())) {
        passes++;
    } else {
        WScript.Echo("FAIL: " + cases[i][0] + ": error " + number);
    }
}

WScript.Echo(passes + " passed, " + (cases.length - passes) + " failed");
WScript.Echo(passes === cases.length ? "PASS" : "FAIL");
WScript.Quit(cases.length - passes);
