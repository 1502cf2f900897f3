" Vim syntax file
" Language: QJScript, the scripts of the QJIntp32 interpreter (*.scr)
" Install: copy the syntax and ftdetect folders into ~/.vim (or a pack's start folder).
if exists("b:current_syntax")
  finish
endif

syn case match

syn keyword qjBlock Declare EndDeclare Main EndMain EndProc
syn keyword qjBlock Proc nextgroup=qjProcName skipwhite
syn match qjProcName "\h\w*" contained
syn keyword qjConditional If EndIf
syn keyword qjRepeat While EndWhile
syn keyword qjStatement Return
syn keyword qjType Number String Object
syn keyword qjConstant TRUE FALSE Null
syn keyword qjBuiltin PVWScanDifference PVWMove PVWCopy PVWEqualize PVWUpdate PVWDelete
syn keyword qjBuiltin PVWChangeAttrib PVWCreateDirectory PVWSetSimulation PVWSetShowProgress
syn keyword qjBuiltin PVWSetIgnoreErrors PVWSetAnswerYesForDelete PVWBreak PVWSetReservedSpace
syn keyword qjBuiltin PVWSetProcessEmptyDirs PVWSetSuppressErrorBox PVWSetFileTimeFilter
syn keyword qjBuiltin PVWSetNotifyWindow PVWAddFileIncludeFilter PVWAddFileExcludeFilter
syn keyword qjBuiltin PVWAddDirExcludeFilter PVWSetIncludeAttributes PVWSetExcludeAttributes
syn keyword qjBuiltin PVWAddCopyFile PVWCopyFiles PVEnvInit PVEnvSet PVEnvGet PVEnvStrToRealStr
syn keyword qjBuiltin PVEnvPathStrToEnvStr PVEnvFree ActRun ActIDRun GetParam GetMountedDrives
syn keyword qjBuiltin Dismount CloseMeldStart GetLenght IsEmpty Empty Concat Compare CompareNoCase
syn keyword qjBuiltin MakeUpper MakeLower TrimLeft TrimRight TrimLeftStr TrimRightStr Itoa Atoi
syn keyword qjBuiltin GetFileName GetPath StripCharLeft StripCharRight Exit DebugPrintNum
syn keyword qjBuiltin DebugPrintStr
syn match qjNumber "\<\d\+\>"
syn match qjOperator "[=!<>]=\|[+-]=\|="
" The language has no < and > comparisons and no ! on its own.
syn match qjBadOperator "[<>!]=\@!"
syn match qjMember "\.\s*\zs\h\w*"
syn keyword qjTodo TODO FIXME XXX contained
syn match qjComment "//.*$" contains=qjTodo
syn match qjDirective "^\s*#\s*\%(Esc\|NoEsc\)\>"

syn match qjEscape +\\["\\abfnrtv]+ contained
syn match qjBadEscape +\\[^"\\abfnrtv]\=+ contained
syn region qjString start=+"+ skip=+\\\\\|\\"+ end=+"+ end=+$+ contains=qjEscape,qjBadEscape

" From #NoEsc to the next #Esc a backslash in a string is an ordinary character.
syn cluster qjCode contains=qjBlock,qjConditional,qjRepeat,qjStatement,qjType,qjConstant,qjBuiltin,qjNumber,qjOperator,qjBadOperator,qjMember,qjComment
syn region qjRawString start=+"+ end=+"+ end=+$+ contained
syn region qjNoEsc matchgroup=qjDirective start="^\s*#\s*NoEsc\>" end="^\s*#\s*Esc\>" contains=@qjCode,qjRawString keepend
syn sync fromstart

hi def link qjBlock Structure
hi def link qjProcName Function
hi def link qjConditional Conditional
hi def link qjRepeat Repeat
hi def link qjStatement Statement
hi def link qjType Type
hi def link qjConstant Constant
hi def link qjBuiltin Function
hi def link qjNumber Number
hi def link qjOperator Operator
hi def link qjBadOperator Error
hi def link qjMember Identifier
hi def link qjTodo Todo
hi def link qjComment Comment
hi def link qjDirective PreProc
hi def link qjEscape SpecialChar
hi def link qjBadEscape Error
hi def link qjString String
hi def link qjRawString String

let b:current_syntax = "qjscript"
