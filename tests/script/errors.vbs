' VBScript learns why a call failed from Err.Description; Err.Number stays the status, and a good
' call leaves Err clear.
Set factory = CreateObject("KEM.VEX_Factory_Gui")
On Error Resume Next
factory.createproxy 7
CheckEqual Hex(Err.Number), "80004005", "the status of createproxy(7)"
CheckEqual Err.Description, "createproxy: Unknown type (0x80004005)", "the reason"
CheckEqual Err.Source, "KEM.VEX_Factory_Gui", "the source"
Err.Clear
factory.createproxy 1
CheckEqual Err.Number, 0, "a good call"
CheckEqual Err.Description, "", "no reason after a good call"
On Error GoTo 0
Finish
