' An automation client of the interpreter module, as a host of the product family writes one:
' it creates QJIntp32.CInterpreter by its programmatic identifier, writes a script with the
' file system object, runs it through QJIPInterpret, and checks the results. A second object
' shares the one engine of the module with the first.
Option Explicit

Dim fso, folder
Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.BuildPath(fso.GetSpecialFolder(2), "qjintp-client")
If Not fso.FolderExists(folder) Then fso.CreateFolder folder

' The first check that fails ends the client.
Sub Check(bOk, strWhat)
    If Not bOk Then
        WScript.Echo "FAIL: " & strWhat
        WScript.Quit 1
    End If
End Sub

' Writes a script file line by line and gives its path.
Function WriteScript(strName, arrLines)
    Dim strPath, stream, strLine
    strPath = fso.BuildPath(folder, strName)
    Set stream = fso.CreateTextFile(strPath, True)
    For Each strLine In arrLines
        stream.WriteLine strLine
    Next
    stream.Close
    WriteScript = strPath
End Function

Dim good, bad, first, second
good = WriteScript("good.scr", Array("Declare", "Number n = 0", "EndDeclare", "Main", _
    "n += 41", "n += 1", "If (n != 42)", "Exit(1)", "EndIf", "EndMain"))
bad = WriteScript("bad.scr", Array("Main", "NoSuchName = 1", "EndMain"))

Set first = CreateObject("QJIntp32.CInterpreter")
Check first.QJIPInterpret(good, "NT", "") = True, "a script that runs to its end gives True"
Check first.QJIPInterpret(bad, "NT", "") = False, "a failing script gives False"

' A second object reaches the same engine; the identifiers of a run are gone after it.
Set second = CreateObject("QJIntp32.CInterpreter")
Check second.QJIPInterpret(good, "NT", "") = True, "a second object runs the same script again"
Set first = Nothing
Check second.QJIPInterpret(good, "NT", """x""") = True, "the second object outlives the first"
Set second = Nothing

fso.DeleteFolder folder, True
WScript.Echo "client: all passed"
