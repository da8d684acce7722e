' VideoTransform from VBScript (late binding through IDispatch only):
' creation by ProgID, the two properties, calls, and the error numbers a
' script sees. Prints every failure, then "N passed, N failed" and PASS or
' FAIL; the exit code is the number of failures.
Option Explicit

Dim passes, failures
passes = 0
failures = 0

Sub Check(condition, what)
    If condition Then
        passes = passes + 1
    Else
        failures = failures + 1
        WScript.Echo "FAIL: " & what
    End If
End Sub

Dim o, o1, r, arr, n

On Error Resume Next
Set o = CreateObject("TavrixVideoTransform.VideoTransform")
n = Err.Number
On Error Goto 0
If n <> 0 Then
    WScript.Echo "FAIL: CreateObject gave error " & n
    WScript.Quit 1
End If

On Error Resume Next
Set o1 = CreateObject("TavrixVideoTransform.VideoTransform.1")
Check Err.Number = 0, "version-dependent ProgID, error " & Err.Number
Check TypeName(o1) = "IVideoTransform", "TypeName of the object: " & TypeName(o1)
Err.Clear

' Properties.
Check TypeName(o.UseMask) = "Boolean", "UseMask type: " & TypeName(o.UseMask)
Check o.UseMask = False, "UseMask starts false"
o.UseMask = True
Check o.UseMask = True, "UseMask after True"
Check CInt(o.UseMask) = -1, "UseMask True is -1"
o.UseMask = False
Check o.UseMask = False, "UseMask after False"
o.UseMask = 1
Check o.UseMask = True, "UseMask after 1 (converted to a boolean)"
o.UseMask = 0
Check o.UseMask = False, "UseMask after 0"
o.UseMask = True
Check o.get_UseMask = True, "get_UseMask reads the property"
o.UseMask = False
Check o.get_UseMask() = False, "get_UseMask() reads the property"
Check Err.Number = 0, "no error from the accessors: " & Err.Number
Err.Clear
' A property called as a method (no property flag): member not found.
o.put_UseMask True
Check Err.Number = 438, "put_UseMask as a method, error " & Err.Number
Check o.UseMask = False, "UseMask unchanged by the failed call"
Err.Clear
Check TypeName(o.BackColor) = "Long", "BackColor type: " & TypeName(o.BackColor)
Check o.BackColor = 0, "BackColor starts 0"
o.BackColor = &HFF0000
Check o.BackColor = 16711680, "BackColor after &HFF0000: " & o.BackColor
o.BackColor = "255"
Check o.BackColor = 255, "BackColor after the text 255: " & o.BackColor
o.BackColor = -1
Check o.BackColor = -1, "BackColor after -1: " & o.BackColor
Check Err.Number = 0, "no error so far: " & Err.Number
Err.Clear

' Methods give no value; without an image they refuse quietly.
r = o.AdjustBrightness(1, 20)
Check Err.Number = 0, "AdjustBrightness call, error " & Err.Number
Check IsEmpty(r), "a method gives no value"
Err.Clear
o.AdjustInvert 0.5
Check Err.Number = 0, "AdjustInvert call, error " & Err.Number
Err.Clear
o.UtilitySwapChannels 2, 1, 0
Check Err.Number = 0, "UtilitySwapChannels call, error " & Err.Number
Err.Clear
arr = 5
o.GetSafeArray arr
Check Err.Number = 0, "GetSafeArray without an image, error " & Err.Number
Check IsEmpty(arr), "GetSafeArray without an image empties the variable: " & TypeName(arr)
Err.Clear

' Wrong argument counts: 450.
o.AdjustBrightness 1
Check Err.Number = 450, "one argument for two, error " & Err.Number
Err.Clear
o.AdjustBrightness 1, 2, 3
Check Err.Number = 450, "three arguments for two, error " & Err.Number
Err.Clear
o.AdjustInvert
Check Err.Number = 450, "no argument for one, error " & Err.Number
Err.Clear

' Type mismatches: 13.
o.AdjustBrightness "abc", 1
Check Err.Number = 13, "text for a double, error " & Err.Number
Err.Clear
o.AdjustBrightness 1, "twenty"
Check Err.Number = 13, "text for an integer, error " & Err.Number
Err.Clear
o.UtilitySwapChannels 2, 300, 0
Check Err.Number = 13, "300 for a byte, error " & Err.Number
Err.Clear
o.SetSafeArray 5
Check Err.Number = 13, "number for an array, error " & Err.Number
Err.Clear
o.BackColor = "red"
Check Err.Number = 13, "text for a colour, error " & Err.Number
Check o.BackColor = -1, "BackColor unchanged by a failed put"
Err.Clear

' Unknown members: 438.
o.AdjustNothing 1
Check Err.Number = 438, "unknown member, error " & Err.Number
Err.Clear
r = o.NoSuchProperty
Check Err.Number = 438, "unknown property, error " & Err.Number
Err.Clear
On Error Goto 0

Set o = Nothing
Set o1 = Nothing

WScript.Echo passes & " passed, " & failures & " failed"
If failures = 0 Then
    WScript.Echo "PASS"
Else
    WScript.Echo "FAIL"
End If
WScript.Quit failures
