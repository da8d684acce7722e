' VideoTransform from VBScript, late bound. Each case checks the error its
' statement raised and the state after it; a check that raised an error
' itself is skipped and counts as failed.
Option Explicit
Const kCases = 13
Dim o, o1, r, arr, i, passes
passes = 0

Sub Expect(number, wanted, condition)
    If number = wanted And condition Then
        passes = passes + 1
    Else
        WScript.Echo "FAIL: case " & i & ": error " & number & ", expected " & wanted
    End If
End Sub

On Error Resume Next
Set o = CreateObject("TavrixVideoTransform.VideoTransform")
Set o1 = CreateObject("TavrixVideoTransform.VideoTransform.1")
If Err.Number <> 0 Then
    WScript.Echo "FAIL: CreateObject gave error " & Err.Number & " (the test prefix has no COM surrogate)"
    WScript.Quit 1
End If
For i = 1 To kCases
    Err.Clear
    Select Case i
    Case 1: r = TypeName(o1): Expect Err.Number, 0, r = "IVideoTransform"
    Case 2: r = o.UseMask: Expect Err.Number, 0, TypeName(r) = "Boolean" And r = False
    Case 3: o.UseMask = 1: Expect Err.Number, 0, CInt(o.UseMask) = -1
    Case 4: r = o.get_UseMask(): Expect Err.Number, 0, r = True
    Case 5: o.put_UseMask False: Expect Err.Number, 438, o.UseMask = True
    Case 6: r = o.BackColor: Expect Err.Number, 0, TypeName(r) = "Long" And r = 0
    Case 7: o.BackColor = "255": Expect Err.Number, 0, o.BackColor = 255
    Case 8: o.BackColor = "red": Expect Err.Number, 13, o.BackColor = 255
    Case 9: r = o.AdjustBrightness(1, 20): Expect Err.Number, 0, IsEmpty(r)
    Case 10: arr = 5: o.GetSafeArray arr: Expect Err.Number, 0, IsEmpty(arr)
    Case 11: o.AdjustBrightness 1: Expect Err.Number, 450, True
    Case 12: o.AdjustBrightness "abc", 1: Expect Err.Number, 13, True
    Case 13: o.AdjustNothing 1: Expect Err.Number, 438, True
    End Select
Next

WScript.Echo passes & " passed, " & (kCases - passes) & " failed"
If passes = kCases Then WScript.Echo "PASS" Else WScript.Echo "FAIL"
WScript.Quit kCases - passes
