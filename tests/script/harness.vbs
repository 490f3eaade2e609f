' Shared by the VBScript tests: checks that count failures, and the exit code (cscript swallows
' script errors and exits 0).
Dim failed
failed = 0

Sub CheckEqual(actual, expected, what)
    If actual <> expected Then
        failed = failed + 1
        WScript.Echo "FAIL: " & what & vbLf & "  expected: " & expected & vbLf & "  actual:   " & actual
    End If
End Sub

Sub Finish()
    If failed > 0 Then WScript.Echo failed & " check(s) failed" Else WScript.Echo "all checks passed"
    WScript.Quit failed
End Sub
